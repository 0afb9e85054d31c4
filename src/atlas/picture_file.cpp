#include "atlas/picture_file.h"

#include "atlas/atlas_json.h"

namespace {

constexpr char base64_digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char png_prefix[] = "\"data:image/png;base64,";

}  // namespace

void append_base64(std::string& out, std::span<const std::uint8_t> data) {
  const std::size_t whole = data.size() / 3 * 3;
  std::size_t at = out.size();
  out.resize(at + (data.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < whole; i += 3) {
    const unsigned v = unsigned{data[i]} << 16 | unsigned{data[i + 1]} << 8 | data[i + 2];
    out[at++] = base64_digits[v >> 18];
    out[at++] = base64_digits[(v >> 12) & 63];
    out[at++] = base64_digits[(v >> 6) & 63];
    out[at++] = base64_digits[v & 63];
  }
  const std::size_t left = data.size() - whole;
  if (left == 0) return;
  const unsigned v = unsigned{data[whole]} << 16 | (left == 2 ? unsigned{data[whole + 1]} << 8 : 0u);
  out[at++] = base64_digits[v >> 18];
  out[at++] = base64_digits[(v >> 12) & 63];
  out[at++] = left == 2 ? base64_digits[(v >> 6) & 63] : '=';
  out[at++] = '=';
}

void picture_file_begin(std::string& out, const std::string& path) {
  out.clear();
  out += "QZ_PICTURES(";
  append_json_string(out, path);
  out += ",[\n";
}

void picture_file_add(std::string& out, std::span<const std::uint8_t> png) {
  if (out.back() == '"') out += ",\n";
  out += png_prefix;
  append_base64(out, png);
  out += '"';
}

void picture_file_end(std::string& out) {
  if (out.back() == '"') out += '\n';
  out += "]);\n";
}

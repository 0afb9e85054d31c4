#include "support/json_value.h"

#include <cctype>
#include <stdexcept>

namespace {

struct json_reader {
  const std::string& text;
  std::size_t pos = 0;
};

[[noreturn]] void fail(const json_reader& r, const char* why) {
  throw std::runtime_error(std::string("json: ") + why + " at " + std::to_string(r.pos));
}

void skip_space(json_reader& r) {
  while (r.pos < r.text.size() && std::isspace(static_cast<unsigned char>(r.text[r.pos]))) ++r.pos;
}

bool take(json_reader& r, char c) {
  skip_space(r);
  if (r.pos < r.text.size() && r.text[r.pos] == c) {
    ++r.pos;
    return true;
  }
  return false;
}

void expect(json_reader& r, char c) {
  if (!take(r, c)) fail(r, "unexpected character");
}

std::string read_string(json_reader& r) {
  expect(r, '"');
  std::string out;
  while (r.pos < r.text.size() && r.text[r.pos] != '"') {
    char c = r.text[r.pos++];
    if (c == '\\') {
      if (r.pos >= r.text.size()) fail(r, "bad escape");
      c = r.text[r.pos++];
      switch (c) {
        case 'n': c = '\n'; break;
        case 't': c = '\t'; break;
        case 'r': c = '\r'; break;
        case 'b': c = '\b'; break;
        case 'f': c = '\f'; break;
        case 'u': {
          if (r.pos + 4 > r.text.size()) fail(r, "bad escape");
          const unsigned long code = std::stoul(r.text.substr(r.pos, 4), nullptr, 16);
          r.pos += 4;
          if (code > 0x7F) fail(r, "non-ASCII escape");
          c = static_cast<char>(code);
          break;
        }
        default: break;  // '"', '\\', '/'
      }
    }
    out += c;
  }
  expect(r, '"');
  return out;
}

json_value read_value(json_reader& r, int depth) {
  if (depth > 64) fail(r, "nested too deep");
  skip_space(r);
  if (r.pos >= r.text.size()) fail(r, "unexpected end");
  json_value v;
  const char c = r.text[r.pos];
  if (c == '{') {
    ++r.pos;
    v.kind = json_value::object_kind;
    if (take(r, '}')) return v;
    do {
      skip_space(r);
      std::string key = read_string(r);
      expect(r, ':');
      v.members[key] = read_value(r, depth + 1);
    } while (take(r, ','));
    expect(r, '}');
  } else if (c == '[') {
    ++r.pos;
    v.kind = json_value::array_kind;
    if (take(r, ']')) return v;
    do v.items.push_back(read_value(r, depth + 1));
    while (take(r, ','));
    expect(r, ']');
  } else if (c == '"') {
    v.kind = json_value::string_kind;
    v.text = read_string(r);
  } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
    v.kind = json_value::number_kind;
    std::size_t used = 0;
    v.number = std::stoll(r.text.substr(r.pos, 24), &used);
    r.pos += used;
  } else if (r.text.compare(r.pos, 4, "true") == 0) {
    v.kind = json_value::bool_kind;
    v.boolean = true;
    r.pos += 4;
  } else if (r.text.compare(r.pos, 5, "false") == 0) {
    v.kind = json_value::bool_kind;
    r.pos += 5;
  } else if (r.text.compare(r.pos, 4, "null") == 0) {
    r.pos += 4;
  } else {
    fail(r, "unexpected character");
  }
  return v;
}

}  // namespace

json_value parse_json(const std::string& text) {
  json_reader r{text};
  json_value v = read_value(r, 0);
  skip_space(r);
  if (r.pos != text.size()) fail(r, "trailing text");
  return v;
}

const json_value& json_member(const json_value& object, const std::string& key) {
  auto it = object.members.find(key);
  if (it == object.members.end()) throw std::runtime_error("json: no member " + key);
  return it->second;
}

bool json_has(const json_value& object, const std::string& key) {
  return object.members.count(key) != 0;
}

#include "bitmap/external_codec.h"

#include <cstdio>
#include <filesystem>

#include "support/run_program.h"

namespace {

constexpr const char* python = "/usr/bin/python3";
constexpr const char* convert = "/usr/bin/convert";

// The Pillow side: "decode SRC" writes "W H\n" and the RGB bytes to
// standard output; "encode DST MODE W H" takes the data from standard input.
constexpr const char* pillow_script = R"(import sys
from PIL import Image
if sys.argv[1] == 'decode':
    try:
        im = Image.open(sys.argv[2]).convert('RGB')
    except Exception:
        sys.exit(3)
    sys.stdout.buffer.write(b'%d %d\n' % im.size + im.tobytes())
else:
    mode, w, h = sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
    data = sys.stdin.buffer.read()
    size = w * h * {'RGB': 3, 'RGBA': 4}.get(mode, 1)
    im = Image.frombytes('L' if mode == '1' else mode, (w, h), data[:size])
    if mode == '1':
        im = im.point(lambda v: 255 if v else 0).convert('1', dither=Image.Dither.NONE)
    if mode == 'P':
        im.putpalette(data[size:])
    im.save(sys.argv[2], 'BMP')
)";

program_result run(const char* program, const std::vector<std::string>& args, const bytes& input = {}) {
  return run_program(program, args, std::filesystem::temp_directory_path().string(),
                     std::string(input.begin(), input.end()));
}

}  // namespace

bool pillow_available() {
  static const bool available =
      std::filesystem::exists(python) && run(python, {"-c", "import PIL.BmpImagePlugin"}).exit_status == 0;
  return available;
}

bool imagemagick_available() {
  static const bool available = std::filesystem::exists(convert) && run(convert, {"-version"}).exit_status == 0;
  return available;
}

bool pillow_decode(const std::string& path, rgb_picture& out) {
  const program_result r = run(python, {"-c", pillow_script, "decode", path});
  const std::size_t end = r.output.find('\n');  // after "W H"; any byte may follow
  if (r.exit_status != 0 || end == std::string::npos ||
      std::sscanf(r.output.substr(0, end).c_str(), "%u %u", &out.width, &out.height) != 2)
    return false;
  out.rgb.assign(r.output.begin() + static_cast<std::ptrdiff_t>(end) + 1, r.output.end());
  return out.rgb.size() == std::size_t{out.width} * out.height * 3;
}

bool pillow_encode(const std::string& path, const std::string& mode, std::uint32_t width, std::uint32_t height,
                   const bytes& data) {
  return run(python, {"-c", pillow_script, "encode", path, mode, std::to_string(width), std::to_string(height)}, data)
             .exit_status == 0;
}

bool imagemagick_encode(const std::string& path, const rgb_picture& picture, const std::vector<std::string>& options) {
  std::vector<std::string> args{"-size", std::to_string(picture.width) + "x" + std::to_string(picture.height),
                                "-depth", "8", "rgb:-"};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back("BMP3:" + path);
  return run(convert, args, picture.rgb).exit_status == 0;
}

rgb_picture rgb_of(std::uint32_t width, std::uint32_t height, std::uint16_t bit_count, const std::uint32_t* palette,
                   const std::uint8_t* pixels) {
  rgb_picture out{width, height, {}};
  const std::size_t size = (bit_count + 7u) / 8u;
  for (std::size_t i = 0; i < std::size_t{width} * height; ++i) {
    const std::uint8_t* p = pixels + i * size;
    // 0x00RRGGBB, as a colour-table entry or the blue, green, red bytes.
    const std::uint32_t v = bit_count <= 8 ? palette[*p] : p[0] | p[1] << 8 | (size > 2 ? p[2] << 16 : 0);
    for (int c = 2; c >= 0; --c)  // red, green, blue
      out.rgb.push_back(static_cast<std::uint8_t>(bit_count == 16 ? (v >> (5 * c) & 31) * 255 / 31 : v >> (8 * c)));
  }
  return out;
}

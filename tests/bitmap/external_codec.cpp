#include "bitmap/external_codec.h"

#include <cstdio>
#include <filesystem>

#include "support/run_program.h"

namespace {

constexpr const char* python = "/usr/bin/python3";
constexpr const char* convert = "/usr/bin/convert";

// The Pillow side: "check", "decode SRC DST" (DST gets "W H\n" and the RGB
// bytes) and "encode DST MODE W H DATA [PALETTE]".
constexpr const char* pillow_script = R"(import sys
from PIL import Image
cmd = sys.argv[1]
if cmd == 'decode':
    try:
        im = Image.open(sys.argv[2])
        im.load()
    except Exception as e:
        print(e)
        sys.exit(3)
    rgb = im.convert('RGB')
    with open(sys.argv[3], 'wb') as f:
        f.write(b'%d %d\n' % rgb.size)
        f.write(rgb.tobytes())
elif cmd == 'encode':
    mode, w, h = sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
    data = open(sys.argv[6], 'rb').read()
    if mode == '1':
        grey = bytes(255 if v else 0 for v in data)
        im = Image.frombytes('L', (w, h), grey).convert('1', dither=Image.Dither.NONE)
    else:
        im = Image.frombytes(mode, (w, h), data)
    if mode == 'P':
        im.putpalette(open(sys.argv[7], 'rb').read())
    im.save(sys.argv[2], 'BMP')
)";

program_result run_pillow(const temp_dir& dir, std::vector<std::string> args) {
  const std::string script = dir.file("codec.py");
  write_file(script,
             bytes(pillow_script, pillow_script + std::char_traits<char>::length(pillow_script)));
  args.insert(args.begin(), script);
  return run_program(python, args, dir.path.string());
}

bool tool_runs(const char* program, const std::vector<std::string>& args) {
  if (!std::filesystem::exists(program)) return false;
  temp_dir dir;
  return run_program(program, args, dir.path.string()).exit_status == 0;
}

}  // namespace

bool pillow_available() {
  static const bool available = tool_runs(python, {"-c", "import PIL.BmpImagePlugin"});
  return available;
}

bool imagemagick_available() {
  static const bool available = tool_runs(convert, {"-version"});
  return available;
}

bool pillow_decode(const std::string& path, rgb_picture& out) {
  temp_dir dir;
  const std::string dump = dir.file("dump");
  if (run_pillow(dir, {"decode", path, dump}).exit_status != 0) return false;
  const bytes raw = read_file(dump);
  unsigned width = 0;
  unsigned height = 0;
  int used = 0;
  const std::string head(raw.begin(), raw.begin() + std::min<std::size_t>(raw.size(), 32));
  if (std::sscanf(head.c_str(), "%u %u\n%n", &width, &height, &used) != 2 || used == 0)
    return false;
  out.width = width;
  out.height = height;
  out.rgb.assign(raw.begin() + used, raw.end());
  return out.rgb.size() == std::size_t{width} * height * 3;
}

bool pillow_encode(const std::string& path, const std::string& mode, std::uint32_t width,
                   std::uint32_t height, const bytes& data, const bytes& palette_rgb) {
  temp_dir dir;
  write_file(dir.file("data"), data);
  write_file(dir.file("palette"), palette_rgb);
  const program_result r =
      run_pillow(dir, {"encode", path, mode, std::to_string(width), std::to_string(height),
                       dir.file("data"), dir.file("palette")});
  return r.exit_status == 0;
}

bool imagemagick_encode(const std::string& path, const rgb_picture& picture,
                        const std::vector<std::string>& options) {
  temp_dir dir;
  write_file(dir.file("in.rgb"), picture.rgb);
  std::vector<std::string> args{
      "-size", std::to_string(picture.width) + "x" + std::to_string(picture.height), "-depth", "8",
      "rgb:" + dir.file("in.rgb")};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back("BMP3:" + path);
  return run_program(convert, args, dir.path.string()).exit_status == 0;
}

rgb_picture rgb_of(std::uint32_t width, std::uint32_t height, std::uint16_t bit_count,
                   const std::uint32_t* palette, const std::uint8_t* pixels) {
  rgb_picture out{width, height, {}};
  const std::size_t count = std::size_t{width} * height;
  const std::size_t size = (bit_count + 7u) / 8u;
  out.rgb.reserve(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = pixels + i * size;
    if (bit_count <= 8) {
      const std::uint32_t entry = palette[*p];
      out.rgb.insert(out.rgb.end(),
                     {static_cast<std::uint8_t>(entry >> 16), static_cast<std::uint8_t>(entry >> 8),
                      static_cast<std::uint8_t>(entry)});
    } else if (bit_count == 16) {
      const unsigned v = p[0] | (p[1] << 8);
      for (unsigned shift : {10u, 5u, 0u}) {
        out.rgb.push_back(static_cast<std::uint8_t>(((v >> shift) & 31) * 255 / 31));
      }
    } else {
      out.rgb.insert(out.rgb.end(), {p[2], p[1], p[0]});
    }
  }
  return out;
}

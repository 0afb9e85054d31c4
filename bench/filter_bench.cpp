// Times the two colour filters on a full map picture of 896 x 1024 dots,
// drawn from a sheet decoded from random tile data, the way the batch
// driver runs them: the blur filter in place on the 4-bit picture, the
// retouch filter on a record that an earlier call already turned into 24
// bits.  For scale it also times writing one 24-bit picture's worth of
// bytes to a file.
//
// Usage: filter_bench [repetitions]   (default 200)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "bitmap/image.h"
#include "tiles/blur_filter.h"
#include "tiles/hires_decode.h"
#include "tiles/retouch_filter.h"
#include "tiles/shape_sheet.h"

namespace {

using bench_clock = std::chrono::steady_clock;

constexpr int map_cells = 32;
constexpr int picture_width = disk_tile_width * map_cells;    // 896
constexpr int picture_height = disk_tile_height * map_cells;  // 1024

// A map picture of random tiles from a sheet decoded from random data.
std::vector<std::uint8_t> random_map_picture() {
  std::mt19937 rng(1);
  std::vector<std::uint8_t> file(shapes_file_size);
  for (auto& b : file) b = static_cast<std::uint8_t>(rng() >> 24);
  std::vector<std::uint8_t> sheet(disk_sheet_bytes);
  decode_shape_data(sheet, file, shape_type_normal, 0);

  std::vector<std::uint8_t> picture(static_cast<std::size_t>(picture_width) * picture_height);
  const int sheet_width = disk_tile_width * sheet_tiles_across;
  for (int row = 0; row < map_cells; ++row) {
    for (int column = 0; column < map_cells; ++column) {
      const int t = static_cast<int>(rng() % sheet_tile_count);
      for (int y = 0; y < disk_tile_height; ++y) {
        const std::uint8_t* from = &sheet[static_cast<std::size_t>((t / 16) * disk_tile_height + y) * sheet_width +
                                          (t % 16) * disk_tile_width];
        std::uint8_t* to = &picture[static_cast<std::size_t>(row * disk_tile_height + y) * picture_width +
                                    column * disk_tile_width];
        std::memcpy(to, from, disk_tile_width);
      }
    }
  }
  return picture;
}

struct timing {
  double total_ms = 0;
  double best_ms = 1e30;
  int calls = 0;
};

void add(timing& t, bench_clock::time_point start, bench_clock::time_point end) {
  const double ms = std::chrono::duration<double, std::milli>(end - start).count();
  t.total_ms += ms;
  t.best_ms = std::min(t.best_ms, ms);
  ++t.calls;
}

void report(const char* what, const timing& t) {
  std::printf("%-34s %8.3f ms per call (best %.3f ms, %d calls)\n", what, t.total_ms / t.calls, t.best_ms,
              t.calls);
}

// A 4-bit picture record sized for `dots`; each repetition copies the dots in.
bitmap dot_picture(const std::vector<std::uint8_t>& dots) {
  bitmap picture;
  picture.width = picture_width;
  picture.height = picture_height;
  picture.bit_count = 4;
  picture.data_size = static_cast<std::uint32_t>(dots.size());
  picture.pixels = allocate_zeroed<std::uint8_t>(dots.size());
  return picture;
}

timing time_blur(const std::vector<std::uint8_t>& dots, int repetitions, int join_ends, int blur) {
  bitmap picture = dot_picture(dots);
  timing t;
  for (int i = 0; i < repetitions; ++i) {
    std::memcpy(picture.pixels.get(), dots.data(), dots.size());
    const auto start = bench_clock::now();
    blur_bitmap(picture, join_ends, blur);
    add(t, start, bench_clock::now());
  }
  return t;
}

timing time_retouch(const std::vector<std::uint8_t>& dots, int repetitions, int join_ends) {
  bitmap picture = dot_picture(dots);
  timing t;
  for (int i = 0; i < repetitions; ++i) {
    std::memcpy(picture.pixels.get(), dots.data(), dots.size());
    const auto start = bench_clock::now();
    if (retouch_bitmap(picture, join_ends, 0, standard_sink()) < 0) std::exit(1);
    add(t, start, bench_clock::now());
  }
  return t;
}

timing time_file_write(int repetitions) {
  const std::vector<std::uint8_t> data(static_cast<std::size_t>(picture_width) * picture_height * 3, 0x5A);
  timing t;
  for (int i = 0; i < repetitions; ++i) {
    const auto start = bench_clock::now();
    std::FILE* f = std::tmpfile();
    if (f == nullptr) return t;
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
    add(t, start, bench_clock::now());
  }
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const std::vector<std::uint8_t> dots = random_map_picture();
  std::printf("picture %d x %d, %d repetitions\n", picture_width, picture_height, repetitions);
  report("blur_bitmap sharp, open ends", time_blur(dots, repetitions, 0, 0));
  report("blur_bitmap soft, open ends", time_blur(dots, repetitions, 0, 1));
  report("blur_bitmap sharp, joined ends", time_blur(dots, repetitions, 1, 0));
  report("retouch_bitmap, joined ends", time_retouch(dots, repetitions, 1));
  report("retouch_bitmap, open ends", time_retouch(dots, repetitions, 0));
  const timing write = time_file_write(std::min(repetitions, 64));
  if (write.calls > 0) report("write 2752512 bytes to a file", write);
  return 0;
}

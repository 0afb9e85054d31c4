// Times the decoding of disk image containers: one track and whole disks
// of WOZ 1, WOZ 2 and NIB, the WOZ bit streams through the latch table
// against the latch of one bit a step (the same field search after both),
// and the open of each container (the WOZ CRC-32 included).
//
//   image_bench [ROUNDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "disk/bitwise_latch.h"
#include "disk/disk_image.h"
#include "disk/disk_image_write.h"
#include "disk/woz_format.h"

namespace {

using clock_type = std::chrono::steady_clock;

// The median time of `rounds` calls of f, in microseconds.
template <class F>
double time_us(int rounds, F&& f) {
  std::vector<double> t;
  for (int i = 0; i < rounds; ++i) {
    const auto start = clock_type::now();
    f();
    t.push_back(std::chrono::duration<double, std::micro>(clock_type::now() - start).count());
  }
  return median(t);
}

bytes sample_disk() {
  std::mt19937 generator(1);
  bytes disk(static_cast<std::size_t>(disk_image_bytes));
  for (auto& b : disk) b = static_cast<std::uint8_t>(generator() >> 24);
  return disk;
}

volatile unsigned sink_value = 0;

// Opens `file` and reads every sector: every track decoded.
void decode_whole(const bytes& file) {
  disk_image image;
  disk_image_open(image, file, "bench", sector_order_prodos, {});
  unsigned sum = 0;
  for (std::int64_t at = 0; at < disk_image_bytes; at += sector_bytes)
    if (const std::uint8_t* s = disk_image_at(image, at, sector_bytes, {})) sum += s[0];
  sink_value = sink_value + sum;
}

// Decodes every track of a WOZ file bit by bit: the reference.
void decode_whole_bitwise(const bytes& file, const disk_image& opened) {
  bytes scratch, out(4096);
  unsigned sum = 0;
  for (int t = 0; t < disk_tracks; ++t) {
    const disk_track_source& s = opened.tracks[static_cast<std::size_t>(t)];
    bitwise_latch_bytes(file.data() + s.offset, s.length, scratch);
    sum += static_cast<unsigned>(gcr_read_track(scratch, t, out.data()).faults[0]);
  }
  sink_value = sink_value + sum;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 31;
  const bytes disk = sample_disk();
  bytes woz1, woz2, nib;
  woz_write_options options;
  options.version = 1;
  write_woz(disk, disk_file_order::dos, woz1, options);
  options.version = 2;
  write_woz(disk, disk_file_order::dos, woz2, options);
  write_nib(disk, disk_file_order::dos, nib);

  disk_image opened;
  disk_image_open(opened, woz2, "bench", sector_order_prodos, {});
  const disk_track_source& track = opened.tracks[17];
  bytes scratch, out(4096);
  std::printf("# disk image decoding, median of %d rounds (microseconds)\n", rounds);
  const double table_track = time_us(rounds * 20, [&] {
    gcr_latch_bytes(woz2.data() + track.offset, track.length, scratch);
    sink_value = sink_value + static_cast<unsigned>(gcr_read_track(scratch, 17, out.data()).faults[0]);
  });
  const double bitwise_track = time_us(rounds * 20, [&] {
    bitwise_latch_bytes(woz2.data() + track.offset, track.length, scratch);
    sink_value = sink_value + static_cast<unsigned>(gcr_read_track(scratch, 17, out.data()).faults[0]);
  });
  const double latch_only = time_us(rounds * 20, [&] { gcr_latch_bytes(woz2.data() + track.offset, track.length, scratch); });
  const double bitwise_latch_only =
      time_us(rounds * 20, [&] { bitwise_latch_bytes(woz2.data() + track.offset, track.length, scratch); });
  std::printf("WOZ track (%u bits), latch table + fields   %8.1f\n", track.length, table_track);
  std::printf("WOZ track, bit-by-bit latch + fields        %8.1f  (%.2fx the table)\n", bitwise_track,
              bitwise_track / table_track);
  std::printf("WOZ track, latch table only                 %8.1f\n", latch_only);
  std::printf("WOZ track, bit-by-bit latch only            %8.1f  (%.2fx)\n", bitwise_latch_only,
              bitwise_latch_only / latch_only);
  bytes nib_track(nib.begin() + 17 * 6656, nib.begin() + 18 * 6656);
  const double nib_one = time_us(rounds * 20, [&] {
    gcr_circular_bytes(nib_track, scratch);
    sink_value = sink_value + static_cast<unsigned>(gcr_read_track(scratch, 17, out.data()).faults[0]);
  });
  std::printf("NIB track, fields                           %8.1f\n", nib_one);

  const double whole1 = time_us(rounds, [&] { decode_whole(woz1); });
  const double whole2 = time_us(rounds, [&] { decode_whole(woz2); });
  const double whole_nib = time_us(rounds, [&] { decode_whole(nib); });
  const double whole_bitwise = time_us(rounds, [&] { decode_whole_bitwise(woz2, opened); });
  std::printf("whole WOZ 1 disk, open + 35 tracks          %8.1f\n", whole1);
  std::printf("whole WOZ 2 disk, open + 35 tracks          %8.1f\n", whole2);
  std::printf("whole WOZ 2 disk, 35 tracks bit by bit      %8.1f  (%.2fx)\n", whole_bitwise, whole_bitwise / whole2);
  std::printf("whole NIB disk, open + 35 tracks            %8.1f\n", whole_nib);
  const double open2 = time_us(rounds * 5, [&] {
    disk_image image;
    disk_image_open(image, woz2, "bench", sector_order_prodos, {});
  });
  const double open_raw = time_us(rounds * 5, [&] {
    disk_image image;
    disk_image_open(image, disk, "bench", sector_order_prodos, {});
  });
  std::printf("open WOZ 2 (CRC-32, chunks, decoded buffer) %8.1f\n", open2);
  std::printf("open raw                                    %8.1f\n", open_raw);
  return 0;
}

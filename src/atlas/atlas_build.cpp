#include "atlas/atlas_build.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "atlas/atlas_folder.h"
#include "atlas/atlas_json.h"
#include "atlas/atlas_plan.h"
#include "atlas/page_files.h"
#include "atlas/picture_file.h"
#include "atlas/png_write.h"
#include "atlas/stop_signal.h"
#include "common/file_handle.h"
#include "map/map_table.h"
#include "run/render_steps.h"

namespace {

bool is_terminal(std::FILE* stream) { return stream != nullptr && ::isatty(::fileno(stream)) == 1; }

// Fast compression: the pictures are small beside the BMP files they
// stand for, and the time goes into compressing them.
constexpr int png_level = 1;
constexpr unsigned max_threads = 8;
constexpr auto progress_interval = std::chrono::milliseconds(100);

// What the threads that render share.
struct render_job {
  const options& opts;
  const message_sink& sink;
  const shape_sheet& sheet;
  const retouch_palette& colours;
  const atlas_plan& plan;
  const std::string& folder;
  std::vector<int> order;  // picture files, the largest first
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};  // pieces

  std::atomic<bool> failed{false};
  std::mutex lock;
  std::string failure;  // the first failure's message

  void fail(const std::string& message) {
    const std::lock_guard<std::mutex> guard(lock);
    if (!failed.exchange(true)) failure = message;
  }
  bool stopped() const { return failed.load() || stop_signal_received() != 0; }
};

// One thread's own buffers.
struct renderer {
  bitmap picture;
  png_encoder encoder;
  std::string text;  // the picture file being made
};

// Writes `data` as the file `name` of the build folder; false after
// recording the failure.
bool write_atlas_file(render_job& job, const std::string& name, std::span<const std::uint8_t> data) {
  const std::string path = job.folder + "/" + name;
  errno = 0;
  if (write_whole_file(path.c_str(), data) == 0) return true;
  job.fail("qz-atlas: cannot write '" + path + "': " + (errno != 0 ? std::strerror(errno) : "write failed"));
  return false;
}

bool write_atlas_text(render_job& job, const std::string& name, const std::string& text) {
  return write_atlas_file(job, name,
                          std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// Draws, colours and encodes one piece into `r.encoder.file`.
bool render_piece(render_job& job, renderer& r, const atlas_piece& piece) {
  const shape_sheet& sheet = job.sheet;
  const std::uint64_t width = std::uint64_t(sheet.tile_width) * map_side;
  const std::uint64_t height = std::uint64_t(sheet.tile_height) * static_cast<std::uint64_t>(piece.row_count);
  const std::uint64_t size = width * height * static_cast<std::uint64_t>(sheet.bytes_per_pixel);
  bitmap& picture = r.picture;
  if (picture.pixels == nullptr || picture.data_size < size) {
    picture.pixels = allocate_zeroed<std::uint8_t>(static_cast<std::size_t>(size));
    picture.data_size = picture.pixels ? static_cast<std::uint32_t>(size) : 0;
    if (!picture.pixels) {
      job.fail("qz-atlas: memory exhausted");
      return false;
    }
  }
  picture.width = static_cast<std::int32_t>(width);
  picture.height = static_cast<std::int32_t>(height);
  picture.bit_count = sheet.bit_count;
  picture.palette = sheet.palette.get();
  const map_scene& scene = job.plan.maps[static_cast<std::size_t>(piece.map)].scenes[static_cast<std::size_t>(piece.time)];
  // Only the even rows of the tiles when a filter colours the picture
  // from them.
  draw_tile_rows(picture, sheet, scene.tiles, piece.first_row, piece.row_count, job.opts.use_shape_bitmap == 0 ? 1 : 0);
  const std::string& file = job.plan.files[static_cast<std::size_t>(piece.file)].path;
  if (colour_picture(job.opts, picture, job.colours, job.sink) < 0) {
    job.fail("qz-atlas: cannot colour the picture '" + file + "'");
    return false;
  }
  const png_source source{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), picture.bit_count,
                          picture.pixels.get(), picture.palette};
  const int encoded = png_encode(r.encoder, source);
  if (encoded < 0) {
    job.fail(encoded == -2 ? "qz-atlas: memory exhausted" : "qz-atlas: cannot encode the picture '" + file + "'");
    return false;
  }
  return true;
}

// Renders picture files until none is left or the job stops.
void render_pieces(render_job& job, renderer& r, bool show_progress) {
  auto shown = std::chrono::steady_clock::now();
  for (;;) {
    if (job.stopped()) return;
    const std::size_t i = job.next.fetch_add(1);
    if (i >= job.order.size()) return;
    const atlas_file& file = job.plan.files[static_cast<std::size_t>(job.order[i])];
    picture_file_begin(r.text, file.path);
    for (const int p : file.pieces) {
      if (job.stopped() || !render_piece(job, r, job.plan.pieces[static_cast<std::size_t>(p)])) return;
      picture_file_add(r.text, r.encoder.file);
      const std::size_t done = job.done.fetch_add(1) + 1;
      if (show_progress && std::chrono::steady_clock::now() - shown >= progress_interval) {
        shown = std::chrono::steady_clock::now();
        say(job.sink, "\rqz-atlas: %zu of %zu pictures", done, job.plan.pieces.size());
      }
    }
    picture_file_end(r.text);
    if (!write_atlas_text(job, file.path, r.text)) return;
  }
}

void render_thread(render_job& job) {
  renderer r;
  try {
    if (png_encoder_open(r.encoder, png_level) < 0) throw std::bad_alloc();
    render_pieces(job, r, false);
  } catch (const std::bad_alloc&) {
    job.fail("qz-atlas: memory exhausted");
  }
}

// The files beside the pictures: the marker, the page and the data.
bool write_page_and_data(render_job& job, const std::vector<category_data>& categories, const char* generator,
                         const std::vector<disk_reading>& disks) {
  if (!write_atlas_text(job, atlas_marker_name, std::string(generator) + "\n")) return false;
  for (const page_file& file : page_files()) {
    if (!write_atlas_file(job, file.name, std::span<const std::uint8_t>(file.data, file.size))) return false;
  }
  const shape_sheet& sheet = job.sheet;
  const atlas_picture_format format{sheet.tile_width * map_side, sheet.tile_height * map_side, sheet.tile_width,
                                    sheet.tile_height, uses_retouch(job.opts) ? 24 : sheet.bit_count};
  const std::string json = atlas_json(job.plan, categories, job.opts, format, generator, disks);
  if (!write_atlas_text(job, "atlas.json", json)) return false;
  return write_atlas_text(job, "atlas-data.js", atlas_data_script(json));
}

// Renders every piece with all cores and writes the other files, into the
// build folder.  True when all is written.
bool write_atlas(render_job& job, const std::vector<category_data>& categories, const char* generator,
                 const std::vector<disk_reading>& disks) {
  const atlas_plan& plan = job.plan;
  // The files with the most rows to render first, so that no thread is
  // left with a large one at the end.
  std::vector<int> rows(plan.files.size());
  for (const atlas_piece& piece : plan.pieces) rows[static_cast<std::size_t>(piece.file)] += piece.row_count;
  job.order.resize(plan.files.size());
  for (std::size_t i = 0; i < job.order.size(); ++i) job.order[i] = static_cast<int>(i);
  std::stable_sort(job.order.begin(), job.order.end(), [&](int a, int b) {
    return rows[static_cast<std::size_t>(a)] > rows[static_cast<std::size_t>(b)];
  });

  const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, max_threads);
  std::vector<std::thread> helpers;
  for (unsigned i = 1; i < cores; ++i) {
    try {
      helpers.emplace_back(render_thread, std::ref(job));
    } catch (const std::system_error&) {
      break;  // fewer threads then
    }
  }
  const bool show_progress = is_terminal(job.sink.console);
  try {
    if (write_page_and_data(job, categories, generator, disks)) {
      renderer r;
      if (png_encoder_open(r.encoder, png_level) < 0) throw std::bad_alloc();
      render_pieces(job, r, show_progress);
    }
  } catch (const std::bad_alloc&) {
    job.fail("qz-atlas: memory exhausted");
  }
  for (std::thread& t : helpers) t.join();
  if (show_progress) say(job.sink, "\r\033[K");
  if (job.failed.load()) say(job.sink, "%s\n", job.failure.c_str());
  // Messages that could not be written (standard error on a closed pipe)
  // fail the build like any other write.
  return !job.stopped() && !sink_failed(job.sink);
}

// Reads the selected categories in map-table order.  0, or -1 after the
// messages.
int read_categories(const options& opts, std::vector<category_data>& categories, const message_sink& sink,
                    run_disks& disks) {
  for (int c = 0; c < category_count; ++c) {
    if ((opts.category_mask & (1 << c)) == 0) continue;
    category_data& data = categories.emplace_back();
    data.category = c;
    if (read_category(opts, c, data.maps, data.npcs, sink, disks) < 0) return -1;
    data.default_npcs = data.npcs;
    copy_default_places(data.default_npcs);
  }
  return 0;
}

// Everything after the output folder was found usable.
int build_into(const options& opts, const char* generator, atlas_target& target, atlas_report& report,
               const message_sink& sink) {
  shape_sheet sheet;
  run_disks disks;
  if (load_sheet(opts, sheet, sink, disks) < 0) return 1;
  if (!map_picture_fits(sheet)) {
    say(sink, "error: memory exhausted!\n");
    return 1;
  }
  std::vector<category_data> categories;
  atlas_plan plan;
  try {
    categories.reserve(category_count);
    if (read_categories(opts, categories, sink, disks) < 0) return 1;
    plan_atlas(categories, opts.no_npcs, opts.no_change_pose, plan);
  } catch (const std::bad_alloc&) {
    say(sink, "qz-atlas: memory exhausted\n");
    return 1;
  }
  report.maps = static_cast<int>(plan.maps.size());
  report.distinct_views = plan.distinct_views;
  report.distinct_pictures = plan.distinct_pictures;
  report.pieces = static_cast<int>(plan.pieces.size());
  report.picture_files = static_cast<int>(plan.files.size());

  // The retouch filter's colours, the same for every piece: built once.
  auto colours = std::make_unique<retouch_palette>();
  if (uses_retouch(opts)) build_retouch_palette(*colours);

  const stop_handlers handlers;
  if (create_build_folder(target, sink) < 0) return 1;
  render_job job{opts, sink, sheet, *colours, plan, target.build, {}, {}, {}, {}, {}, {}};
  if (!write_atlas(job, categories, generator, disks.read)) {
    discard_build(target);
    return 1;
  }
  return commit_build(target, sink) < 0 ? 1 : 0;
}

}  // namespace

int build_atlas(const options& opts, const char* generator, atlas_report& report, const message_sink& sink) {
  report = atlas_report{};
  clear_stop_signal();
  atlas_target target;
  if (prepare_target(opts.output_folder, opts.overwrite != 0, target, sink) < 0) return 1;
  const int status = build_into(opts, generator, target, report, sink);
  if (const int signal = stop_signal_received(); signal != 0) {
    if (status != 0) say(sink, "qz-atlas: stopped by signal %d; no atlas was written\n", signal);
    std::raise(signal);  // the default action again: ends the process
  }
  if (status == 0 && is_terminal(sink.console))
    say(sink, "qz-atlas: wrote the atlas '%s': %d maps, %d distinct pictures, %d picture files\n",
        target.folder.c_str(), report.maps, report.distinct_views, report.picture_files);
  return status;
}

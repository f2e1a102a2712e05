// The frame builder against plain memory copies and comparisons of the same
// sizes, measured in the same run: a full change, an unchanged screen, and a
// text screen with one changed cell.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/gpu/gpu.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {

// Screens by benchmark argument.
enum screen_kind { text_80x25 = 0, mono_640x480 = 1, vga_640x480 = 2, rgb_1024x768 = 3 };
const char* const screen_names[] = {"80x25 text", "640x480 1-bit", "640x480 8-bit", "1024x768 32-bit"};

struct screen_bytes {
  size_t frame;     // bytes of the 32-bit output frame
  size_t compared;  // bytes an unchanged screen is compared over (pixels or cells, and the palette)
};

// A fresh screen of the kind, filled with varied content, shown in automatic display.
screen_bytes make_screen(int kind) {
  hardware_images_init();
  if (!data_segment.empty_string) strings_init();
  error_report.pending = 0;
  display_link_reset();
  window_presence_reset();
  screen_tables_init();
  screen_first_mode();
  frame_ring_reset();
  switch (kind) {
    case mono_640x480: screen_set(11, 0, 0, 0, 0, 1); break;
    case vga_640x480: screen_set(new_image(640, 480, 256, 1), 0, 0, 0, 0, 1); break;
    case rgb_1024x768: screen_set(new_image(1024, 768, 32, 1), 0, 0, 0, 0, 1); break;
    default: break;
  }
  image_record* img = display_link.shown_image.load();
  const size_t bytes = static_cast<size_t>(img->width) * img->height * img->bytes_per_pixel;
  std::mt19937 random(7);
  for (size_t i = 0; i < bytes; ++i) {
    uint8_t b = static_cast<uint8_t>(random());
    if (kind == mono_640x480) b &= 1;
    if (kind == text_80x25 && (i & 1)) b &= 0x7F;  // no blinking cells
    shared_store8(img->data + i, b);
  }
  frame_builder.blink_counter = 0;
  if (img->text) {
    const size_t frame = static_cast<size_t>(img->width) * 8 * img->height * 16 * 4;
    return {frame, bytes + 256 * 4};
  }
  const size_t entries = img->bits_per_pixel >= 8 ? (img->bits_per_pixel == 32 ? 0 : 256) : 2;
  return {static_cast<size_t>(img->width) * img->height * 4, bytes + entries * 4};
}

void BM_BuildFullChange(benchmark::State& state) {
  const screen_bytes sizes = make_screen(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    display_link.prev_valid = 0;  // as after a screen change: nothing is compared, everything is drawn
    build_software_frame();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sizes.frame));
  state.SetLabel(screen_names[state.range(0)]);
}
BENCHMARK(BM_BuildFullChange)->DenseRange(0, 3);

void BM_MemcpyFrame(benchmark::State& state) {
  const screen_bytes sizes = make_screen(static_cast<int>(state.range(0)));
  std::vector<uint8_t> from(sizes.frame, 1), to(sizes.frame);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), sizes.frame);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sizes.frame));
  state.SetLabel(screen_names[state.range(0)]);
}
BENCHMARK(BM_MemcpyFrame)->DenseRange(0, 3);

void BM_BuildUnchanged(benchmark::State& state) {
  const screen_bytes sizes = make_screen(static_cast<int>(state.range(0)));
  build_software_frame();  // the frame the later ones compare with
  for (auto _ : state) build_software_frame();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sizes.compared));
  state.SetLabel(screen_names[state.range(0)]);
}
BENCHMARK(BM_BuildUnchanged)->DenseRange(0, 3);

// Written but unchanged: the last byte is stored again with what it holds, so
// the builder takes its read turn and compares the whole screen and palette.
void BM_BuildRewrittenUnchanged(benchmark::State& state) {
  const screen_bytes sizes = make_screen(static_cast<int>(state.range(0)));
  image_record* img = display_link.shown_image.load();
  uint8_t* last = img->data + static_cast<size_t>(img->width) * img->height * img->bytes_per_pixel - 1;
  build_software_frame();
  for (auto _ : state) {
    shared_store8(last, shared_get(*last));
    build_software_frame();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sizes.compared));
  state.SetLabel(screen_names[state.range(0)]);
}
BENCHMARK(BM_BuildRewrittenUnchanged)->DenseRange(0, 3);

void BM_MemcmpCompared(benchmark::State& state) {
  const screen_bytes sizes = make_screen(static_cast<int>(state.range(0)));
  std::vector<uint8_t> a(sizes.compared, 3), b(sizes.compared, 3);
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::memcmp(a.data(), b.data(), sizes.compared));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sizes.compared));
  state.SetLabel(screen_names[state.range(0)]);
}
BENCHMARK(BM_MemcmpCompared)->DenseRange(0, 3);

// One cell changes between frames, as when a character is typed.
void BM_BuildTextOneCell(benchmark::State& state) {
  make_screen(text_80x25);
  build_software_frame();
  image_record* img = display_link.shown_image.load();
  uint8_t c = 'A';
  for (auto _ : state) {
    c = c == 'A' ? 'B' : 'A';
    shared_store8(img->data + 2 * (12 * 80 + 40), c);
    build_software_frame();
  }
}
BENCHMARK(BM_BuildTextOneCell);

}  // namespace

// Drawing glyphs with put_char on images of each pixel depth, against a plain
// loop that writes the same 128 pixels a glyph covers.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "runtime/screen/screen.h"

namespace {

constexpr int32_t cols = 80, rows = 30;  // an 80x30 grid of 8x16 cells: 640x480 pixels

void prepare_screen() {
  static bool ready = false;
  if (ready) return;
  screen_tables_init();
  screen_palettes_init();
  screen_first_mode();
  ready = true;
}

// A 640x480 destination of the given mode; colours of the benchmark's case.
image_record* destination(int32_t mode, uint32_t colour, uint32_t background, uint8_t blend_off) {
  prepare_screen();
  free_program_images();
  const int32_t handle = new_image(640, 480, mode, 1);
  set_dest(handle);
  image_record* img = write_image;
  img->colour = colour;
  img->background = background;
  img->blend_off = blend_off;
  return img;
}

// Characters drawn across the whole grid, one per cell.
void run_put_char(benchmark::State& state, image_record* img) {
  int32_t code = 32;
  for (auto _ : state) {
    for (int32_t row = 1; row <= rows; ++row) {
      for (int32_t col = 1; col <= cols; ++col) {
        set_cursor(img, col, row);
        put_char(static_cast<uint32_t>(code));
        code = code == 255 ? 32 : code + 1;
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * cols * rows);
}

void BM_PutChar1Bit(benchmark::State& state) { run_put_char(state, destination(11, 1, 0, 0)); }
void BM_PutChar8Bit(benchmark::State& state) { run_put_char(state, destination(256, 14, 1, 0)); }
void BM_PutChar32BitOpaque(benchmark::State& state) {
  run_put_char(state, destination(32, 0xFFFFFF00, 0xFF000080, 0));
}
void BM_PutChar32BitBlendOff(benchmark::State& state) {
  run_put_char(state, destination(32, 0x80FFFF00, 0x40000080, 1));
}
void BM_PutChar32BitBlended(benchmark::State& state) {
  run_put_char(state, destination(32, 0x80FFFF00, 0x40000080, 0));
}
BENCHMARK(BM_PutChar1Bit);
BENCHMARK(BM_PutChar8Bit);
BENCHMARK(BM_PutChar32BitOpaque);
BENCHMARK(BM_PutChar32BitBlendOff);
BENCHMARK(BM_PutChar32BitBlended);

// The floor: 8 x 16 pixels written per cell with a plain loop, no glyph, no mode.
template <typename pixel>
void run_plain(benchmark::State& state) {
  static pixel buffer[640 * 480];
  pixel value = 0;
  for (auto _ : state) {
    for (int32_t row = 0; row < rows; ++row) {
      for (int32_t col = 0; col < cols; ++col) {
        pixel* cell = buffer + row * 16 * 640 + col * 8;
        for (int32_t y = 0; y < 16; ++y)
          for (int32_t x = 0; x < 8; ++x) cell[y * 640 + x] = value;
        ++value;
      }
    }
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(buffer);
  state.SetItemsProcessed(state.iterations() * cols * rows);
}

void BM_PlainLoop8Bit(benchmark::State& state) { run_plain<uint8_t>(state); }
void BM_PlainLoop32Bit(benchmark::State& state) { run_plain<uint32_t>(state); }
BENCHMARK(BM_PlainLoop8Bit);
BENCHMARK(BM_PlainLoop32Bit);

}  // namespace

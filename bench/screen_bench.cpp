// Drawing glyphs with put_char on images of each pixel depth, against a plain
// loop that writes the same 128 pixels a glyph covers; glyphs of a loaded font
// against the built-in ones, per pixel covered.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {

constexpr int32_t cols = 80, rows = 30;  // an 80x30 grid of 8x16 cells: 640x480 pixels

void prepare_screen() {
  static bool ready = false;
  if (ready) return;
  if (!data_segment.empty_string) strings_init();
  screen_tables_init();
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

// The built-in 8x16 font against a loaded font (DejaVu Sans, 16 pixels high,
// glyphs cached after the first pass) on the blended 32-bit image. Items are
// pixels a glyph covers (8 x 16 for the built-in font, the glyph's bitmap for
// the loaded one), so items/s of the two compare directly.
void BM_PutCharBuiltinBlendedPixels(benchmark::State& state) {
  image_record* img = destination(32, 0x80FFFF00, 0x40000080, 0);
  run_put_char(state, img);
  state.SetItemsProcessed(state.iterations() * cols * rows * 8 * 16);
}

void BM_PutCharLoadedBlendedPixels(benchmark::State& state) {
  image_record* img = destination(32, 0x80FFFF00, 0x40000080, 0);
  static const int32_t font = load_font(str_from_cstr("DejaVu Sans"), 16, nullptr, 0);
  if (font < first_loaded_font) {
    state.SkipWithError("DejaVu Sans is not installed");
    return;
  }
  set_image_font(font, 0, 0);
  constexpr int32_t step = 12, across = 640 / step;  // one glyph every 12 pixels
  int64_t pixels = 0;
  for (int32_t i = 0, code = 32; i < across * rows; ++i, code = code == 255 ? 32 : code + 1) {
    const glyph_coverage* g = loaded_glyph(static_cast<uint32_t>(font), static_cast<uint32_t>(code));
    pixels += int64_t{g->width} * g->height;
  }
  for (auto _ : state) {
    int32_t code = 32;
    for (int32_t row = 1; row <= rows; ++row) {
      for (int32_t col = 0; col < across; ++col) {
        set_cursor(img, 1 + col * step, row);
        put_char(static_cast<uint32_t>(code));
        code = code == 255 ? 32 : code + 1;
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * pixels);
}
BENCHMARK(BM_PutCharBuiltinBlendedPixels);
BENCHMARK(BM_PutCharLoadedBlendedPixels);

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

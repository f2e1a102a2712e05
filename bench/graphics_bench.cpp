// The graphics statements against plain loops over the same pixels: a long
// diagonal LINE against a loop storing its pixels, PAINT of a whole 640x480
// 8-bit screen against a loop reading and writing every pixel once, image
// copies (320x200 8-bit 1:1 against memcpy of its rows, doubled to 640x400
// against a loop writing the same pixels, 32-bit blended against a loop
// blending each pixel), and the pixel rates of a CIRCLE of radius 200 and a
// DRAW of 1,000 commands. Each
// plain loop comes twice: with ordinary stores (which the compiler may merge
// and vectorise) and with the relaxed one-pixel stores the runtime must use
// on memory the frame builder reads.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/gpu/gpu.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/graphics/graphics.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {

constexpr int32_t width = 640, height = 480;

// A 640x480 8-bit image, cleared, as the write image.
image_record* destination() {
  static bool ready = false;
  if (!ready) {
    hardware_images_init();
    if (!data_segment.empty_string) strings_init();
    screen_tables_init();
    screen_first_mode();
    ready = true;
  }
  free_program_images();
  set_dest(new_image(width, height, 256, 1));
  return write_image;
}

// LINE (0,0)-(639,479): 640 pixels, x leading.
void BM_LineDiagonal(benchmark::State& state) {
  destination();
  uint32_t colour = 1;
  for (auto _ : state) {
    line_draw(0, 0, width - 1, height - 1, colour, line_kind_line, 0, line_first_given | line_colour_given);
    colour = colour % 255 + 1;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * width);
}
BENCHMARK(BM_LineDiagonal);

// The same 640 pixels from a plain loop: y from a float stepping by 479/639.
template <bool relaxed>
void line_plain_loop(benchmark::State& state) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  uint8_t colour = 1;
  const float step = static_cast<float>(height - 1) / (width - 1);
  for (auto _ : state) {
    float y = 0;
    for (int32_t x = 0; x < width; ++x, y += step) {
      uint8_t* p = &pixels[static_cast<size_t>(static_cast<int32_t>(y + 0.5f)) * width + x];
      if constexpr (relaxed)
        shared_put(p, colour);
      else
        *p = colour;
    }
    colour = static_cast<uint8_t>(colour % 255 + 1);
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(pixels.data());
  state.SetItemsProcessed(state.iterations() * width);
}
void BM_LinePlainLoop(benchmark::State& state) { line_plain_loop<false>(state); }
void BM_LinePlainLoopRelaxed(benchmark::State& state) { line_plain_loop<true>(state); }
BENCHMARK(BM_LinePlainLoop);
BENCHMARK(BM_LinePlainLoopRelaxed);

// PAINT from the centre of a screen with no border in it: every pixel, in
// colours 1 and 2 by turns so that each fill repaints the whole screen.
void BM_PaintWholeScreen(benchmark::State& state) {
  destination();
  uint32_t colour = 1;
  for (auto _ : state) {
    paint_fill(320, 240, colour, 15, paint_colour_given | paint_border_given);
    colour = 3 - colour;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_PaintWholeScreen)->Unit(benchmark::kMicrosecond);

// Every pixel read, compared with the border and written once, through raw
// pointers held in locals (indexing the vector would reload its pointers after
// every one-byte store, which may alias them).
template <bool relaxed>
void paint_plain_loop(benchmark::State& state) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height, 2);
  uint8_t colour = 1;
  for (auto _ : state) {
    uint8_t* p = pixels.data();
    uint8_t* const end = p + pixels.size();
    const uint8_t c = colour;
    for (; p != end; ++p) {
      if constexpr (relaxed) {
        if (shared_get(*p) != 15) shared_put(p, c);
      } else {
        if (*p != 15) *p = c;
      }
    }
    colour = static_cast<uint8_t>(3 - colour);
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(pixels.data());
  state.SetItemsProcessed(state.iterations() * width * height);
}
void BM_PaintPlainLoop(benchmark::State& state) { paint_plain_loop<false>(state); }
void BM_PaintPlainLoopRelaxed(benchmark::State& state) { paint_plain_loop<true>(state); }
BENCHMARK(BM_PaintPlainLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintPlainLoopRelaxed)->Unit(benchmark::kMicrosecond);

// Pixels of the image that are not 0.
int64_t pixels_set(const image_record* img) {
  int64_t n = 0;
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) n += img->data[i] != 0;
  return n;
}

void BM_CircleRadius200(benchmark::State& state) {
  image_record* img = destination();
  circle_draw(320, 240, 200, 1, 0, 0, 0, circle_colour_given);
  const int64_t pixels = pixels_set(img);
  for (auto _ : state) {
    circle_draw(320, 240, 200, 1, 0, 0, 0, circle_colour_given);
    benchmark::ClobberMemory();
  }
  state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(state.iterations() * pixels),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CircleRadius200);

// 1,000 commands (ten a round): turns, plain and scaled moves, colours. The
// pixel rate counts the pixels one run leaves set on a clear screen.
void BM_Draw1000Commands(benchmark::State& state) {
  image_record* img = destination();
  std::string commands;
  for (int32_t i = 0; i < 100; ++i) commands += "TA" + std::to_string(i * 7 % 360) + "R20E10D15C3S6L8S4H5U7";
  img->gfx_x = 320;
  img->gfx_y = 240;
  turtle_draw_bytes(reinterpret_cast<const uint8_t*>(commands.data()), static_cast<int32_t>(commands.size()));
  const int64_t pixels = pixels_set(img);
  for (auto _ : state) {
    img->gfx_x = 320;
    img->gfx_y = 240;
    img->draw_angle = 0;
    img->draw_scale = 1;
    turtle_draw_bytes(reinterpret_cast<const uint8_t*>(commands.data()), static_cast<int32_t>(commands.size()));
    benchmark::ClobberMemory();
  }
  state.counters["commands/s"] = benchmark::Counter(static_cast<double>(state.iterations() * 1000),
                                                    benchmark::Counter::kIsRate);
  state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(state.iterations() * pixels),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Draw1000Commands);

}  // namespace

namespace {

// A 320x200 image of the mode holding a pattern (32-bit: alpha 0x80), as a handle.
int32_t copy_source(int32_t mode) {
  const int32_t handle = new_image(320, 200, mode, 1);
  image_record* img = image_at(static_cast<int32_t>(-handle));
  for (size_t i = 0; i < size_t{320} * 200; ++i) {
    if (img->bytes_per_pixel == 1)
      img->data[i] = static_cast<uint8_t>(i * 7);
    else
      reinterpret_cast<uint32_t*>(img->data)[i] = 0x80000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
  }
  return handle;
}

void BM_Copy8Bit1To1(benchmark::State& state) {
  destination();
  const int32_t source = copy_source(256);
  for (auto _ : state) {
    image_copy(0, 0, 0, 0, source, 0, 0, 0, 0, 0, copy_destination_first_given | copy_source_given);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 320 * 200);
}
BENCHMARK(BM_Copy8Bit1To1)->Unit(benchmark::kMicrosecond);

void BM_Copy8Bit1To1Memcpy(benchmark::State& state) {
  std::vector<uint8_t> from(size_t{320} * 200, 3), to(size_t{width} * height);
  for (auto _ : state) {
    for (size_t y = 0; y < 200; ++y) std::memcpy(to.data() + y * width, from.data() + y * 320, 320);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 320 * 200);
}
BENCHMARK(BM_Copy8Bit1To1Memcpy)->Unit(benchmark::kMicrosecond);

void BM_Copy8BitDoubled(benchmark::State& state) {
  destination();
  const int32_t source = copy_source(256);
  for (auto _ : state) {
    image_copy(0, 0, 639, 399, source, 0, 0, 0, 0, 0,
               copy_destination_first_given | copy_destination_second_given | copy_source_given);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 640 * 400);
}
BENCHMARK(BM_Copy8BitDoubled)->Unit(benchmark::kMicrosecond);

// The same 640x400 pixels, each from its source pixel, with the relaxed stores image memory needs.
void BM_Copy8BitDoubledPlainLoop(benchmark::State& state) {
  std::vector<uint8_t> from(size_t{320} * 200, 3), to(size_t{width} * height);
  for (auto _ : state) {
    const uint8_t* const f = from.data();
    uint8_t* const t = to.data();
    for (size_t y = 0; y < 400; ++y) {
      const uint8_t* row = f + (y / 2) * 320;
      uint8_t* out = t + y * width;
      for (size_t x = 0; x < 640; ++x) shared_put(out + x, row[x / 2]);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 640 * 400);
}
BENCHMARK(BM_Copy8BitDoubledPlainLoop)->Unit(benchmark::kMicrosecond);

void BM_Copy32BitBlended(benchmark::State& state) {
  destination();
  set_dest(new_image(width, height, 32, 1));
  const int32_t source = copy_source(32);
  for (auto _ : state) {
    image_copy(0, 0, 0, 0, source, 0, 0, 0, 0, 0, copy_destination_first_given | copy_source_given);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 320 * 200);
}
BENCHMARK(BM_Copy32BitBlended)->Unit(benchmark::kMicrosecond);

void BM_Copy32BitBlendPlainLoop(benchmark::State& state) {
  destination();
  if (!blend_tables.ready) blend_tables_build();
  std::vector<uint32_t> from(size_t{320} * 200, 0x80123456u), to(size_t{width} * height, 0xFF000000u);
  for (auto _ : state) {
    const uint32_t* const f = from.data();
    uint32_t* const t = to.data();
    for (size_t y = 0; y < 200; ++y)
      for (size_t x = 0; x < 320; ++x) {
        uint32_t* p = t + y * width + x;
        shared_put(p, graphics_blend(shared_get(*p), f[y * 320 + x]));
      }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 320 * 200);
}
BENCHMARK(BM_Copy32BitBlendPlainLoop)->Unit(benchmark::kMicrosecond);

}  // namespace

// PRINT of 80-character lines that scroll, on SCREEN 0 and SCREEN 11, and the
// scroll alone against a memmove of the same bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "bench/bench_screen.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {

void prepare(int32_t mode) {
  bench_start_up_screen();
  if (mode) screen_set(mode, 0, 0, 0, 0, 1);
  set_cursor(write_image, 1, write_image->bottom_row);
}

void run_print_lines(benchmark::State& state, int32_t mode) {
  prepare(mode);
  std::vector<uint8_t> line(80);
  for (int32_t i = 0; i < 80; ++i) line[i] = static_cast<uint8_t>('A' + i % 26);
  for (auto _ : state) {
    print_chars(line.data(), 80, 1);  // the cursor stays on the last row: every line scrolls
    benchmark::ClobberMemory();
  }
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Bytes one scroll moves: rows 2..bottom of the print region.
size_t region_bytes(const image_record* img) {
  const size_t row = img->text ? img->width * 2u : static_cast<size_t>(img->width) * img->bytes_per_pixel * 16u;
  return row * static_cast<size_t>(img->bottom_row - img->top_row);
}

void run_scroll(benchmark::State& state, int32_t mode) {
  prepare(mode);
  image_record* img = write_image;
  for (auto _ : state) {
    scroll_rows_up(img, img->top_row, img->bottom_row);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * region_bytes(img)));
}

void run_memmove(benchmark::State& state, int32_t mode) {
  prepare(mode);
  image_record* img = write_image;
  const size_t n = region_bytes(img);
  const size_t row = img->text ? img->width * 2u : static_cast<size_t>(img->width) * 16u;
  for (auto _ : state) {
    std::memmove(img->data, img->data + row, n);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}

void BM_PrintScrollingLinesScreen0(benchmark::State& state) { run_print_lines(state, 0); }
void BM_PrintScrollingLinesScreen11(benchmark::State& state) { run_print_lines(state, 11); }
void BM_ScrollRegionScreen0(benchmark::State& state) { run_scroll(state, 0); }
void BM_MemmoveRegionScreen0(benchmark::State& state) { run_memmove(state, 0); }
void BM_ScrollRegionScreen11(benchmark::State& state) { run_scroll(state, 11); }
void BM_MemmoveRegionScreen11(benchmark::State& state) { run_memmove(state, 11); }

BENCHMARK(BM_PrintScrollingLinesScreen0);
BENCHMARK(BM_PrintScrollingLinesScreen11);
BENCHMARK(BM_ScrollRegionScreen0);
BENCHMARK(BM_MemmoveRegionScreen0);
BENCHMARK(BM_ScrollRegionScreen11);
BENCHMARK(BM_MemmoveRegionScreen11);

}  // namespace

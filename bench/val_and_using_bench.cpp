// VAL of typical number texts, and PRINT USING of a fixed and an exponent field.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "runtime/strings/strings.h"

namespace {

// Texts as programs read them: integers, decimals, and some with exponents or signs.
std::vector<std::string> number_texts() {
  std::mt19937_64 rng(12);
  std::vector<std::string> texts;
  char text[64];
  for (int i = 0; i < 4096; ++i) {
    switch (i % 4) {
      case 0: std::snprintf(text, sizeof text, "%d", static_cast<int>(rng() % 200000)); break;
      case 1: std::snprintf(text, sizeof text, "%.2f", static_cast<double>(rng() % 1000000) / 100); break;
      case 2: std::snprintf(text, sizeof text, "-%.6g", static_cast<double>(rng() % 1000000) / 7); break;
      default: std::snprintf(text, sizeof text, "%.3E", std::ldexp(static_cast<double>(rng() % 1000), static_cast<int>(rng() % 80) - 40)); break;
    }
    texts.push_back(text);
  }
  return texts;
}

void BM_ValTypicalNumbers(benchmark::State& state) {
  strings_init();
  const std::vector<std::string> texts = number_texts();
  std::vector<str_desc*> strings;
  for (const std::string& t : texts) {
    str_desc* s = str_new(static_cast<uint32_t>(t.size()), false);
    std::copy(t.begin(), t.end(), s->chars);
    strings.push_back(s);
  }
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(text_value(strings[i]));
    i = (i + 1) % strings.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ValTypicalNumbers);

// One PRINT USING format; value: each iteration formats one double into a fresh output.
void using_doubles(benchmark::State& state, const char* format_text) {
  strings_init();
  std::mt19937_64 rng(13);
  std::vector<double> values;
  for (int i = 0; i < 4096; ++i) values.push_back(std::uniform_real_distribution<double>(-999.0, 999.0)(rng));
  str_desc* format = str_from_cstr(format_text);
  str_desc* output = str_new(0, false);
  const uint32_t mark = str_temp_mark();
  size_t i = 0;
  for (auto _ : state) {
    str_assign(output, data_segment.empty_string);
    using_double(format, values[i], 0, output);
    str_cleanup(mark);
    benchmark::DoNotOptimize(output->chars);
    i = (i + 1) % values.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_UsingFixedField(benchmark::State& state) { using_doubles(state, "###.##"); }
void BM_UsingExponentField(benchmark::State& state) { using_doubles(state, "##.##^^^^"); }
BENCHMARK(BM_UsingFixedField);
BENCHMARK(BM_UsingExponentField);

}  // namespace

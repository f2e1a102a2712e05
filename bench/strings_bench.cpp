// The string engine and number texts under load.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/strings/strings.h"
#include "tests/unit/strings/number_text_reference.h"

namespace {

constexpr int pair_count = 256;

// Operand lengths of 8 to 64 bytes, the same for both benchmarks.
std::vector<std::string> operand_texts() {
  std::mt19937 rng(5);
  std::vector<std::string> texts;
  for (int i = 0; i < 2 * pair_count; ++i) {
    std::string s(std::uniform_int_distribution<size_t>(8, 64)(rng), ' ');
    for (char& c : s) c = static_cast<char>('a' + rng() % 26);
    texts.push_back(s);
  }
  return texts;
}

// a$ = b$ + c$, then the statement's cleanup.
void BM_ConcatAssignStatement(benchmark::State& state) {
  strings_init();
  const std::vector<std::string> texts = operand_texts();
  std::vector<str_desc*> operands;
  for (const std::string& t : texts) {
    str_desc* v = str_new(0, false);
    str_assign(v, str_from_text(t.data(), static_cast<uint32_t>(t.size())));
    operands.push_back(v);
  }
  str_desc* a = str_new(0, false);
  const uint32_t mark = str_temp_mark();
  int i = 0;
  for (auto _ : state) {
    str_assign(a, str_concat(operands[2 * i], operands[2 * i + 1]));
    str_cleanup(mark);
    benchmark::DoNotOptimize(a->chars);
    i = (i + 1) % pair_count;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConcatAssignStatement);

// The same work with std::string: a = b + c.
void BM_ConcatAssignStdString(benchmark::State& state) {
  const std::vector<std::string> operands = operand_texts();
  std::string a;
  int i = 0;
  for (auto _ : state) {
    a = operands[2 * i] + operands[2 * i + 1];
    benchmark::DoNotOptimize(a.data());
    i = (i + 1) % pair_count;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConcatAssignStdString);

// Values of every size, as STR$ meets them.
template <typename T>
std::vector<T> number_values() {
  std::mt19937_64 rng(9);
  std::vector<T> values;
  for (int i = 0; i < 4096; ++i) {
    const double mantissa = std::uniform_real_distribution<double>(-1000.0, 1000.0)(rng);
    const int exponent = static_cast<int>(rng() % 24) - 12;
    T v = static_cast<T>(mantissa * std::pow(10.0, exponent));
    if (i % 4 == 0) v = static_cast<T>(static_cast<int>(mantissa * 100));  // whole numbers
    values.push_back(v);
  }
  return values;
}

template <typename T>
void str_of_numbers(benchmark::State& state, str_desc* (*text_of)(T)) {
  strings_init();
  const std::vector<T> values = number_values<T>();
  const uint32_t mark = str_temp_mark();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(text_of(values[i])->chars);
    str_cleanup(mark);
    i = (i + 1) % values.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_StrOfSingle(benchmark::State& state) { str_of_numbers<float>(state, text_of_single); }
void BM_StrOfDouble(benchmark::State& state) { str_of_numbers<double>(state, text_of_double); }
BENCHMARK(BM_StrOfSingle);
BENCHMARK(BM_StrOfDouble);

// The same texts through the C library's "%E" and "%f" conversions.
template <typename T>
void str_of_numbers_printf(benchmark::State& state, int digits) {
  const std::vector<T> values = number_values<T>();
  size_t i = 0;
  for (auto _ : state) {
    std::string text = reference::float_text(static_cast<double>(values[i]), digits);
    benchmark::DoNotOptimize(text.data());
    i = (i + 1) % values.size();
  }
  state.SetItemsProcessed(state.iterations());
}
void BM_StrOfSinglePrintf(benchmark::State& state) { str_of_numbers_printf<float>(state, 7); }
void BM_StrOfDoublePrintf(benchmark::State& state) { str_of_numbers_printf<double>(state, 16); }
BENCHMARK(BM_StrOfSinglePrintf);
BENCHMARK(BM_StrOfDoublePrintf);

// a$ = a$ + "x", n times (each concatenation copies a$).
void BM_AppendOneCharacter(benchmark::State& state) {
  const int64_t n = state.range(0);
  for (auto _ : state) {
    strings_init();
    str_desc* a = str_new(0, false);
    const uint32_t mark = str_temp_mark();
    for (int64_t i = 0; i < n; ++i) {
      str_assign(a, str_concat(a, str_from_text("x", 1)));
      str_cleanup(mark);
    }
    benchmark::DoNotOptimize(a->chars);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendOneCharacter)->Arg(10000)->Arg(25000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);

// a$ = a$ + x$ through the append entry point, n times: the statement as
// compiled code runs it, the append and the statement's cleanup. Second
// argument 0: x$ is a variable holding one character; 1: the literal "x",
// which compiled code appends through str_append_text.
void BM_AppendStatement(benchmark::State& state) {
  const int64_t n = state.range(0);
  const bool literal = state.range(1) != 0;
  strings_init();
  str_desc* x = str_new(0, false);
  str_assign(x, str_from_text("x", 1));
  for (auto _ : state) {
    str_desc* a = str_new(0, false);
    const uint32_t mark = str_temp_mark();
    for (int64_t i = 0; i < n; ++i) {
      if (literal)
        str_append_text(a, "x", 1);
      else
        str_append(a, x);
      str_cleanup(mark);
    }
    benchmark::DoNotOptimize(a->chars);
    str_free(a);
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.SetLabel(literal ? "literal" : "variable");
}
BENCHMARK(BM_AppendStatement)->Args({10000, 0})->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMicrosecond);

// The same with std::string: a += x, x a one-character string.
void BM_AppendStdString(benchmark::State& state) {
  const int64_t n = state.range(0);
  const std::string x = "x";
  for (auto _ : state) {
    std::string a;
    for (int64_t i = 0; i < n; ++i) {
      a += x;
      benchmark::DoNotOptimize(a.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendStdString)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Two strings appended to in turn: each append finds the other string right
// behind it, so every growth beyond the spare bytes is a move.
void BM_AppendTwoInTurn(benchmark::State& state) {
  const int64_t n = state.range(0);
  strings_init();
  for (auto _ : state) {
    str_desc* a = str_new(0, false);
    str_desc* b = str_new(0, false);
    const uint32_t mark = str_temp_mark();
    for (int64_t i = 0; i < n; ++i) {
      str_append(i % 2 ? b : a, str_from_text("xy", 2));
      str_cleanup(mark);
    }
    benchmark::DoNotOptimize(a->chars);
    str_free(b);
    str_free(a);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendTwoInTurn)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

// The statement frame and the shared utilities under load.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"

namespace {

constexpr int statements_per_iteration = 1000;

// One statement's work: an assignment the compiler cannot drop.
inline void statement_work(int64_t& variable, int i) {
  variable += i;
  benchmark::DoNotOptimize(variable);
}

void BM_StatementsWithFrame(benchmark::State& state) {
  int64_t variable = 0;
  for (auto _ : state) {
    for (int i = 0; i < statements_per_iteration; ++i) {
      statement_work(variable, i);
      statement_end(i);
    }
  }
  state.SetItemsProcessed(state.iterations() * statements_per_iteration);
}
BENCHMARK(BM_StatementsWithFrame);

void BM_StatementsWithoutEventTest(benchmark::State& state) {
  int64_t variable = 0;
  for (auto _ : state) {
    for (int i = 0; i < statements_per_iteration; ++i) statement_work(variable, i);
  }
  state.SetItemsProcessed(state.iterations() * statements_per_iteration);
}
BENCHMARK(BM_StatementsWithoutEventTest);

// Every statement finds an event: the frame goes through line_event, which
// clears the flag and finds no error, pause or due trap.
void BM_StatementsWithEvent(benchmark::State& state) {
  int64_t variable = 0;
  for (auto _ : state) {
    for (int i = 0; i < statements_per_iteration; ++i) {
      statement_work(variable, i);
      run_flags.event_pending.store(1, std::memory_order_relaxed);
      statement_end(i);
    }
  }
  state.SetItemsProcessed(state.iterations() * statements_per_iteration);
}
BENCHMARK(BM_StatementsWithEvent);

void BM_ListAddRemovePair(benchmark::State& state) {
  list* l = state.range(0) ? list_new_locked(28) : list_new(28);
  for (int i = 0; i < 64; ++i) list_add(l);  // a table in use
  for (auto _ : state) {
    const int32_t h = list_add(l);
    benchmark::DoNotOptimize(list_get(l, h));
    list_remove(l, h);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(state.range(0) ? "locked" : "unlocked");
}
BENCHMARK(BM_ListAddRemovePair)->Arg(0)->Arg(1);

void BM_ArenaAlloc(benchmark::State& state) {
  arena_init();
  void* start = arena_alloc(8);
  int64_t n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(arena_alloc(static_cast<size_t>(state.range(0))));
    if (++n % 50000 == 0) arena_reset(start);  // stay within the first block
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ArenaAlloc)->Arg(2)->Arg(8)->Arg(12);

}  // namespace

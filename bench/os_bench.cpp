// FILES and KILL over folders of 10,000 and 100,000 files, against `ls` of the
// same folder in the same run. The time per file should stay flat from one
// size to the other (no quadratic step).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "bench/bench_screen.h"
#include "runtime/core/core.h"
#include "runtime/os/os.h"
#include "runtime/platform/spawn.h"
#include "runtime/strings/strings.h"

namespace {

// One folder of n files named f0000001.tmp ... per size, made once and
// removed when the benchmark program ends.
struct bench_folders {
  std::map<int64_t, std::string> made;
  ~bench_folders() {
    std::error_code ignored;
    for (const auto& [n, folder] : made) std::filesystem::remove_all(folder, ignored);
  }
};
bench_folders folders;

void fill(const std::string& folder, int64_t n) {
  char name[32];
  for (int64_t i = 0; i < n; ++i) {
    std::snprintf(name, sizeof name, "/f%07lld.tmp", static_cast<long long>(i));
    const int fd = open((folder + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) close(fd);
  }
}

const std::string& folder_of(int64_t n) {
  auto found = folders.made.find(n);
  if (found != folders.made.end()) return found->second;
  char name[] = "/tmp/quintaro_bench_XXXXXX";
  if (!mkdtemp(name)) std::abort();
  fill(name, n);
  return folders.made[n] = name;
}

void prepare_screen() {
  bench_start_up_screen();
  error_report.pending.store(0);
}

void BM_FilesListing(benchmark::State& state) {
  const std::string pattern = folder_of(state.range(0)) + "/*";
  prepare_screen();
  for (auto _ : state) {
    const uint32_t mark = str_temp_mark();
    files_list(str_from_text(pattern.data(), static_cast<uint32_t>(pattern.size())), 1);
    str_cleanup(mark);
  }
  if (error_report.pending.exchange(0) != 0) state.SkipWithError("FILES raised an error");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LsListing(benchmark::State& state) {
  const std::string folder = folder_of(state.range(0));
  for (auto _ : state) {
    const int pid = child_start({"ls", folder}, child_streams::null_device);
    if (child_wait(pid) != 0) state.SkipWithError("ls failed");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_KillAll(benchmark::State& state) {
  char name[] = "/tmp/quintaro_bench_XXXXXX";
  if (!mkdtemp(name)) std::abort();
  const std::string folder = name, pattern = folder + "/*.tmp";
  prepare_screen();
  for (auto _ : state) {
    state.PauseTiming();
    fill(folder, state.range(0));
    const uint32_t mark = str_temp_mark();
    str_desc* arg = str_from_text(pattern.data(), static_cast<uint32_t>(pattern.size()));
    state.ResumeTiming();
    if (kill_files(arg) != state.range(0)) state.SkipWithError("KILL missed files");
    str_cleanup(mark);
  }
  rmdir(name);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_FilesListing)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LsListing)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KillAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

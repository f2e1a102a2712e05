// The file statements against the plain calls of the C library and the system
// on the same bytes, measured in the same run: PRINT # of short lines against
// fwrite, INPUT # of comma-separated fields against an unlocked getc loop
// that builds each field into a string, and PUT and
// GET of 128-byte records against pwrite and pread.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/os/detail/file_records.h"
#include "runtime/os/os.h"
#include "runtime/strings/strings.h"

namespace {

constexpr int line_count = 1000000;
constexpr int field_count = 1000000;
constexpr int record_count = 1000000;
constexpr int64_t record_size = 128;

std::string bench_path(const char* name) { return std::string("/tmp/quintaro_files_bench_") + name; }

void start_files() {
  if (!data_segment.empty_string) strings_init();
  error_report.pending.store(0);
  file_table_reset();
}

str_desc* name_of(const std::string& path) { return str_from_text(path.data(), static_cast<uint32_t>(path.size())); }

// The lines both writers write: "item <n>", PRINT # adds CR LF.
const std::vector<std::string>& short_lines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> v;
    for (int i = 0; i < 1000; ++i) v.push_back("item " + std::to_string(i * 7919 % 100000));
    return v;
  }();
  return lines;
}

void BM_PrintToFileLines(benchmark::State& state) {
  start_files();
  const std::string path = bench_path("print");
  std::vector<str_desc*> texts;
  for (const std::string& l : short_lines()) texts.push_back(str_from_text(l.data(), static_cast<uint32_t>(l.size())));
  for (auto _ : state) {
    file_open(name_of(path), 4, 0, 0, 1, 0, 0);
    for (int i = 0; i < line_count; ++i) print_to_file(1, texts[static_cast<size_t>(i % 1000)], 0, 0, 1);
    file_close(1, 1);
  }
  if (error_report.pending.load() != 0) state.SkipWithError("PRINT # failed");
  state.SetItemsProcessed(state.iterations() * line_count);
  unlink(path.c_str());
}
BENCHMARK(BM_PrintToFileLines)->Unit(benchmark::kMillisecond);

void BM_FwriteLines(benchmark::State& state) {
  const std::string path = bench_path("fwrite");
  std::vector<std::string> lines;
  for (const std::string& l : short_lines()) lines.push_back(l + "\r\n");
  for (auto _ : state) {
    FILE* f = std::fopen(path.c_str(), "wb");
    for (int i = 0; i < line_count; ++i) {
      const std::string& l = lines[static_cast<size_t>(i % 1000)];
      std::fwrite(l.data(), 1, l.size(), f);
    }
    std::fclose(f);
  }
  state.SetItemsProcessed(state.iterations() * line_count);
  unlink(path.c_str());
}
BENCHMARK(BM_FwriteLines)->Unit(benchmark::kMillisecond);

// 1,000,000 fields of one to six characters, ten to a line.
std::string fields_file() {
  const std::string path = bench_path("fields");
  FILE* f = std::fopen(path.c_str(), "wb");
  for (int i = 0; i < field_count; ++i) {
    const std::string field = std::to_string(int64_t{i} * 7919 % 1000000);
    std::fputs(field.c_str(), f);
    std::fputs(i % 10 == 9 ? "\r\n" : ",", f);
  }
  std::fclose(f);
  return path;
}

void BM_InputFieldsFromFile(benchmark::State& state) {
  start_files();
  const std::string path = fields_file();
  str_desc* variable = str_new(0, false);
  for (auto _ : state) {
    file_open(name_of(path), 3, 0, 0, 1, 0, 0);
    for (int i = 0; i < field_count; ++i) input_string_from_file(1, variable);
    file_close(1, 1);
  }
  if (error_report.pending.load() != 0) state.SkipWithError("INPUT # failed");
  state.SetItemsProcessed(state.iterations() * field_count);
  unlink(path.c_str());
}
BENCHMARK(BM_InputFieldsFromFile)->Unit(benchmark::kMillisecond);

// The same work as INPUT # of a string, written as plainly as C++ allows:
// unlocked getc, leading spaces passed over, each field built into a string
// up to a comma or line end (a CR LF taken as one end), trailing spaces
// dropped, then stored in the variable.
void BM_GetcFields(benchmark::State& state) {
  const std::string path = fields_file();
  std::string field, variable;
  field.reserve(64);
  size_t total = 0;
  for (auto _ : state) {
    FILE* f = std::fopen(path.c_str(), "rb");
    for (int i = 0; i < field_count; ++i) {
      field.clear();
      int c = getc_unlocked(f);
      while (c == ' ' || c == '\t') c = getc_unlocked(f);
      for (; c != EOF && c != ',' && c != '\r' && c != '\n'; c = getc_unlocked(f)) field.push_back(static_cast<char>(c));
      while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.pop_back();
      if (c == '\r' || c == '\n') {
        const int next = getc_unlocked(f);
        if (!((c == '\r' && next == '\n') || (c == '\n' && next == '\r')) && next != EOF) ungetc(next, f);
      }
      variable.assign(field);
      total += variable.size();
    }
    std::fclose(f);
  }
  benchmark::DoNotOptimize(total);
  state.SetItemsProcessed(state.iterations() * field_count);
  unlink(path.c_str());
}
BENCHMARK(BM_GetcFields)->Unit(benchmark::kMillisecond);

void BM_PutGetRecords(benchmark::State& state) {
  start_files();
  const std::string path = bench_path("records");
  uint8_t record[record_size];
  for (int64_t i = 0; i < record_size; ++i) record[i] = static_cast<uint8_t>(i);
  int64_t sum = 0;
  for (auto _ : state) {
    file_open(name_of(path), 1, 0, 0, 1, record_size, 1);
    for (int i = 1; i <= record_count; ++i) put_bytes(1, i, 1, record, record_size);
    for (int i = 1; i <= record_count; ++i) {
      get_bytes(1, i, 1, record, record_size);
      sum += record[i % record_size];
    }
    file_close(1, 1);
    unlink(path.c_str());
  }
  benchmark::DoNotOptimize(sum);
  if (error_report.pending.load() != 0) state.SkipWithError("PUT or GET failed");
  state.SetItemsProcessed(state.iterations() * record_count * 2);
}
BENCHMARK(BM_PutGetRecords)->Unit(benchmark::kMillisecond);

void BM_PwritePreadRecords(benchmark::State& state) {
  const std::string path = bench_path("records_plain");
  uint8_t record[record_size];
  for (int64_t i = 0; i < record_size; ++i) record[i] = static_cast<uint8_t>(i);
  int64_t sum = 0;
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    for (int i = 0; i < record_count; ++i)
      if (pwrite(fd, record, record_size, static_cast<off_t>(i) * record_size) != record_size) state.SkipWithError("pwrite");
    for (int i = 0; i < record_count; ++i) {
      if (pread(fd, record, record_size, static_cast<off_t>(i) * record_size) != record_size) state.SkipWithError("pread");
      sum += record[(i + 1) % record_size];
    }
    close(fd);
    unlink(path.c_str());
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * record_count * 2);
}
BENCHMARK(BM_PwritePreadRecords)->Unit(benchmark::kMillisecond);

}  // namespace

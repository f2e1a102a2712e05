#pragma once
// Shared by the fuzz targets: the string engine started once, a clean error
// state for every input, and checks that abort (the fuzzer reports an abort as
// a crash and keeps the input).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/strings/strings.h"

#define FUZZ_CHECK(condition)                                                                 \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);   \
      std::abort();                                                                           \
    }                                                                                         \
  } while (0)

inline void fuzz_begin() {
  static const bool started = [] {
    strings_init();
    return true;
  }();
  (void)started;
  error_report.pending.store(0);
  run_flags.event_pending.store(0);
}

// The statement's end: every temporary released, nothing left on string_heap.temps.
inline void fuzz_end(uint32_t mark) {
  str_cleanup(mark);
  FUZZ_CHECK(string_heap.temps.count == mark);
  error_report.pending.store(0);
  run_flags.event_pending.store(0);
}

// Reads little-endian bytes from the input, zeros past its end.
struct fuzz_reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;

  uint64_t take(size_t bytes) {
    uint64_t v = 0;
    for (size_t i = 0; i < bytes; ++i, ++at)
      if (at < size) v |= uint64_t{data[at]} << (8 * i);
    return v;
  }
  const uint8_t* rest() const { return data + (at < size ? at : size); }
  size_t rest_size() const { return at < size ? size - at : 0; }
};

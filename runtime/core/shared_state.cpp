#include "runtime/core/core.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>

#include "runtime/core/file_flush.h"
#include "runtime/core/shared_memory.h"
#include "runtime/platform/platform.h"

run_flags_record run_flags;
error_report_record error_report;
window_facts_record window_facts;

void error_report_reset() {
  error_report.pending.store(0);
  error_report.line = 0;
  error_report.sub_line = 0;
  error_report.sub_name = nullptr;
}

void run_flags_reset() {
  run_flags.event_pending.store(0);
  error_report_reset();
  run_flags.stop_request.store(0);
  run_flags.shutdown_started.store(0);
  run_flags.paused.store(0);
  run_flags.exit_request.store(0);
  run_flags.exit_trap_enabled.store(0);
  run_flags.stopped_threads.store(0);
  run_flags.exit_status.store(0);
}

namespace {
std::atomic<uint32_t> program_wake_count{0};
}  // namespace

uint32_t program_wakes() { return program_wake_count.load(); }

flush_handover_record flush_handover;

void ask_file_flush() {
  if (flush_handover.flusher_running.load() == 0) return;
  flush_handover.asked.store(1);
  flush_handover.wakes.fetch_add(1);
  wake_word_waiters(flush_handover.wakes);
  const int64_t deadline = ms_counter() + 1000;
  while (flush_handover.asked.load() != 0) {
    const int64_t left = deadline - ms_counter();
    if (left <= 0) return;
    wait_on_word(flush_handover.asked, 1, static_cast<int32_t>(left));
  }
}

void program_wait(uint32_t seen, int32_t timeout_ms) { wait_on_word(program_wake_count, seen, timeout_ms); }

void program_wake() {
  program_wake_count.fetch_add(1);
  wake_word_waiters(program_wake_count);
}

void report_thread_stopped(int32_t bit) {
  run_flags.stopped_threads.fetch_or(static_cast<uint32_t>(bit));
  wake_word_waiters(run_flags.stopped_threads);
}

bool await_threads_stopped(uint32_t mask, int32_t timeout_ms) {
  const int64_t deadline = ms_counter() + timeout_ms;
  for (;;) {
    const uint32_t seen = run_flags.stopped_threads.load();
    if ((seen & mask) == mask) return true;
    const int64_t left = deadline - ms_counter();
    if (left <= 0) return false;
    wait_on_word(run_flags.stopped_threads, seen, static_cast<int32_t>(left));
  }
}

void stop_program_thread() {
  report_thread_stopped(1);
  // The main loop ends the process; until then the thread sleeps without waking.
  for (;;) {
    const uint32_t seen = program_wakes();
    program_wait(seen, -1);
  }
}

int32_t close_query() {
  run_flags.exit_trap_enabled.store(1);
  return run_flags.exit_request.exchange(0);
}

device_table_record device_table;

// The frame builder's reads of whole images: kept out of line, where the
// compiler lays out their loops alone. Whole 16-byte blocks go through
// shared_get16 where the shared side is aligned for it, the ends byte by byte.

namespace {

// Bytes before the first 16-byte boundary of p, at most n.
size_t head_bytes(const uint8_t* p, size_t n) {
  return std::min(n, static_cast<size_t>(-reinterpret_cast<uintptr_t>(p) & 15));
}

}  // namespace

void shared_get_bytes(uint8_t* dst, const uint8_t* src, size_t n) {
  size_t i = 0;
#ifdef QUINTARO_SHARED_GET16
  for (const size_t head = head_bytes(src, n); i < head; ++i) dst[i] = shared_get(src[i]);
  for (; i + 64 <= n; i += 64) {
    const __m128i a = shared_get16(src + i), b = shared_get16(src + i + 16);
    const __m128i c = shared_get16(src + i + 32), d = shared_get16(src + i + 48);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 16), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 32), c);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 48), d);
  }
  for (; i + 16 <= n; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), shared_get16(src + i));
#else
  if ((reinterpret_cast<uintptr_t>(src) & 7) == 0) {
    for (; i + 8 <= n; i += 8) {
      const uint64_t word = shared_get(*reinterpret_cast<const uint64_t*>(src + i));
      std::memcpy(dst + i, &word, 8);
    }
  }
#endif
  for (; i < n; ++i) dst[i] = shared_get(src[i]);
}

#ifdef QUINTARO_SHARED_GET16
namespace {

// The comparison in 32-byte loads, for processors with AVX2. A comparison,
// unlike a copy, needs no load to be one access: a load that sees some bytes
// before a store and some after it sees a state the memory could have had at
// either moment for this question, and the store's write mark makes the
// builder compare again anyway. Returns the bytes compared equal (a multiple
// of 128 from the 32-byte boundary at shared), or SIZE_MAX at a difference.
__attribute__((target("avx2"))) size_t equal_prefix_avx2(const uint8_t* shared, const uint8_t* mine, size_t n) {
  size_t i = 0;
  const auto diff = [shared, mine](size_t at) __attribute__((target("avx2"))) {
    __m256i v;
    asm volatile("vmovdqa %1, %0" : "=x"(v) : "m"(*reinterpret_cast<const __m256i*>(shared + at)));
    return _mm256_xor_si256(v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mine + at)));
  };
  for (; i + 128 <= n; i += 128) {
    const __m256i any = _mm256_or_si256(_mm256_or_si256(diff(i), diff(i + 32)), _mm256_or_si256(diff(i + 64), diff(i + 96)));
    if (!_mm256_testz_si256(any, any)) return SIZE_MAX;
  }
  return i;
}

bool avx2_available() {
  static const bool available = [] {
    __builtin_cpu_init();  // may run before the constructors that would have done it
    return __builtin_cpu_supports("avx2");
  }();
  return available;
}

}  // namespace
#endif

bool shared_bytes_equal(const uint8_t* shared, const uint8_t* mine, size_t n) {
  size_t i = 0;
#ifdef QUINTARO_SHARED_GET16
  if (avx2_available()) {
    for (const size_t head = std::min(n, static_cast<size_t>(-reinterpret_cast<uintptr_t>(shared) & 31)); i < head; ++i)
      if (shared_get(shared[i]) != mine[i]) return false;
    const size_t equal = equal_prefix_avx2(shared + i, mine + i, n - i);
    if (equal == SIZE_MAX) return false;
    i += equal;
  }
  for (const size_t head = head_bytes(shared, n); i < head; ++i)
    if (shared_get(shared[i]) != mine[i]) return false;
  // 64 bytes a step, the differences gathered and looked at once per step.
  const auto diff = [shared, mine](size_t at) {
    return _mm_xor_si128(shared_get16(shared + at), _mm_loadu_si128(reinterpret_cast<const __m128i*>(mine + at)));
  };
  for (; i + 64 <= n; i += 64) {
    const __m128i any = _mm_or_si128(_mm_or_si128(diff(i), diff(i + 16)), _mm_or_si128(diff(i + 32), diff(i + 48)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF) return false;
  }
  for (; i + 16 <= n; i += 16)
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(diff(i), _mm_setzero_si128())) != 0xFFFF) return false;
#else
  if ((reinterpret_cast<uintptr_t>(shared) & 7) == 0) {
    for (; i + 8 <= n; i += 8) {
      uint64_t m;
      std::memcpy(&m, mine + i, 8);
      if (shared_get(*reinterpret_cast<const uint64_t*>(shared + i)) != m) return false;
    }
  }
#endif
  for (; i < n; ++i)
    if (shared_get(shared[i]) != mine[i]) return false;
  return true;
}

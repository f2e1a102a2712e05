#include "runtime/os/detail/file_records.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "runtime/core/file_flush.h"
#include "runtime/os/detail/field_bindings.h"
#include "runtime/os/detail/file_errors.h"
#include "runtime/platform/platform.h"

namespace {

// Numbers below this limit sit in a plain array that grows to the highest
// number tested; the rare numbers above it (they go up to 2^31 - 1) go into a
// map, so a program using #2000000000 costs one entry, not two billion slots.
constexpr int32_t dense_number_limit = 65536;

// The handshake between statements and the threads that write buffers out
// from outside them (the flusher, the exit path): a statement sets busy,
// fences, then reads holder; the other side takes holder, fences, then reads
// busy. One of them sees the other's flag, so they never touch the buffers at
// the same time. A statement that meets the flusher waits for it to finish;
// one that meets the exit path sleeps until the process ends.
std::atomic<int32_t> files_busy{0};
std::atomic<uint32_t> files_holder{holder_none};
thread_local int32_t guard_depth = 0;

void enter_files() {
  for (;;) {
    files_busy.store(1, std::memory_order_relaxed);
    light_fence();
    const uint32_t holder = files_holder.load(std::memory_order_acquire);
    if (holder == holder_none) return;
    files_busy.store(0, std::memory_order_release);
    if (holder == holder_exit)
      for (;;) platform_sleep(1000);  // the process is ending
    wait_on_word(files_holder, holder, 100);
  }
}

// Takes holder from none to who, waiting up to timeout_ms while the other
// outside thread has it; false on time-out.
bool take_holder(uint32_t who, int32_t timeout_ms) {
  const int64_t deadline = ms_counter() + timeout_ms;
  for (;;) {
    uint32_t expected = holder_none;
    if (files_holder.compare_exchange_strong(expected, who) || expected == who) return true;
    if (ms_counter() >= deadline) return false;
    wait_on_word(files_holder, expected, 10);
  }
}

std::vector<int32_t> number_slots{-1};  // slot 0 unused; -1 = free
std::unordered_map<int32_t, int32_t> far_numbers;
std::vector<int32_t> free_records;       // reused last-freed-first
uint64_t serial_counter = 0;

int32_t& slot_of(int32_t n) {
  if (n < dense_number_limit) {
    if (static_cast<size_t>(n) >= number_slots.size()) number_slots.resize(static_cast<size_t>(n) + 1, -1);
    return number_slots[static_cast<size_t>(n)];
  }
  return far_numbers.try_emplace(n, -1).first->second;
}

int32_t index_at(int32_t n) {
  if (n < dense_number_limit)
    return static_cast<size_t>(n) < number_slots.size() ? number_slots[static_cast<size_t>(n)] : -1;
  const auto it = far_numbers.find(n);
  return it == far_numbers.end() ? -1 : it->second;
}

}  // namespace

file_table_record file_table;
unflushed_bytes_record unflushed_bytes;

namespace {

void answer_flush_asked() {
  if (flush_handover.asked.load() == 0) return;
  flush_handover.asked.store(0);
  wake_word_waiters(flush_handover.asked);
}

}  // namespace

void start_flush_clock() {
  unflushed_bytes.since.store(std::max<int64_t>(ms_counter(), 1), std::memory_order_release);
  flush_handover.wakes.fetch_add(1, std::memory_order_release);
  wake_word_waiters(flush_handover.wakes);
}

int32_t file_write_back(file_record* r) {
  if (r->dirty_to <= r->dirty_from) return byte_ok;
  const uint32_t from = r->dirty_from, to = r->dirty_to;
  r->dirty_from = r->dirty_to = 0;
  size_t done = 0;
  const int e = platform_write_at(r->file.fd, r->io_start + from, r->io + from, to - from, &done);
  if (e != 0) {
    r->io_valid = 0;
    return byte_result_of(e);
  }
  return byte_ok;
}

void write_out_buffers() {
  unflushed_bytes.flush_wanted.store(0, std::memory_order_relaxed);
  if (unflushed_bytes.since.load(std::memory_order_relaxed) != 0) {
    for (file_record* r : file_table.records) {
      if (!r->open || r->device != device_disk) continue;
      const int32_t e = file_write_back(r);
      if (e != byte_ok && r->deferred_error == byte_ok) r->deferred_error = e;
    }
    unflushed_bytes.since.store(0, std::memory_order_relaxed);
  }
  answer_flush_asked();
}

void unflushed_bytes_reset() {
  unflushed_bytes.flush_wanted.store(0, std::memory_order_relaxed);
  unflushed_bytes.since.store(0, std::memory_order_relaxed);
}

files_guard::files_guard() {
  if (guard_depth++ == 0) enter_files();
}

files_guard::~files_guard() {
  if (guard_depth > 1) {
    --guard_depth;
    return;
  }
  // The flusher found this thread inside a statement when bytes were due:
  // they go out here, before the next statement can add to them.
  if (unflushed_bytes.flush_wanted.load(std::memory_order_relaxed) != 0) write_out_buffers();
  guard_depth = 0;
  files_busy.store(0, std::memory_order_release);
}

files_wait_section::files_wait_section() {
  if (guard_depth > 0) {
    // Bytes written so far reach the system before the wait.
    if (unflushed_bytes.since.load(std::memory_order_relaxed) != 0) write_out_buffers();
    files_busy.store(0, std::memory_order_release);
  }
}

files_wait_section::~files_wait_section() {
  if (guard_depth > 0) enter_files();
}

bool files_hold_from_outside() {
  if (!take_holder(holder_flusher, 0)) return false;
  heavy_fence();
  if (files_busy.load(std::memory_order_acquire) == 0) return true;
  files_release_from_outside();
  return false;
}

void files_release_from_outside() {
  files_holder.store(holder_none, std::memory_order_release);
  wake_word_waiters(files_holder);
}

bool files_quiesce(int32_t timeout_ms) {
  if (guard_depth > 0) {
    // Inside a statement (a fatal error): the flusher cannot be writing, only
    // about to step back.
    take_holder(holder_exit, 1000);
    return true;
  }
  if (!take_holder(holder_exit, timeout_ms)) return false;
  heavy_fence();
  for (int32_t waited = 0; files_busy.load(std::memory_order_acquire) != 0; ++waited) {
    if (waited >= timeout_ms) return false;
    platform_sleep(1);
  }
  return true;
}

int32_t file_number_state(int32_t n) {
  if (n < 1) return -2;
  if (n < dense_number_limit && static_cast<size_t>(n) >= number_slots.size())
    number_slots.resize(static_cast<size_t>(n) + 1, -1);
  return index_at(n) >= 0 ? 1 : 0;
}

file_record* record_of_slow(int32_t n) {
  if (n < 1) return nullptr;
  const int32_t i = index_at(n);
  if (i < 0) return nullptr;
  file_table.found_number = n;
  file_table.found_record = file_table.records[static_cast<size_t>(i)];
  return file_table.found_record;
}

int32_t free_file_number() {
  for (size_t n = 1; n < number_slots.size(); ++n)
    if (number_slots[n] < 0) return static_cast<int32_t>(n);
  int32_t n = static_cast<int32_t>(number_slots.size());
  while (n < INT32_MAX && index_at(n) >= 0) ++n;
  return n;
}

file_record* take_record() {
  int32_t index;
  if (!free_records.empty()) {
    index = free_records.back();
    free_records.pop_back();
  } else {
    file_table.records.push_back(new file_record);
    index = static_cast<int32_t>(file_table.records.size() - 1);
  }
  file_record* r = file_table.records[static_cast<size_t>(index)];
  *r = file_record{};
  r->open_serial = ++serial_counter;
  r->record_index = index;
  return r;
}

void bind_record(file_record* r, int32_t number) {
  file_table.found_number = 0;
  slot_of(number) = r->record_index;
  r->open = 1;
  r->file_number = number;
}

void release_record(file_record* r) {
  file_table.found_number = 0;
  const bool was_taken = r->open_serial != 0;
  if (r->open && r->file_number > 0) {
    if (r->file_number < dense_number_limit)
      slot_of(r->file_number) = -1;
    else
      far_numbers.erase(r->file_number);
  }
  std::free(r->record_buffer);
  std::free(r->io);
  r->record_buffer = nullptr;
  r->io = nullptr;
  r->open = 0;
  r->file_number = 0;
  r->open_serial = 0;
  if (was_taken) free_records.push_back(r->record_index);
}

void update_shared_files() {
  for (file_record* a : file_table.records) {
    if (!a->open || a->device != device_disk) continue;
    a->shares_file = 0;
    for (file_record* b : file_table.records)
      if (b != a && b->open && b->device == device_disk && b->file_id_device == a->file_id_device &&
          b->file_id_inode == a->file_id_inode)
        a->shares_file = 1;
  }
}

void file_table_reset() {
  // The flusher stays out while the records go.
  take_holder(holder_exit, 5000);
  file_table.found_number = 0;
  file_table.found_record = nullptr;
  for (file_record* r : file_table.records) {
    unbind_fields(r);
    if (r->open && r->device == device_disk) platform_close_file(&r->file);
    if (r->open && r->device == device_serial) serial_close(r->file.fd);
    std::free(r->record_buffer);
    std::free(r->io);
    delete r;
  }
  file_table.records.clear();
  free_records.clear();
  number_slots.assign(1, -1);
  far_numbers.clear();
  unflushed_bytes_reset();
  files_release_from_outside();
}

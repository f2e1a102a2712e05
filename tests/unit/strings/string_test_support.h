#pragma once
// Helpers shared by the string tests: contents as std::string, and a check of
// the engine's invariants over its global state.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"

inline std::string text_of(const str_desc* s) {
  return s->len > 0 ? std::string(reinterpret_cast<const char*>(s->chars), static_cast<size_t>(s->len))
                    : std::string();
}

// Fills a new temporary heap string with text.
inline str_desc* temp_text(const std::string& text) {
  str_desc* s = str_new(static_cast<uint32_t>(text.size()), true);
  if (!text.empty()) std::memcpy(s->chars, text.data(), text.size());
  return s;
}

// Engine invariants; an empty result means they all hold.
inline std::string engine_invariant_failure() {
  std::set<const str_desc*> listed;

  // string_heap.list: address order, inside the heap, below string_heap.used.
  size_t previous_end = 0;
  for (uint32_t i = 0; i < string_heap.list.count; ++i) {
    const str_desc* s = string_heap.list.slots[i];
    if (s == list_hole) continue;
    if (!listed.insert(s).second) return "heap string listed twice";
    if (s->list_index != static_cast<int32_t>(i)) return "heap list_index " + std::to_string(i);
    if (s->in_segment || s->fixed || s->read_only) return "wrong kind on string_heap.list";
    if (s->chars < string_heap.bytes) return "heap string below the heap";
    const size_t start = static_cast<size_t>(s->chars - string_heap.bytes);
    if (start < previous_end) return "string_heap.list out of address order at " + std::to_string(i);
    previous_end = start + static_cast<size_t>(s->len);
    if (previous_end > string_heap.size) return "heap string past string_heap.size";
  }
  if (previous_end > string_heap.used) return "string_heap.used below the last string's end";
  if (string_heap.used > string_heap.size) return "string_heap.used above string_heap.size";

  // data_segment.list: the same inside the data segment; records match.
  size_t segment_end = segment_strings_start;
  for (uint32_t i = 0; i < data_segment.list.count; ++i) {
    const str_desc* s = data_segment.list.slots[i];
    if (s == list_hole) continue;
    if (!listed.insert(s).second) return "segment string listed twice";
    if (s->list_index != static_cast<int32_t>(i)) return "segment list_index " + std::to_string(i);
    if (!s->in_segment || s->fixed || s->read_only) return "wrong kind on data_segment.list";
    const size_t start = static_cast<size_t>(s->chars - data_segment.bytes);
    if (start < segment_end) return "data_segment.list out of address order at " + std::to_string(i);
    segment_end = start + static_cast<size_t>(s->len);
  }
  if (segment_end > data_segment.used) return "data_segment.used below the last string's end";
  if (data_segment.used > data_segment.stack_top) return "in-segment strings meet the records";

  // string_heap.temps: sentinel, slots name their strings, no hole below the count.
  if (string_heap.temps.count < 1 || string_heap.temps.slots[0] != nullptr) return "string_heap.temps sentinel";
  if (string_heap.temps.count > 1 && string_heap.temps.slots[string_heap.temps.count - 1] == list_hole) return "hole at the top of string_heap.temps";
  std::set<const str_desc*> temps;
  for (uint32_t i = 1; i < string_heap.temps.count; ++i) {
    const str_desc* s = string_heap.temps.slots[i];
    if (s == list_hole) continue;
    if (!temps.insert(s).second) return "temporary listed twice";
    if (!s->temporary || s->temp_index != static_cast<int32_t>(i)) return "temp slot " + std::to_string(i);
  }

  // Released descriptors are on no list.
  for (uint32_t i = 0; i < string_heap.descriptors.free_count; ++i) {
    const str_desc* s = string_heap.descriptors.free_stack[i];
    if (listed.count(s) || temps.count(s)) return "released descriptor still listed";
  }
  return "";
}

// The 4-byte record of s as programs reading the emulated memory see it.
inline bool segment_record_matches(const str_desc* s) {
  const uint8_t* r = data_segment.bytes + s->segment_record_offset;
  if (r != s->segment_record) return false;
  const uint32_t length = r[0] | (r[1] << 8);
  const uint32_t offset = r[2] | (r[3] << 8);
  return length == (static_cast<uint32_t>(s->len) & 0xFFFF) &&
         offset == static_cast<uint32_t>(s->chars - data_segment.bytes);
}

// Each test starts the engine over with the given sizes.
class string_engine_test : public ::testing::Test {
 protected:
  void SetUp() override { strings_init_sized(string_engine_sizes{}); }
};

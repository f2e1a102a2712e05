#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/core.h"

string_heap_record string_heap;
data_segment_record data_segment;

namespace {

// Every descriptor block ever allocated; blocks are released only when the
// engine is started over.
std::vector<str_desc*> desc_blocks;

constexpr uint32_t max_string_length = INT32_MAX;

// The fatal kinds 508-515 end the process inside raise_error.
[[noreturn]] void string_failure(int32_t kind) {
  raise_error(kind);
  std::abort();
}

void check_length(uint64_t length, int32_t kind) {
  if (length > max_string_length) string_failure(kind);
}

// --- descriptor store ---

str_desc* desc_take() {
  if (string_heap.descriptors.free_count > 0) {
    str_desc* d = string_heap.descriptors.free_stack[--string_heap.descriptors.free_count];
    *d = str_desc{};
    return d;
  }
  if (string_heap.descriptors.block == nullptr || string_heap.descriptors.block_used == desc_block_records) {
    auto* block = static_cast<str_desc*>(std::calloc(desc_block_records, sizeof(str_desc)));
    if (!block) string_failure(err_descriptor_stack_growth);
    desc_blocks.push_back(block);
    string_heap.descriptors.block = block;
    string_heap.descriptors.block_used = 0;
  }
  return &string_heap.descriptors.block[string_heap.descriptors.block_used++];
}

void desc_release(str_desc* d) {
  if (string_heap.descriptors.free_count == string_heap.descriptors.free_capacity) {
    if (string_heap.descriptors.free_capacity > UINT32_MAX / 2) string_failure(err_descriptor_stack_growth);
    const uint32_t capacity = string_heap.descriptors.free_capacity * 2;
    void* grown = std::realloc(string_heap.descriptors.free_stack, sizeof(str_desc*) * capacity);
    if (!grown) string_failure(err_descriptor_stack_growth);
    string_heap.descriptors.free_stack = static_cast<str_desc**>(grown);
    string_heap.descriptors.free_capacity = capacity;
  }
  string_heap.descriptors.free_stack[string_heap.descriptors.free_count++] = d;
}

// --- lists ---

str_desc** list_alloc(uint32_t capacity, int32_t kind) {
  auto* slots = static_cast<str_desc**>(std::calloc(size_t{capacity} + 1, sizeof(str_desc*)));
  if (!slots) string_failure(kind);
  return slots;
}

int32_t list_failure_kind(const str_list& list) { return &list == &string_heap.list ? err_heap_list_growth : err_segment_list_growth; }

// Appends s to string_heap.list or data_segment.list, packing the list when it is full.
void list_append(str_list& list, str_desc* s) {
  if (list.count > list.capacity) list_pack(list);
  list.slots[list.count] = s;
  s->list_index = static_cast<int32_t>(list.count);
  ++list.count;
}

void temp_append(str_desc* s) {
  if (string_heap.temps.count > string_heap.temps.capacity) {
    if (string_heap.temps.capacity > (UINT32_MAX - 1) / 2) string_failure(err_temp_list_growth);
    const uint32_t capacity = string_heap.temps.capacity * 2;
    void* grown = std::realloc(string_heap.temps.slots, sizeof(str_desc*) * (size_t{capacity} + 1));
    if (!grown) string_failure(err_temp_list_growth);
    string_heap.temps.slots = static_cast<str_desc**>(grown);
    string_heap.temps.capacity = capacity;
  }
  string_heap.temps.slots[string_heap.temps.count] = s;
  s->temp_index = static_cast<int32_t>(string_heap.temps.count);
  ++string_heap.temps.count;
  s->temporary = 1;
}

// Releases a string_heap.temps slot and drops the holes at the top of the list (the
// sentinel in slot 0 stops this), so the slot below the count is never a hole.
void temp_release_slot(int32_t index) {
  string_heap.temps.slots[index] = list_hole;
  while (string_heap.temps.slots[string_heap.temps.count - 1] == list_hole) --string_heap.temps.count;
}

// --- data segment records ---

void write_segment_record(const str_desc* s) {
  const uint32_t length = static_cast<uint32_t>(s->len);
  const uint32_t offset = static_cast<uint32_t>(s->chars - data_segment.bytes);
  uint8_t* r = s->segment_record;
  r[0] = static_cast<uint8_t>(length);
  r[1] = static_cast<uint8_t>(length >> 8);
  r[2] = static_cast<uint8_t>(offset);
  r[3] = static_cast<uint8_t>(offset >> 8);
}

// Takes a 4-byte record off the stack for s; kind is the error when the record
// would meet the in-segment strings.
void give_segment_record(str_desc* s, int32_t kind) {
  if (data_segment.stack_top < data_segment.used + 4) string_failure(kind);
  data_segment.stack_top -= 4;
  s->segment_record = data_segment.bytes + data_segment.stack_top;
  s->segment_record_offset = static_cast<uint16_t>(data_segment.stack_top);
  write_segment_record(s);
}

// Gives s (an existing descriptor) length bytes at the end of the heap, followed
// by the spare bytes, and a string_heap.list slot.
void heap_place(str_desc* s, uint32_t length) {
  const size_t need = size_t{length} + heap_spare_bytes;
  if (string_heap.used + need > string_heap.size) heap_compact(need);
  s->len = static_cast<int32_t>(length);
  s->chars = string_heap.bytes + string_heap.used;
  string_heap.used += need;
  list_append(string_heap.list, s);
}

}  // namespace

void string_heap_reset() {
  for (str_desc* block : desc_blocks) std::free(block);
  desc_blocks.clear();
  std::free(string_heap.descriptors.free_stack);
  std::free(string_heap.bytes);
  std::free(string_heap.list.slots);
  std::free(string_heap.temps.slots);
  string_heap = string_heap_record{};
}

void data_segment_reset() {
  std::free(data_segment.list.slots);
  data_segment = data_segment_record{};
}

void strings_init_sized(const string_engine_sizes& sizes) {
  string_heap_reset();
  data_segment_reset();

  string_heap.descriptors.free_capacity = std::max<uint32_t>(sizes.free_stack_capacity, 1);
  string_heap.descriptors.free_stack = static_cast<str_desc**>(std::malloc(sizeof(str_desc*) * string_heap.descriptors.free_capacity));
  if (!string_heap.descriptors.free_stack) string_failure(err_descriptor_stack_growth);
  desc_take();  // allocates the first block
  string_heap.descriptors.block_used = 0;

  const uint32_t list_capacity = std::max<uint32_t>(sizes.list_capacity, 1);
  string_heap.list = {list_alloc(list_capacity, err_heap_list_growth), 0, list_capacity};
  data_segment.list = {list_alloc(list_capacity, err_segment_list_growth), 0, list_capacity};
  string_heap.temps = {list_alloc(list_capacity, err_temp_list_growth), 1, list_capacity};  // slot 0: sentinel

  string_heap.size = std::max<size_t>(sizes.heap_size, 1);
  string_heap.used = 0;
  string_heap.bytes = static_cast<uint8_t*>(std::malloc(string_heap.size));
  if (!string_heap.bytes) string_failure(err_string_heap_growth);

  data_segment.bytes = conventional_memory + string_segment_offset;
  std::memset(data_segment.bytes, 0, data_segment_size);
  data_segment.used = segment_strings_start;
  data_segment.stack_top = data_segment_size - segment_startup_reserve;

  data_segment.empty_string = str_new_in_segment(0, false);
  data_segment.space_string = str_new_in_segment(1, false);
  data_segment.space_string->chars[0] = ' ';
}

void strings_init() { strings_init_sized(string_engine_sizes{}); }

const uint8_t* data_segment_bytes(uint32_t offset, uint32_t size) {
  if (!data_segment.bytes || offset > data_segment_size || size > data_segment_size - offset) return nullptr;
  return data_segment.bytes + offset;
}

void data_segment_free(uint32_t* start, uint32_t* end) {
  *start = data_segment.used;
  *end = data_segment.stack_top > data_segment.used ? data_segment.stack_top : data_segment.used;
}

str_desc* str_new(uint32_t length, bool temporary) {
  check_length(length, err_string_heap_growth);
  str_desc* s = desc_take();
  heap_place(s, length);
  if (temporary) temp_append(s);
  return s;
}

str_desc* str_new_in_segment(uint32_t length, bool temporary) {
  check_length(length, err_data_segment_full);
  // A permanent string also needs its record below the strings: compact for
  // both at once, so a segment with garbage in it does not fail for the record.
  const uint64_t record = temporary ? 0 : 4;
  if (uint64_t{data_segment.used} + length + record > data_segment.stack_top) segment_compact(length);
  str_desc* s = desc_take();
  s->len = static_cast<int32_t>(length);
  s->chars = data_segment.bytes + data_segment.used;
  data_segment.used += length;
  s->in_segment = 1;
  list_append(data_segment.list, s);
  if (temporary)
    temp_append(s);
  else
    give_segment_record(s, err_segment_record_collision);
  return s;
}

str_desc* str_from_text(const void* text, uint32_t length) {
  check_length(length, err_string_heap_growth);
  str_desc* s = desc_take();
  s->chars = static_cast<uint8_t*>(const_cast<void*>(text));
  s->len = static_cast<int32_t>(length);
  s->read_only = 1;
  temp_append(s);
  return s;
}

str_desc* str_from_cstr(const char* text) {
  return str_from_text(text, text ? static_cast<uint32_t>(std::strlen(text)) : 0);
}

str_desc* str_over_memory(void* address, uint32_t length, bool temporary) {
  check_length(length, err_fixed_record_collision);
  str_desc* s = desc_take();
  s->chars = static_cast<uint8_t*>(address);
  s->len = static_cast<int32_t>(length);
  s->fixed = 1;
  if (temporary) {
    temp_append(s);
  } else if (s->chars > data_segment.bytes && s->chars < data_segment.bytes + data_segment_size) {
    // A fixed-length variable in the data segment is visible through a record too.
    if (data_segment.stack_top < data_segment.used + 4) segment_compact(0);
    give_segment_record(s, err_fixed_record_collision);
  }
  return s;
}

str_desc* str_make_temporary(str_desc* s) {
  // Listed once only: a second slot would release it twice.
  if (!s->temporary) temp_append(s);
  return s;
}

void str_free(str_desc* s) {
  if (s->field_link) field_detach(s);
  if (s->temp_index != 0) temp_release_slot(s->temp_index);
  if (!s->fixed && !s->read_only) {
    if (s->in_segment) {
      data_segment.list.slots[s->list_index] = list_hole;
      if (static_cast<uint32_t>(s->list_index) + 1 == data_segment.list.count) --data_segment.list.count;
    } else {
      string_heap.list.slots[s->list_index] = list_hole;
      while (string_heap.list.count > 0 && string_heap.list.slots[string_heap.list.count - 1] == list_hole) --string_heap.list.count;
      if (string_heap.list.count > 0) {
        const str_desc* last = string_heap.list.slots[string_heap.list.count - 1];
        const size_t end = static_cast<size_t>(last->chars - string_heap.bytes) + static_cast<size_t>(last->len);
        string_heap.used = std::min(end + heap_spare_bytes, string_heap.size);
      } else {
        string_heap.used = 0;
      }
    }
  }
  desc_release(s);
}

intptr_t str_cleanup(uint32_t keep, intptr_t value) {
  while (string_heap.temps.count > keep) {
    --string_heap.temps.count;
    str_desc* s = string_heap.temps.slots[string_heap.temps.count];
    if (s != list_hole) str_free(s);
  }
  return value;
}

namespace {

// The mark of an area: where its next string's characters go.
size_t area_mark(bool segment) { return segment ? data_segment.used : string_heap.used; }
void set_area_mark(bool segment, size_t mark) {
  if (segment)
    data_segment.used = static_cast<uint32_t>(mark);
  else
    string_heap.used = mark;
}

// The first live string listed after slot index, skipping holes and skip (a
// temporary source about to be released, whose bytes are free to grow into);
// null when none follows.
const str_desc* next_live(const str_list& list, uint32_t index, const str_desc* skip) {
  for (uint32_t next = index + 1; next < list.count; ++next) {
    const str_desc* s = list.slots[next];
    if (s != list_hole && s != skip) return s;
  }
  return nullptr;
}

// Makes d, now length bytes, the last string of its list when nothing live
// follows it: the slots after it (holes, or the source released right after)
// are dropped and the area's mark moves to its end.
void end_area_at(str_desc* d, str_list& list, size_t end) {
  list.count = static_cast<uint32_t>(d->list_index) + 1;
  set_area_mark(d->in_segment != 0, end);
}

// Grows dest to hold src's bytes: in place when the bytes after dest are free,
// otherwise at the end of its area (compacting it first when it is full).
void assign_growing(str_desc* d, str_desc* s) {
  const bool segment = d->in_segment != 0;
  str_list& list = segment ? data_segment.list : string_heap.list;
  uint8_t* base = segment ? data_segment.bytes : string_heap.bytes;
  const size_t region_end = segment ? data_segment.stack_top : string_heap.size;
  const size_t new_end = static_cast<size_t>(d->chars - base) + static_cast<size_t>(s->len);

  const uint32_t index = static_cast<uint32_t>(d->list_index);
  const str_desc* next = next_live(list, index, s->temporary ? s : nullptr);
  if (next && static_cast<size_t>(next->chars - base) >= new_end) {
    std::memmove(d->chars, s->chars, static_cast<size_t>(s->len));
    d->len = s->len;
    return;
  }
  if (!next && new_end <= region_end) {
    // The slots after dest stay listed when dest moves instead, so a
    // compaction still moves the source with the rest.
    end_area_at(d, list, new_end);
    std::memmove(d->chars, s->chars, static_cast<size_t>(s->len));
    d->len = s->len;
    return;
  }

  // Relocate to the end of the area.
  list.slots[index] = list_hole;
  const size_t length = static_cast<size_t>(s->len);
  if (segment) {
    if (data_segment.used + length > data_segment.stack_top) segment_compact(static_cast<uint32_t>(length));
  } else {
    if (string_heap.used + length > string_heap.size) heap_compact(length);
  }
  list_append(list, d);
  d->chars = (segment ? data_segment.bytes + data_segment.used : string_heap.bytes + string_heap.used);
  std::memmove(d->chars, s->chars, length);
  d->len = s->len;
  set_area_mark(segment, area_mark(segment) + length);
}

}  // namespace

str_desc* str_assign(str_desc* d, str_desc* s) {
  if (d == s) return d;  // nothing to copy, and the source must not be released under its own name

  if (d->fixed) {
    const int32_t n = std::min(s->len, d->len);
    if (n > 0) std::memmove(d->chars, s->chars, static_cast<size_t>(n));
    if (d->len > n) std::memset(d->chars + n, ' ', static_cast<size_t>(d->len - n));
  } else {
    if (d->field_link) field_detach(d);  // an assigned string no longer stands for a FIELD piece
    if (d->read_only) {
      // The destination never writes the text it was made over: it becomes an
      // empty heap string with characters of its own.
      d->read_only = 0;
      heap_place(d, 0);
    }
    if (s->temporary && !s->fixed && !s->read_only && s->in_segment == d->in_segment) {
      // Take over the temporary's characters and its list slot.
      str_list& list = d->in_segment ? data_segment.list : string_heap.list;
      list.slots[d->list_index] = list_hole;
      list.slots[s->list_index] = d;
      d->list_index = s->list_index;
      temp_release_slot(s->temp_index);
      d->chars = s->chars;
      d->len = s->len;
      desc_release(s);
      if (d->segment_record) write_segment_record(d);
      return d;
    }
    if (s->len <= d->len) {
      if (s->len > 0) std::memmove(d->chars, s->chars, static_cast<size_t>(s->len));
      d->len = s->len;
    } else {
      assign_growing(d, s);
    }
  }
  if (s->temporary) str_free(s);
  if (d->segment_record) write_segment_record(d);
  return d;
}

str_desc* str_concat(str_desc* a, str_desc* b) {
  if (b->len == 0) return a;
  if (a->len == 0) return b;
  const uint64_t total = uint64_t{static_cast<uint32_t>(a->len)} + static_cast<uint32_t>(b->len);
  check_length(total, err_string_heap_growth);
  str_desc* r = str_new(static_cast<uint32_t>(total), true);  // may move a's and b's characters
  std::memcpy(r->chars, a->chars, static_cast<size_t>(a->len));
  std::memcpy(r->chars + a->len, b->chars, static_cast<size_t>(b->len));
  if (a->temporary) str_free(a);
  if (b != a && b->temporary) str_free(b);  // a$ + a$ releases the operand once
  return r;
}

namespace {

// Spare bytes left behind a string that moves to grow: as many as it holds (at
// least the 32 every new string gets, at most 64 MiB), so the appends after it
// find room where it lies and its copies stay few.
constexpr size_t append_spare_limit = size_t{64} << 20;
size_t append_spare(size_t length) { return std::clamp<size_t>(length, heap_spare_bytes, append_spare_limit); }

// d += the add bytes at from, where d lies, when the bytes after it are free
// (or, with nothing live after it, the area reaches far enough); false when
// they are not. skip is a temporary source whose bytes may be grown over.
inline bool append_in_place(str_desc* d, const uint8_t* from, size_t add, const str_desc* skip) {
  const bool segment = d->in_segment != 0;
  str_list& list = segment ? data_segment.list : string_heap.list;
  const uint8_t* base = segment ? data_segment.bytes : string_heap.bytes;
  const size_t region_end = segment ? data_segment.stack_top : string_heap.size;
  const size_t old_len = static_cast<size_t>(d->len);
  const size_t new_end = static_cast<size_t>(d->chars - base) + old_len + add;
  const str_desc* next = next_live(list, static_cast<uint32_t>(d->list_index), skip);
  if (next ? static_cast<size_t>(next->chars - base) < new_end : new_end > region_end) return false;
  if (!next) end_area_at(d, list, new_end);
  // from lies wholly before the bytes grown over, or (a temporary source
  // behind dest) at or after their start: a forward copy is always right.
  uint8_t* to = d->chars + old_len;
  if (add <= 16) {
    for (size_t k = 0; k < add; ++k) to[k] = from[k];
  } else {
    std::memmove(to, from, add);
  }
  d->len = static_cast<int32_t>(old_len + add);
  return true;
}

}  // namespace

namespace {

// The usual statement: a few bytes onto the newest heap string, which has the
// rest of the heap behind it. No temporary source can lie behind it (it would
// be listed after it), and a literal lies outside the heap, so a forward copy
// is right. False when dest is not that string or the heap is too short.
inline bool append_to_newest(str_desc* d, const uint8_t* from, int32_t add_len) {
  if (add_len <= 0 || add_len > 16 || d->len <= 0 || d->len > INT32_MAX - add_len || d->in_segment || d->fixed ||
      d->read_only || d->field_link || static_cast<uint32_t>(d->list_index) + 1 != string_heap.list.count)
    return false;
  uint8_t* to = d->chars + d->len;
  const size_t new_end = static_cast<size_t>(to - string_heap.bytes) + static_cast<size_t>(add_len);
  if (new_end > string_heap.size) return false;
  for (int32_t k = 0; k < add_len; ++k) to[k] = from[k];
  d->len += add_len;
  string_heap.used = new_end;
  return true;
}

}  // namespace

str_desc* str_append_text(str_desc* d, const void* text, uint32_t length) {
  if (length <= 16 && append_to_newest(d, static_cast<const uint8_t*>(text), static_cast<int32_t>(length))) return d;
  return str_append(d, str_from_text(text, length));
}

str_desc* str_append(str_desc* d, str_desc* s) {
  if (append_to_newest(d, s->chars, s->len)) {
    if (s->temporary && s != d) str_free(s);
    return d;
  }

  const bool release = s->temporary && s != d;
  if (s->len == 0 || d->fixed) {
    // A fixed-length string keeps its length: dest + src cut to it is dest.
    if (release) str_free(s);
    return d;
  }
  if (d->len == 0) return str_assign(d, s);
  const size_t old_len = static_cast<size_t>(d->len), add = static_cast<size_t>(s->len);
  const uint64_t total = uint64_t{old_len} + add;
  check_length(total, err_string_heap_growth);
  const size_t length = static_cast<size_t>(total);
  if (d->read_only) {
    // Over text it does not own: the whole value in a new string, then assigned.
    str_desc* r = str_new(static_cast<uint32_t>(length), true);  // may move src's characters
    std::memcpy(r->chars, d->chars, old_len);
    std::memcpy(r->chars + old_len, s->chars, add);
    if (release) str_free(s);
    return str_assign(d, r);
  }
  if (d->field_link) field_detach(d);  // an assigned string no longer stands for a FIELD piece

  const bool segment = d->in_segment != 0;
  const str_desc* skip = s->temporary ? s : nullptr;
  if (!append_in_place(d, s->chars, add, skip)) {
    // No room where it lies. Compact first when the area cannot take the
    // grown string (dest stays listed, so its characters move with the rest),
    // then look again: a last string now has room to grow where it lies.
    str_list& list = segment ? data_segment.list : string_heap.list;
    const bool last = next_live(list, static_cast<uint32_t>(d->list_index), skip) == nullptr;
    size_t spare = last ? 0 : append_spare(length);
    const size_t region_end = segment ? data_segment.stack_top : string_heap.size;
    // The data segment never grows: no spare it cannot hold at once.
    if (segment && area_mark(true) + length + spare > region_end) spare = 0;
    const size_t need = last ? add : length + spare;
    if (segment && !last && area_mark(true) + need > region_end) {
      // The full data segment cannot hold the old and the new copy at once:
      // join them outside it, give the old one up, then compact for the new.
      std::string joined(reinterpret_cast<const char*>(d->chars), old_len);
      joined.append(reinterpret_cast<const char*>(s->chars), add);
      list.slots[d->list_index] = list_hole;
      segment_compact(static_cast<uint32_t>(length));
      d->chars = data_segment.bytes + data_segment.used;
      std::memcpy(d->chars, joined.data(), length);
      d->len = static_cast<int32_t>(length);
      list_append(list, d);
      data_segment.used += static_cast<uint32_t>(length);
    } else if (area_mark(segment) + need > region_end) {
      if (segment)
        segment_compact(static_cast<uint32_t>(need));
      else
        heap_compact(need);
    }
    if (d->len != static_cast<int32_t>(length) && !append_in_place(d, s->chars, add, skip)) {
      // Move to the end of the area with the spare bytes behind it.
      list.slots[d->list_index] = list_hole;
      uint8_t* to = (segment ? data_segment.bytes : string_heap.bytes) + area_mark(segment);
      std::memmove(to, d->chars, old_len);
      std::memmove(to + old_len, s == d ? to : s->chars, add);
      d->chars = to;
      d->len = static_cast<int32_t>(length);
      list_append(list, d);
      set_area_mark(segment, area_mark(segment) + length + spare);
    }
  }
  if (release) str_free(s);
  if (d->segment_record) write_segment_record(d);
  return d;
}

void heap_compact(size_t need) {
  size_t dest = 0;
  bool any = false;
  for (uint32_t i = 0; i < string_heap.list.count; ++i) {
    str_desc* s = string_heap.list.slots[i];
    if (s == list_hole) continue;
    size_t offset = static_cast<size_t>(s->chars - string_heap.bytes);
    if (offset > dest + heap_spare_bytes) {
      std::memmove(string_heap.bytes + dest, s->chars, static_cast<size_t>(s->len));
      s->chars = string_heap.bytes + dest;
      offset = dest;
    }
    dest = offset + static_cast<size_t>(s->len);
    any = true;
  }
  if (any) string_heap.used = dest;
  if (need + 2 * string_heap.used + heap_spare_bytes < string_heap.size) return;

  const size_t size = need + 2 * string_heap.size;
  const uintptr_t old_base = reinterpret_cast<uintptr_t>(string_heap.bytes);
  void* grown = std::realloc(string_heap.bytes, size);
  if (!grown) string_failure(err_string_heap_growth);
  string_heap.bytes = static_cast<uint8_t*>(grown);
  string_heap.size = size;
  for (uint32_t i = 0; i < string_heap.list.count; ++i) {
    str_desc* s = string_heap.list.slots[i];
    if (s == list_hole) continue;
    s->chars = string_heap.bytes + (reinterpret_cast<uintptr_t>(s->chars) - old_base);
  }
}

void segment_compact(uint32_t need) {
  data_segment.used = segment_strings_start;
  for (uint32_t i = 0; i < data_segment.list.count; ++i) {
    str_desc* s = data_segment.list.slots[i];
    if (s == list_hole) continue;
    if (s->chars != data_segment.bytes + data_segment.used) {
      std::memmove(data_segment.bytes + data_segment.used, s->chars, static_cast<size_t>(s->len));
      s->chars = data_segment.bytes + data_segment.used;
      if (s->segment_record) write_segment_record(s);
    }
    data_segment.used += static_cast<uint32_t>(s->len);
  }
  if (uint64_t{data_segment.used} + need > data_segment.stack_top) string_failure(err_data_segment_full);
}

void list_pack(str_list& list) {
  uint32_t live = 0;
  for (uint32_t i = 0; i < list.count; ++i) {
    str_desc* s = list.slots[i];
    if (s == list_hole) continue;
    list.slots[live] = s;
    s->list_index = static_cast<int32_t>(live);
    ++live;
  }
  list.count = live;
  if (uint64_t{live} * 2 < list.capacity) return;
  const int32_t kind = list_failure_kind(list);
  if (list.capacity > (UINT32_MAX - 1) / 2) string_failure(kind);
  const uint32_t capacity = list.capacity * 2;
  void* grown = std::realloc(list.slots, sizeof(str_desc*) * (size_t{capacity} + 1));
  if (!grown) string_failure(kind);
  list.slots = static_cast<str_desc**>(grown);
  list.capacity = capacity;
}

// The detach step of str_free and assignment, and the update after LSET and
// RSET, for strings bound to a file's record buffer. The file subsystem makes
// the bindings and ends them at CLOSE, so a binding reached from a string
// always has its record buffer.

void field_detach(str_desc* s) {
  field_binding* b = s->field_link;
  s->field_link = nullptr;
  if (!b) return;
  *b->from = b->next;
  if (b->next) b->next->from = b->from;
  delete b;
}

void field_written(str_desc* s) {
  const field_binding* b = s->field_link;
  if (!b) return;
  const int32_t n = std::min(s->len, b->width);
  if (n > 0) std::memmove(b->piece, s->chars, static_cast<size_t>(n));
}

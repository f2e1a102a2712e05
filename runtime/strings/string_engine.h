#pragma once
// The string engine: descriptors, the string heap, the in-segment strings of the
// emulated data segment, and the temporaries every statement releases.
//
// Strings are byte strings with a separate length. Heap strings live in one
// growable area that is compacted when it runs short; in-segment strings live in
// the 64 KiB data segment inside conventional_memory, where programs reading the
// emulated memory can see them through 4-byte records (length, offset).
//
// Program thread only (and start-up before the program thread exists): all
// state is global and unlocked. Failures are the fatal kinds 508-515 of
// raise_error, which end the process.
#include <cstddef>
#include <cstdint>

// Binding of a string to a random-access file's record buffer (FIELD); owned by
// the file subsystem.
struct field_binding;

struct str_desc {
  uint8_t* chars;                  // first character (heap, data segment, or memory not owned)
  int32_t len;                     // number of bytes
  uint8_t in_segment;              // 1: characters in data_segment, listed on segment_list
  uint8_t* segment_record;         // null, or this string's 4-byte record in data_segment
  uint16_t segment_record_offset;  // offset of that record inside data_segment
  int32_t list_index;              // slot in heap_list (segment_list when in_segment)
  uint8_t temporary;               // 1: on temp_list
  int32_t temp_index;              // slot in temp_list, 0 = not on it
  uint8_t fixed;                   // 1: fixed-length, over memory it does not own
  uint8_t read_only;               // 1: over constant text it does not own
  field_binding* field_link;       // null, or the FIELD binding
};

// A list of descriptors with -1 holes: heap_list, segment_list, temp_list.
// slots has capacity + 1 entries.
struct str_list {
  str_desc** slots;
  uint32_t count;
  uint32_t capacity;
};

// The value a released slot holds.
inline str_desc* const list_hole = reinterpret_cast<str_desc*>(intptr_t{-1});

constexpr uint32_t desc_block_records = 65536;
constexpr uint32_t heap_spare_bytes = 32;          // after every new heap string
constexpr uint32_t data_segment_size = 65536;
constexpr uint32_t segment_strings_start = 256;
constexpr uint32_t segment_startup_reserve = 8;    // taken off the record stack at start-up

// Descriptor store: blocks of desc_block_records records, and the stack of
// released descriptors that are reused first.
struct desc_store_state {
  str_desc* block;          // current block
  uint32_t block_used;      // records of the current block handed out
  str_desc** free_stack;    // desc_free_stack
  uint32_t free_count;
  uint32_t free_capacity;
};

extern desc_store_state desc_store;
extern uint8_t* string_heap;
extern size_t heap_size;
extern size_t heap_used;   // offset at which the next heap string's characters go
extern str_list heap_list;
extern str_list segment_list;
extern str_list temp_list;
extern uint8_t* data_segment;
extern uint32_t segment_used;       // next in-segment string's offset
extern uint32_t segment_stack_top;  // lowest 4-byte record so far

// The two permanent in-segment strings made at start-up: "" and " ".
extern str_desc* permanent_empty_string;
extern str_desc* permanent_space_string;

// Starting sizes; the defaults are the runtime's. Smaller sizes make the growth
// and compaction paths reachable with little data.
struct string_engine_sizes {
  size_t heap_size = 1048576;
  uint32_t list_capacity = 65535;          // heap_list, segment_list and temp_list
  uint32_t free_stack_capacity = 65536;
};

// Start-up: allocates the store, lists and heap, places the data segment 0x500
// bytes into conventional_memory and makes the two permanent strings.
void strings_init();
// The same with other starting sizes. Called again, it discards every string and
// starts over (the data segment is cleared).
void strings_init_sized(const string_engine_sizes& sizes);

// Creating strings. Lengths above INT32_MAX are refused (fatal).
str_desc* str_new(uint32_t length, bool temporary);
str_desc* str_new_in_segment(uint32_t length, bool temporary);
str_desc* str_from_cstr(const char* text);                      // read-only temporary
str_desc* str_from_text(const void* text, uint32_t length);     // read-only temporary
str_desc* str_over_memory(void* address, uint32_t length, bool temporary);  // fixed length
str_desc* str_make_temporary(str_desc* s);

// dest = src. Releases src when it is temporary. Returns dest.
str_desc* str_assign(str_desc* dest, str_desc* src);
// left + right: a new temporary, or one operand itself when the other is empty.
// Releases the temporary operands it consumed.
str_desc* str_concat(str_desc* left, str_desc* right);
void str_free(str_desc* s);

// The temporary-string mark: the current temp_list count. A routine takes it on
// entry and passes it to str_cleanup after every statement.
inline uint32_t str_temp_mark() { return temp_list.count; }
// Releases every temporary at or above slot keep and returns value unchanged
// (a routine returning a value through the cleanup passes it here).
intptr_t str_cleanup(uint32_t keep, intptr_t value = 0);

// Compaction and list maintenance, run by the operations above when space runs out.
void heap_compact(size_t need);
void segment_compact(uint32_t need);
void list_pack(str_list& list);

// Detaches s from its file's record buffer and releases the link (file subsystem).
void field_detach(str_desc* s);
// Tells the file subsystem that LSET or RSET wrote new bytes into s, which is
// bound to a file's record buffer.
void field_written(str_desc* s);

#pragma once
// The table of images, their handles, the screen's page table and the current
// destination, source and shown images. Program thread, except display_image,
// which the frame builder reads.
#include <atomic>
#include <cstdint>

#include "runtime/screen/image_record.h"

// Slots come in blocks of this many records. Blocks never move, so record
// pointers stay valid while the table grows (the frame builder may hold one).
constexpr int32_t image_block_slots = 4096;
// Image handles stay above the hardware-image handles (-16777216 .. -8388609).
constexpr int32_t image_slots_max = 8388608;

extern int32_t image_slots_used;  // slots ever handed out (including the two reserved)

// Takes a slot (freed ones first), marks it valid and returns its index.
// Growth failures are fatal (errors 502 and 503).
int32_t image_alloc();
// Zeroes and frees a valid slot; 0 when index names no valid slot, else 1.
int32_t image_release(int32_t index);
// The record of a slot below image_slots_used (valid or not).
image_record* image_at(int32_t index);
// True when index names a valid image (never slots 0 and 1).
bool image_index_valid(int64_t index);
// Empties the table (releasing every image and its memory) and reserves slots 0 and 1.
void image_table_init();

// Current images. display_image is stored last when it changes so that the
// frame builder sees a complete record.
extern int32_t write_index;
extern image_record* write_image;
extern int32_t read_index;
extern image_record* read_image;
extern std::atomic<int32_t> display_index;
extern std::atomic<image_record*> display_image;
void set_write_image(int32_t index);
void set_read_image(int32_t index);
void set_display_image(int32_t index);

// page number -> image index (0 = not made yet); page_count entries.
extern int32_t* page_table;
extern int32_t page_count;
constexpr int32_t page_number_max = 1048575;  // larger page numbers are refused with error 5
// Grows the table to hold page; false (nothing changed) when page is out of range or memory runs out.
bool page_table_reserve(int32_t page);

extern int32_t last_active_page;
extern bool page0_handed;  // page 0 is an image the program gave to SCREEN

// Resolves a page (>= 0, made on first use) or an image handle (< 0) to an
// index. A bad handle raises bad_handle_error; a page that cannot be made
// raises 5 (out of range) or 7 (out of memory). Returns 0 after an error.
int32_t resolve_image(int64_t page_or_handle, int32_t bad_handle_error = 258);
// As resolve_image, but with given false it is the write image.
int32_t resolve_target(int64_t page_or_handle, bool given);

// The table index a (negative) image handle names; -1 when it names none.
inline int64_t index_of_handle(int64_t handle) { return handle < 0 && handle > INT64_MIN ? -handle : -1; }

// Hardware images (GPU side) carry handles in this range.
inline bool is_hardware_handle(int64_t handle) { return handle >= -16777216 && handle < -8388608; }

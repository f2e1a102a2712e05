#pragma once
// Font numbers and their metrics: 8, 9, 14, 15, 16, 17 built in, 32 and up loaded.
#include <cstdint>
#include <vector>

#include "runtime/screen/image_record.h"

// Option bits of font_flags.
constexpr int32_t font_bold = 1;
constexpr int32_t font_italic = 2;
constexpr int32_t font_underline = 4;
constexpr int32_t font_dontblend = 8;
constexpr int32_t font_monospace = 16;
constexpr int32_t font_unicode = 32;

constexpr int32_t first_loaded_font = 32;

// Indexed by font number; 49 entries at start-up, one more whenever a load finds no free slot.
extern std::vector<int32_t> font_height;
extern std::vector<int32_t> font_width;  // 0: proportional
extern std::vector<int32_t> font_flags;
extern std::vector<uintptr_t> font_handle;  // font engine handle of a loaded font, 0 = free slot

// Fills the metrics of the six built-in fonts.
void font_tables_init();

bool font_is_builtin(int64_t font);
// A loaded font number that holds an engine font.
bool font_is_loaded(int64_t font);

// Rows of text an image holds: height for a text surface, else height / font height.
int32_t image_rows(const image_record* img);
// Columns: width for a text surface, else width / font width (width for a proportional font).
int32_t image_columns(const image_record* img);

// The font statement: font for an image (page or handle, bit 0 of given),
// default the write image.
void set_image_font(int64_t font, int64_t page_or_handle, int32_t given);

// Font queries; with bit 0 of given clear they answer for the write image's font.
// Only 8, 14, 16 and loaded fonts are accepted (error 258 otherwise).
int32_t font_width_query(int64_t font, int32_t given);
int32_t font_height_query(int64_t font, int32_t given);
// Font number of an image (page or handle, bit 0 of given), default the write image.
int32_t image_font_query(int64_t page_or_handle, int32_t given);

// Releases a loaded font that no image uses (258 for no such font, 5 while in use).
void free_font(int64_t font);

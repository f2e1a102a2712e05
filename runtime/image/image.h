#pragma once
// Images in memory: the image record and table, screen pages as images, the
// default palettes, the words the frame builder and the program thread share
// about the shown image, the font tables with the built-in glyphs and loaded
// fonts, and the mix of two colours by a glyph's coverage. Program thread,
// except where a declaration says otherwise.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/core/shared_memory.h"
#include "runtime/strings/strings.h"
// One image: a screen page or an off-screen surface.

// Bits of image_record::flags.
constexpr uint32_t image_owns_palette = 1;  // palette is the image's own allocation
constexpr uint32_t image_is_page = 2;       // the image is a screen page
constexpr uint32_t image_owns_pixels = 4;   // data is the image's own allocation

// How an image's graphics coordinates become pixels: as they are, moved by the
// view port's corner, or through the WINDOW statement's scaling (which includes
// the corner).
enum coordinate_mode : uint8_t { coords_pixels = 0, coords_view_offset = 1, coords_scaled = 2 };

struct image_record {
  struct lock_record* lock_record;  // memory-lock record, released with the image when lock_id != 0
  uint64_t lock_id;
  uint8_t valid;    // 1 while the slot holds an image
  uint8_t text;     // 1: cells (character, attribute) instead of pixels
  uint8_t console;  // 1: output goes to standard output
  uint16_t width;   // pixels, or character columns of a text surface
  uint16_t height;  // pixels, or character rows of a text surface
  uint8_t bytes_per_pixel;  // 1, 2 (text) or 4
  uint8_t bits_per_pixel;   // 1, 2, 4, 8, 16 (text) or 32
  uint32_t mask;            // (1 << bits_per_pixel) - 1, all ones for 32 bits
  uint16_t mode;            // 0, 1, 2, 7-13, 32 or 256
  uint32_t colour;          // palette index or 0xAARRGGBB; text: bit 4 blinks
  uint32_t background;
  uint32_t draw_colour;     // colour of the graphics statements
  uint32_t font;
  int16_t top_row;          // print region, 1-based rows
  int16_t bottom_row;
  int16_t cursor_col;       // 1-based
  int16_t cursor_row;
  uint8_t cursor_visible;
  uint8_t cursor_first_line;
  uint8_t cursor_last_line;
  uint8_t* data;            // width * height * bytes_per_pixel, rows top to bottom
  uint32_t flags;
  std::atomic<uint32_t>* palette;  // 256 entries 0xAARRGGBB; null for 32-bit images
  int32_t transparent_colour;      // -1 for none
  uint8_t blend_off;        // 1: 32-bit pixels are stored as given
  uint8_t line_held;        // 1 or 2: the last character filled the line
  uint8_t print_mode;       // 1 foreground, 2 background, 3 both
  // Graphics state, moved together when the active page changes.
  uint8_t graphics_state_start;
  int32_t view_x1, view_y1, view_x2, view_y2;
  int32_t view_offset_x, view_offset_y;
  float gfx_x, gfx_y;
  coordinate_mode coord_mode;
  float scale_x, scale_y, scale_offset_x, scale_offset_y;
  float window_x1, window_y1, window_x2, window_y2;
  double draw_angle;
  double draw_scale;
  uint8_t graphics_state_end;
};

// The frame builder reads the cursor fields and line_held of the shown page
// while the program thread prints; both sides go through these.
inline void set_cursor(image_record* img, int32_t col, int32_t row) {
  shared_put(&img->cursor_col, static_cast<int16_t>(col));
  shared_put(&img->cursor_row, static_cast<int16_t>(row));
}
inline int16_t cursor_col_of(image_record* img) { return shared_get(img->cursor_col); }
inline int16_t cursor_row_of(image_record* img) { return shared_get(img->cursor_row); }
inline void set_line_held(image_record* img, uint8_t value) { shared_put(&img->line_held, value); }

// The table of images, their handles, the screen's page table and the current
// destination, source and shown images. Program thread, except display_link.shown_image,
// which the frame builder reads.

// Slots come in blocks of this many records. Blocks never move, so record
// pointers stay valid while the table grows (the frame builder may hold one).
constexpr int32_t image_block_slots = 4096;
// Image handles stay above the hardware-image handles (-16777216 .. -8388609).
constexpr int32_t image_slots_max = 8388608;

// Slots ever handed out (including the two reserved).
int32_t image_slots_used();

// Takes a slot (freed ones first), marks it valid and returns its index.
// Growth failures are fatal (errors 502 and 503).
int32_t image_alloc();
// Zeroes and frees a valid slot; 0 when index names no valid slot, else 1.
int32_t image_release(int32_t index);
// The record of a slot below image_slots_used() (valid or not).
image_record* image_at(int32_t index);
// True when index names a valid image (never slots 0 and 1).
bool image_index_valid(int64_t index);
// Empties the table (releasing every image and its memory) and reserves slots
// 0 and 1; the pages, the current images and the shown image go back to none.
void image_table_reset();

// Current images: the destination and the source of the statements. They
// stay plain words of their own, read by nearly every statement; the shown
// image is display_link's.
extern int32_t write_index;
extern image_record* write_image;
extern int32_t read_index;
extern image_record* read_image;
void set_write_image(int32_t index);
void set_read_image(int32_t index);
void set_display_image(int32_t index);

// The screen's pages. Program thread; image_table_reset puts them back.
struct screen_pages_state {
  int32_t* table = nullptr;  // page number -> image index (0 = not made yet); count entries
  int32_t count = 0;
  int32_t last_active = 0;
  bool page0_handed = false;  // page 0 is an image the program gave to SCREEN
};
extern screen_pages_state screen_pages;
constexpr int32_t page_number_max = 1048575;  // larger page numbers are refused with error 5
// Grows the table to hold page; false (nothing changed) when page is out of range or memory runs out.
bool page_table_reserve(int32_t page);

// Resolves a page (>= 0, made on first use) or an image handle (< 0) to an
// index. A bad handle raises bad_handle_error; a page that cannot be made
// raises 5 (out of range) or 7 (out of memory). Returns 0 after an error.
int32_t resolve_image(int64_t page_or_handle, int32_t bad_handle_error = err_invalid_handle);
// As resolve_image, but with given false it is the write image.
int32_t resolve_target(int64_t page_or_handle, bool given);

// The table index a (negative) image handle names; -1 when it names none.
inline int64_t index_of_handle(int64_t handle) { return handle < 0 && handle > INT64_MIN ? -handle : -1; }

// Hardware images (GPU side) carry handles in this range.
inline bool is_hardware_handle(int64_t handle) { return handle >= -16777216 && handle < -8388608; }

// Making images, screen pages, fonts on images and default colours.

// Largest pixel memory an image may have.
constexpr size_t image_bytes_max = 0x7FFFFFFF;

// An image over memory the caller owns (memory may be null and set later).
// Returns the index, or 0 for a bad size or mode or when memory runs out.
int32_t image_create_over(uint8_t* memory, int32_t width, int32_t height, int32_t mode);
// An image with its own zeroed pixel memory (blank cells for text). 0 on failure.
int32_t image_create(int32_t width, int32_t height, int32_t mode);
// Frees the memory an image owns (pixels, palette) and clears the ownership bits.
void image_free_memory(image_record* img);
// Frees an image the program owns, moving the write and read images to the
// shown page first when they are on it.
void release_image(int32_t index);
// The image of a screen page, made on first use; 0 when it cannot be made.
int32_t page_image(int32_t page);
// Sets the font, homes the cursor and resets the print region to rows 1 .. rows-1.
void set_font(int32_t font, image_record* img);
// The default colours of the write image's mode.
void reset_colours();

// The default colour tables and the palette of each image.

// Constant tables, alpha byte 0xFF. Any thread.
extern const std::array<uint32_t, 256> vga_palette;
extern const std::array<uint32_t, 64> ega_palette;
// Mode 10 grey levels by blink phase and attribute number (no alpha byte).
extern const std::array<std::array<uint32_t, 9>, 2> mono_attribute_table;

// A zeroed palette of 256 entries; null when memory runs out.
std::atomic<uint32_t>* palette_new();
void palette_delete(std::atomic<uint32_t>* palette);

// The default colours of the image's mode (nothing for 32-bit images).
void default_palette(image_record* img);

// Words shared between the program thread's screen changes and the frame builder.

// The switch from automatic to manual display: the program thread stores
// auto_display_switch_asked in automatic and waits for 0; the builder moves it to
// auto_display_switching when it begins a frame and to 0 when that frame is
// done. The last automatic frame thus begins after the ask and holds every
// write made before it, however far a build was when the ask came.
constexpr int32_t auto_display_switch_asked = -1;
constexpr int32_t auto_display_switching = -2;
// The freeze handshake: the program thread asks, the frame builder answers by
// standing still, the program thread lets it go on.
enum display_freeze_state : int32_t { freeze_off = 0, freeze_asked = 1, freeze_standing = 2 };

struct display_link_state {
  std::atomic<int32_t> ready{0};      // set by start-up once the display runs
  std::atomic<int32_t> automatic{1};  // != 0: the main loop builds frames
  std::atomic<display_freeze_state> freeze{freeze_off};
  std::atomic<uint32_t> freeze_answers{0};  // counts the builder's answers; a waiter sleeps on it
  std::atomic<int32_t> prev_valid{0};     // 1: the frame builder's last frame still describes the screen
  std::atomic<int32_t> blink_enabled{1};  // 1: text attribute bit 7 blinks (else a bright background)
  // The shown page. shown_image is stored last when it changes so that the
  // frame builder sees a complete record.
  std::atomic<int32_t> shown_index{0};
  std::atomic<image_record*> shown_image{nullptr};
};
extern display_link_state display_link;
// Back as at start-up: display not running, automatic, no freeze, nothing shown.
void display_link_reset();

// The freeze handshake with a frame builder running on another thread: asks
// it to stand still and waits until it does (or the process shuts down).
// display_unfreeze lets it go on. Both do nothing unless the display runs
// automatically (display_link's automatic and ready).
bool display_runs_alone();
void display_freeze_wait();
void display_unfreeze();

// Font numbers and their metrics: 8, 9, 14, 15, 16, 17 built in, 32 and up loaded.

// Option bits of font_table.flags.
constexpr int32_t font_bold = 1;
constexpr int32_t font_italic = 2;
constexpr int32_t font_underline = 4;
constexpr int32_t font_dontblend = 8;
constexpr int32_t font_monospace = 16;
constexpr int32_t font_unicode = 32;

constexpr int32_t first_loaded_font = 32;
// Pixel heights a font may be loaded at.
constexpr int32_t font_height_max = 2048;

// The font tables, indexed by font number. slots entries are in use: 49 at
// start-up, one more whenever a load finds no free slot, up to
// font_slots_max. The tables have their full size from the start and never
// move, so the frame builder may read the entry of a text page's font while
// the program thread loads or frees other fonts. The program thread writes.
constexpr int32_t font_slots_max = 1024;
struct font_table_state {
  std::atomic<int32_t> slots{0};
  std::atomic<int32_t> height[font_slots_max];
  std::atomic<int32_t> width[font_slots_max];  // 0: proportional
  std::atomic<int32_t> flags[font_slots_max];
  std::atomic<uintptr_t> handle[font_slots_max];  // font engine handle of a loaded font, 0 = free slot
};
extern font_table_state font_table;

// Height and width of a font number, 0 for a number outside the tables. Any thread.
inline int32_t font_height_of(uint32_t font) { return font < font_slots_max ? font_table.height[font].load() : 0; }
inline int32_t font_width_of(uint32_t font) { return font < font_slots_max ? font_table.width[font].load() : 0; }

// Coverage (0 .. 255) of the 256 code page characters of a loaded font cut to
// its cells, font_table.width x font_table.height bytes each, for text screens; null for
// other fonts. The frame builder calls it for the font of the text page it
// shows: set_image_font makes the cells before any text page takes the font,
// and they stay unchanged until the font is freed.
const uint8_t* font_text_cells(uint32_t font);

// Releases every loaded font and fills the metrics of the six built-in fonts.
void font_table_reset();

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

// The built-in code page 437 glyphs.

// Constant shapes, one byte per row, bit 7 the leftmost pixel (glyph_data.cpp).
extern const uint8_t glyph_rows_8x8[256][8];
extern const uint8_t glyph_rows_8x16[256][16];

// The same shapes one byte per pixel (0 clear, 255 set), made at compile
// time: glyph c of the 8x8 font at c * 64, of the 8x16 font at c * 128.
extern const std::array<uint8_t, 256 * 64> glyph_8x8;
extern const std::array<uint8_t, 256 * 128> glyph_8x16;

// A built-in glyph in the tables: rows of 8 bytes from the top, each
// column drawn repeat times across (2 for the double-width fonts 9, 15, 17).
struct builtin_glyph {
  const uint8_t* pixels;  // null for a font that is not built in
  int32_t rows;
  int32_t repeat;
};

// Fonts 8 and 9 draw the 8x8 glyphs, 14 and 15 rows 1 to 14 of the 8x16
// glyphs, 16 and 17 the whole 8x16 glyphs. Any thread.
inline builtin_glyph builtin_glyph_of(uint32_t font, uint8_t code) {
  switch (font) {
    case 8:
    case 9:
      return {glyph_8x8.data() + code * 64, 8, font == 9 ? 2 : 1};
    case 14:
    case 15:
      return {glyph_8x16.data() + code * 128 + 8, 14, font == 15 ? 2 : 1};
    case 16:
    case 17:
      return {glyph_8x16.data() + code * 128, 16, font == 17 ? 2 : 1};
    default:
      return {nullptr, 0, 0};
  }
}

// fg and bg mixed by a glyph's coverage c (0 all bg .. 255 all fg), each of
// the four 8-bit channels rounded to nearest.
inline uint32_t coverage_mix(uint32_t fg, uint32_t bg, uint32_t c) {
  uint32_t out = 0;
  for (int32_t shift = 0; shift < 32; shift += 8) {
    const uint32_t f = (fg >> shift) & 0xFF, b = (bg >> shift) & 0xFF;
    out |= ((f * c + b * (255 - c) + 127) / 255) << shift;
  }
  return out;
}

// Loading fonts from files.

// Parses a font option list ("bold, monospace"): comma-separated keywords
// BOLD, ITALIC, UNDERLINE, DONTBLEND, MONOSPACE, UNICODE in any case, spaces
// around them ignored. Returns the flag bits, or -1 for an unknown, empty or
// repeated item.
int32_t parse_font_options(const char* text, int32_t length);

// The font-loading function: a font number (32 and up), -1 when no font was
// loaded, 0 after an error (height <= 0 or bad options, error 5). Bit 0 of
// options_given says options were given. The file is looked for as named,
// then by its file name in the current directory, then among the installed
// fonts by file, face or family name (platform_find_font).
int32_t load_font(const str_desc* file_name, int32_t height, const str_desc* options, int32_t options_given);

// The same load with the flag bits given directly, only the name as given and
// no errors: a font number or -1.
int32_t load_font_plain(const str_desc* file_name, int32_t height, int32_t flags);

// Files larger than this are not read as fonts.
constexpr size_t font_file_bytes_max = size_t{128} << 20;

// Logical coordinates back to plain pixels: scale 1, no offset, the window the whole image.
void reset_logical_window(image_record* img);


// Glyphs of loaded fonts.

// One glyph as drawn: its bitmap spans the cell's rows, with the pen on the
// cell's left edge and the glyph on the font's baseline.
struct glyph_coverage {
  const uint8_t* pixels;  // width * height bytes, 0 clear .. 255 fully set
  int32_t width;
  int32_t height;   // the font's cell height; row 0 is the top of the cell
  int32_t left;     // column of the bitmap's first pixel from the pen (negative when ink hangs left)
  int32_t advance;  // pixels the pen moves on
};

// The glyph of a character of a loaded font number: a code point when the
// font has the UNICODE flag, else the code's low byte; null when none.
const glyph_coverage* loaded_glyph(uint32_t font, uint32_t code);

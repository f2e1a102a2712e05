#pragma once
// The screen: images that serve as screen pages or off-screen surfaces, screen
// modes and pages, palettes and colour values, fonts and glyphs, text output
// at the cursor, the screen statements and the function-key label line.
// Program thread, except where a declaration says otherwise.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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
// destination, source and shown images. Program thread, except display_image,
// which the frame builder reads.

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
// The image of a screen page, made on first use; 0 when it cannot be made.
int32_t page_image(int32_t page);
// Sets the font, homes the cursor and resets the print region to rows 1 .. rows-1.
void set_font(int32_t font, image_record* img);
// The default colours of the write image's mode.
void reset_colours();

// The program's operations on images: making, copying and freeing them, and
// choosing the destination and source of later statements.

// A new image; without a mode (bit 0 of mode_given clear) it follows the
// write image's mode, palette, font and colours. Returns the handle, -1 when
// memory runs out, 0 after an error (bad size or mode, error 5).
int32_t new_image(int32_t width, int32_t height, int32_t mode, int32_t mode_given);

// A copy of a page or image with its own pixels and palette. A mode (bit 0 of
// given) must be the source's own. Returns the handle or -1.
int32_t copy_image(int64_t source, int32_t mode, int32_t given);

// Frees an image (bit 0 of given: handle given, else the write image).
// Screen pages and page numbers are refused (error 5).
void free_image(int64_t handle, int32_t given);

// The destination and source of later statements (page or handle).
void set_dest(int64_t page_or_handle);
void set_source(int64_t page_or_handle);
// Handles of the write, read and shown images.
int32_t dest_query();
int32_t source_query();
int32_t display_query();

// Frees every image the program made: the valid images from index 2 up other
// than the screen pages, the window icon's images and the printer page.
void free_program_images();

// Colour values for an image, image properties and the print mode.
// Every operation takes an optional page or handle, default the write image;
// the bit that says it was given is named at each.

// Colour values: a 32-bit colour on 32-bit images, the nearest palette index
// otherwise. Components are clamped to 0-255. given bit 0: image given.
uint32_t colour_rgb(int32_t red, int32_t green, int32_t blue, int64_t page_or_handle, int32_t given);
// With an alpha; alpha 0 on a palette image gives its transparent colour when it has one.
uint32_t colour_rgba(int32_t red, int32_t green, int32_t blue, int32_t alpha, int64_t page_or_handle,
                     int32_t given);
// Channels of a colour of the image (an index up to the mask on palette images,
// error 5 above it). given bit 0: image given.
int32_t colour_alpha(uint32_t colour, int64_t page_or_handle, int32_t given);
int32_t colour_red(uint32_t colour, int64_t page_or_handle, int32_t given);
int32_t colour_green(uint32_t colour, int64_t page_or_handle, int32_t given);
int32_t colour_blue(uint32_t colour, int64_t page_or_handle, int32_t given);

// given bit 0: image given.
int32_t image_width_query(int64_t page_or_handle, int32_t given);
int32_t image_height_query(int64_t page_or_handle, int32_t given);
int32_t image_pixel_size(int64_t page_or_handle, int32_t given);  // 0 text, 4 mode 32, else 1
int32_t image_blend_query(int64_t page_or_handle, int32_t given);  // -1 when 32-bit pixels blend
void image_blend_on(int64_t page_or_handle, int32_t given);
void image_blend_off(int64_t page_or_handle, int32_t given);
uint32_t image_colour_query(int64_t page_or_handle, int32_t given);
uint32_t image_background_query(int64_t page_or_handle, int32_t given);

// Transparent colour: -1 text, 0 mode 32, else the palette index (-1 for none).
int32_t clear_colour_query(int64_t page_or_handle, int32_t given);
// given bit 0: a colour, bit 1: an image. Palette images take the colour (or
// none); 32-bit images make every pixel of the colour's RGB transparent.
void clear_colour_set(uint32_t colour, int64_t page_or_handle, int32_t given);

// Palette entries 0-255 of images with a palette. given bit 0: image given.
uint32_t palette_entry_get(int32_t entry, int64_t page_or_handle, int32_t given);
void palette_entry_set(int32_t entry, uint32_t value, int64_t page_or_handle, int32_t given);

// Sets the alpha of 32-bit pixels: all (no colour), those equal to first
// (bit 0), or those whose channels lie between first and second (bits 0 and
// 1). Bit 2: image given.
void set_alpha(int32_t alpha, uint32_t first, uint32_t second, int64_t page_or_handle, int32_t given);

// The print-mode statement: 1 foreground and background, 2 foreground only,
// 3 background only; text surfaces take only 1. given bit 0: image given.
void print_mode_set(int32_t how, int64_t page_or_handle, int32_t given);
int32_t print_mode_query(int64_t page_or_handle, int32_t given);

// The default colour tables and the palette of each image.

// Working copies, alpha byte 0xFF (filled by palettes_init).
extern uint32_t vga_palette[256];
extern uint32_t ega_palette[64];
// Mode 10 grey levels by blink phase and attribute number (no alpha byte).
extern uint32_t mono_attribute_table[2][9];

// Copies the constant tables into the working tables.
void palettes_init();

// A zeroed palette of 256 entries; null when memory runs out.
std::atomic<uint32_t>* palette_new();
void palette_delete(std::atomic<uint32_t>* palette);

// The default colours of the image's mode (nothing for 32-bit images).
void default_palette(image_record* img);

// The VGA palette ports and the blink switch.

extern int32_t palette_read_index;
extern int32_t palette_read_component;
extern int32_t palette_write_index;
extern int32_t palette_write_component;
extern bool unhandled_port_used;  // an OUT to a port the runtime does not emulate

// OUT port, value: 0x3C7 read index, 0x3C8 write index, 0x3C9 the next 6-bit
// colour component of the write image's palette, 0x3C0 the blink bit.
void port_out(int32_t port, int32_t value);

// The blink statement (1 turns blinking on, anything else off) and its query (-1 or 0).
void blink_set(int32_t on);
int32_t blink_query();

// Words shared between the program thread's screen changes and the frame builder.

extern std::atomic<int32_t> display_ready;   // set by start-up once the display runs
extern std::atomic<int32_t> auto_display;    // != 0: the main loop builds frames
// The switch from automatic to manual display: the program thread stores
// auto_display_switch_asked and waits for 0; the builder moves the word to
// auto_display_switching when it begins a frame and to 0 when that frame is
// done. The last automatic frame thus begins after the ask and holds every
// write made before it, however far a build was when the ask came.
constexpr int32_t auto_display_switch_asked = -1;
constexpr int32_t auto_display_switching = -2;
// The freeze handshake: the program thread asks, the frame builder answers by
// standing still, the program thread lets it go on.
enum display_freeze_state : int32_t { freeze_off = 0, freeze_asked = 1, freeze_standing = 2 };
extern std::atomic<display_freeze_state> display_freeze;
extern std::atomic<int32_t> prev_valid;      // 1: the frame builder's last frame still describes the screen
extern std::atomic<int32_t> blink_enabled;   // 1: text attribute bit 7 blinks (else a bright background)

// The SCREEN statement: screen modes, text screens and the active and visual pages.

constexpr size_t text_memory_size = 65536;
constexpr size_t mode13_memory_size = 64000;
extern uint8_t text_memory[text_memory_size];      // text pages that fit
extern uint8_t mode13_memory[mode13_memory_size];  // page 0 of mode 13

// Text size asked for by WIDTH, used by the next text screen; -1 = not set.
extern int32_t pending_text_cols;
extern int32_t pending_text_rows;
extern int32_t pending_text_font;

// SCREEN mode, colour switch, active page, visual page, fifth argument.
// given: bit 0 mode, bit 2 active page, bit 3 visual page. A negative mode is
// an image handle that becomes page 0. The colour switch and the fifth
// argument are accepted and not used.
void screen_set(int32_t mode, int32_t colour_switch, int32_t active_page, int32_t visual_page,
                int32_t fifth, int32_t given);

// The freeze handshake with a frame builder running on another thread: asks
// it to stand still and waits until it does (or the process shuts down).
// display_unfreeze lets it go on. Both do nothing unless the display runs
// automatically (auto_display and display_ready).
bool display_runs_alone();
void display_freeze_wait();
void display_unfreeze();

// WIDTH: the text grid of the screen (or the font of a pixel page), and the printer's line width.

// device 0: the screen; device 2 with only cols given (1-255): the printer
// width. given: bit 0 cols, bit 1 rows. Values out of range are error 5 and
// change nothing.
void width(int32_t device, int32_t cols, int32_t rows, int32_t given);

// The screen's part of start-up.

// Font metrics of the built-in fonts; an empty image table with its two reserved slots; blank text memory.
void screen_tables_init();
// The default palettes and the glyph tables.
void screen_palettes_init();
// The 80x25 text screen of mode 0.
void screen_first_mode();
// The two small 32-bit images (16x16 and 32x32) of the window icon.
void screen_icons_init();

extern int32_t icon_small_index;
extern int32_t icon_large_index;

// The window's icon as the desktop shows it: each icon image laid on the black
// of the text screen, so that the note shows on light and dark panels alike.
// Captured once at start-up, before the other threads run; read by the window
// thread when the window is made and by the icon generator of the install.
struct window_icon_image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> argb;  // rows top first, 0xAARRGGBB, every pixel opaque
};

// Copies the icon images made by screen_icons_init into the icon sizes (small
// first). A missing or malformed image leaves its size out.
void window_icon_capture();

// The sizes captured last (empty before window_icon_capture).
const std::vector<window_icon_image>& window_icon_images();

// Font numbers and their metrics: 8, 9, 14, 15, 16, 17 built in, 32 and up loaded.

// Option bits of font_flags.
constexpr int32_t font_bold = 1;
constexpr int32_t font_italic = 2;
constexpr int32_t font_underline = 4;
constexpr int32_t font_dontblend = 8;
constexpr int32_t font_monospace = 16;
constexpr int32_t font_unicode = 32;

constexpr int32_t first_loaded_font = 32;
// Pixel heights a font may be loaded at.
constexpr int32_t font_height_max = 2048;

// The font tables, indexed by font number. font_slots entries are in use: 49
// at start-up, one more whenever a load finds no free slot, up to
// font_slots_max. The tables have their full size from the start and never
// move, so the frame builder may read the entry of a text page's font while
// the program thread loads or frees other fonts. The program thread writes.
constexpr int32_t font_slots_max = 1024;
extern std::atomic<int32_t> font_slots;
extern std::atomic<int32_t> font_height[font_slots_max];
extern std::atomic<int32_t> font_width[font_slots_max];  // 0: proportional
extern std::atomic<int32_t> font_flags[font_slots_max];
extern std::atomic<uintptr_t> font_handle[font_slots_max];  // font engine handle of a loaded font, 0 = free slot

// Height and width of a font number, 0 for a number outside the tables. Any thread.
inline int32_t font_height_of(uint32_t font) { return font < font_slots_max ? font_height[font].load() : 0; }
inline int32_t font_width_of(uint32_t font) { return font < font_slots_max ? font_width[font].load() : 0; }

// Coverage (0 .. 255) of the 256 code page characters of a loaded font cut to
// its cells, font_width x font_height bytes each, for text screens; null for
// other fonts. The frame builder calls it for the font of the text page it
// shows: set_image_font makes the cells before any text page takes the font,
// and they stay unchanged until the font is freed.
const uint8_t* font_text_cells(uint32_t font);

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

// The built-in code page 437 glyphs.

// Constant shapes, one byte per row, bit 7 the leftmost pixel (glyph_data.cpp).
extern const uint8_t glyph_rows_8x8[256][8];
extern const uint8_t glyph_rows_8x16[256][16];

// Working tables, one byte per pixel (0 clear, 255 set): glyph c of the 8x8
// font at c * 64, of the 8x16 font at c * 128. Filled by glyphs_init.
extern uint8_t glyph_8x8[256 * 64];
extern uint8_t glyph_8x16[256 * 128];

void glyphs_init();

// Reading a page's text back, for copying it elsewhere.

// One code page 437 string per text row, trailing spaces removed and blank
// rows at the end dropped. A text surface gives its cells' characters (0 reads
// as a space). A pixel surface is read in the grid of its built-in font: a
// cell reads as the glyph whose set pixels are exactly the cell's pixels of
// one of its colours, whatever the colours; a cell of one colour, or one that
// matches no glyph, reads as a space, and so does every cell under a loaded
// font. Pixels and cells are read through the shared-memory helpers: the
// program thread, or the frame builder holding its screen read turn.
std::vector<std::string> image_text_rows(const image_record* img);

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

// Drawing characters into images.

// Draws one character at the write image's cursor without moving it.
void put_char(uint32_t code);

// Draws a built-in glyph (fonts 8, 9, 14, 15, 16, 17) with its top-left corner
// at (x0, y0) in the image's colour, background and print mode. Pixels outside
// the image are dropped; with clip_to_view, those outside the view port too.
void draw_builtin_glyph(image_record* img, uint32_t font, uint32_t code, int32_t x0, int32_t y0, bool clip_to_view);

// Width of a text in pixels on an image (characters on a text surface).
// Bit 0 of given: page_or_handle names the image, else the write image.
int32_t text_width(const str_desc* text, int64_t page_or_handle, int32_t given);

// Prints a text with its top-left corner at (x, y) on a pixel image. given
// bit 0: (x, y) is relative to the image's last graphics point; bit 1: an
// image is given.
void print_at(float x, float y, const str_desc* text, int64_t page_or_handle, int32_t given);

// Text output at the write image's cursor: PRINT's strings with their control
// characters, the wrap at the right edge, new lines with scrolling of the print
// region, the fitting rule for PRINT items and the comma's zones. Program thread.

// Control characters are drawn as glyphs instead of acting (the control-character switch).
extern int32_t control_chars_off;
// Set only while the key-label line prints its labels: control characters are drawn too.
extern int32_t print_literal;

// Prints one string at the cursor; newline non-zero ends the line afterwards.
void print_text(const str_desc* text, int32_t newline);
// The same for len bytes at chars.
void print_chars(const uint8_t* chars, int32_t len, int32_t newline);

// Cursor to column 1 of the next row, scrolling the print region below its last row.
void new_line();

// Before a PRINT item: a new line when the item does not fit on the rest of the line.
void make_fit(const str_desc* text);

// The PRINT comma: on to the next 14-column zone.
void next_zone();

// The control-character switch: 2 draws control characters, anything else lets them act.
void control_chars_set(int32_t mode);
// -1 while control characters are drawn, else 0.
int32_t control_chars_query();

// Moves character rows top+1 .. bottom of an image up by one (one block move)
// and fills row bottom with blank cells or the background. Rows are clamped to the image.
void scroll_rows_up(image_record* img, int32_t top, int32_t bottom);

// The printer page: LPRINT output goes to a 640x960 mode-13 image that is
// handed to the printer when it fills, on a form feed, ten seconds after its
// last output (main loop) and at shutdown. Handing it over sends it nowhere in
// this build: the page is simply cleared.
//
// The program thread prints into the page only while printer_mode is set; the
// main loop touches it only while printer_busy is set. Each side raises its
// own word first and then looks at the other's, so the two never work on the
// page at the same time.

extern std::atomic<int32_t> printer_mode;  // 1 while LPRINT output goes to the page
extern std::atomic<int32_t> printer_busy;  // 1 while the main loop looks at the page
extern int32_t printer_column;             // 1-based column of the printer's line
extern int32_t printer_width;              // WIDTH for the printer, 1-255 (80 at start)

// Seconds without output after which the main loop hands the page over.
constexpr double printer_idle_seconds = 10.0;

// LPRINT around the usual PRINT operations: printer_begin waits for the main
// loop, makes the page (on first use) the write image and notes the time of
// the output; printer_end puts the previous write image back.
void printer_begin();
void printer_end();
// One LPRINT string: printer_begin, print_text, printer_end.
void lprint_text(const str_desc* text, int32_t newline);

// True when img is the printer page (text output asks while printer_mode is set).
bool is_printer_page(const image_record* img);
// Text output marks the page as holding output for every character it prints there.
void printer_mark_output();
// Hands the page to the printer: clears its holds-output mark, clears it to
// colour 15 and homes its cursor.
void printer_page_hand_over();

// The main loop's printer step (only while printer_mode is 0): hands the page
// over once it has held output for printer_idle_seconds without more.
void printer_page_step();
// The same step at a given ms_counter reading.
void printer_page_step_at(int64_t now_ms);
// Shutdown: hands the page over if it holds output.
void printer_shutdown_hand_over();

// The printer-column query: printer 0-3 gives printer_column, others error 5.
int32_t printer_column_query(int32_t printer);

// The page's image index (0 before first use) and its holds-output mark.
int32_t printer_page_index();
bool printer_page_holds_output();
// Frees the page and resets the printer state (start-up and tests).
void printer_reset();

// LOCATE, VIEW PRINT, CSRLIN and POS on the write image. Program thread.

// 1 until the program changes the screen: start-up sets it after its first
// SCREEN; WIDTH, any SCREEN other than one giving only mode 0, and the LOCATE
// below the last row clear it.
extern int32_t screen_untouched;

// LOCATE row, column, visible, first scan line, last scan line; given bits
// 0-4 say which. Every argument is checked before anything moves (error 5).
// While the screen is untouched, a row below the 25-row start-up screen
// (up to 50) first turns it into 80 x 50.
void locate(int32_t row, int32_t col, int32_t visible, int32_t first_line, int32_t last_line, int32_t given);

// VIEW PRINT top TO bottom (bit 0 of given), or the whole screen without rows.
void view_print(int32_t top, int32_t bottom, int32_t given);

// The cursor's row and column as PRINT will use them (a held line counts as
// the start of the next row).
int32_t csrlin();
int32_t pos();

// CLS: clearing the screen, the graphics view or the print region of the write image.

// kind (bit 0 of given): none = the text rows of the print region and the
// last row, or on a pixel surface the logical window (the whole image without
// logical coordinates); 0 the whole image; 1 pixel surfaces only, as none;
// 2 the print region only. fill (bit 1 of given): colour, default the
// background. Range errors are error 5 and change nothing.
void cls(int32_t kind, int64_t fill, int32_t given);

// The blank cell CLS writes on a text surface with a fill colour.
uint16_t cls_blank_cell(const image_record* img, uint32_t fill);

// COLOR: foreground and background of the write image, by its mode.

// given: bit 0 fg, bit 1 bg, bit 2 a third argument (refused with error 5).
// Both values are checked against the mode's ranges before either is set.
void color(int64_t fg, int64_t bg, int64_t third, int32_t given);

// VIEW (the graphics view port) and WINDOW (logical coordinates) of the write image.

// given: bit 0 corners, bit 1 the SCREEN keyword (no view offset), bit 2 fill
// colour, bit 3 border colour. Without corners the view port is the whole image.
void view(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fill, uint32_t border, int32_t given);

// given: bit 0 corners, bit 1 the SCREEN keyword (y grows downwards). Without
// corners logical coordinates end.
void window(float x1, float y1, float x2, float y2, int32_t given);

// Scales and offsets that map the image's window onto its view port. y runs
// upwards when upward is set.
void window_scaling(image_record* img, bool upward);

// Logical coordinates back to plain pixels: scale 1, no offset, the window the whole image.
void reset_logical_window(image_record* img);

// PCOPY: copies one page or image onto another of the same shape.

void page_copy(int64_t from, int64_t to);

// The function-key label line on the last row of page 0, and the KEY
// statements that define and list the labels. Program thread.

extern int32_t key_line_wanted;  // KEY ON / KEY OFF
extern int32_t key_line_shown;   // what the last row shows now

// Draws or clears the label line on page 0. Forced (after SCREEN and CLS): only
// while the line is wanted on. Unforced: only when wanted and shown differ.
void key_line_redraw(int32_t forced);
// KEY ON (non-zero) and KEY OFF.
void key_line_set(int32_t on);

// KEY n, text: keys 1-10 and 30-31 (F11, F12) take a label of up to 15
// characters; keys 15-29 define trap keys (the last character is the make
// code, the others OR-ed together the shift state; empty text clears). Any
// other key, or a longer label, is error 5.
void key_define(int32_t key, const str_desc* text);

// KEY LIST: one line per function key 1-12 with its label.
void key_list();

// The glyph a control character of a label is shown as (others unchanged).
uint8_t key_label_glyph(uint8_t code);

// Soft-key strings: text given to an entry of key_trap_table turns its key into
// a macro that types the text. The key statements set them (program thread); the
// key handlers read them (window thread).

// Sets (or, with empty text, clears) the text of entry 0-31.
void soft_key_set(int32_t entry, std::string_view text);

// Text of entry 0-31 (empty when none).
std::string soft_key_text(int32_t entry);

// Text of the first entry with non-empty text whose code is value or whose second
// code is code; empty when none.
std::string soft_key_find(int32_t value, int32_t code);

#pragma once
// The screen: screen modes and pages, the screen statements (LOCATE, CLS,
// COLOR, VIEW, WINDOW, WIDTH), the program's operations on images and their
// colours, the VGA palette ports, start-up of the screen, the window icon's
// pixels and the function-key label line. Program thread, except where a
// declaration says otherwise.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/image/image.h"
#include "runtime/strings/strings.h"
#include "runtime/text/text.h"

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

// PCOPY: copies one page or image onto another of the same shape.

void page_copy(int64_t from, int64_t to);

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

// The VGA palette ports and the blink switch.

// Where the next palette port read and write go. Program thread.
struct vga_ports_state {
  int32_t palette_read_index = 0;
  int32_t palette_read_component = 0;  // 0 red, 1 green, 2 blue
  int32_t palette_write_index = 0;
  int32_t palette_write_component = 0;
  bool unhandled_used = false;  // an OUT to a port the runtime does not emulate
};
extern vga_ports_state vga_ports;
void vga_ports_reset();

// OUT port, value: 0x3C7 read index, 0x3C8 write index, 0x3C9 the next 6-bit
// colour component of the write image's palette, 0x3C0 the blink bit.
void port_out(int32_t port, int32_t value);

// The blink statement (1 turns blinking on, anything else off) and its query (-1 or 0).
void blink_set(int32_t on);
int32_t blink_query();

// The SCREEN statement: screen modes, text screens and the active and visual pages.

constexpr size_t text_memory_size = 65536;
constexpr size_t mode13_memory_size = 64000;
// The emulated video memory the first pages lie in. Program thread writes;
// the frame builder reads the shown page through the shared-memory helpers.
struct video_memory_state {
  alignas(16) uint8_t text[text_memory_size];      // text pages that fit
  alignas(16) uint8_t mode13[mode13_memory_size];  // page 0 of mode 13
};
extern video_memory_state video_memory;
// Both zeroed.
void video_memory_reset();

// What the next text screen is to be, and whether the program has changed
// the start-up screen yet. Program thread.
struct screen_setup_state {
  // Text size asked for by WIDTH, used by the next text screen; -1 = not set.
  int32_t text_cols = -1;
  int32_t text_rows = -1;
  int32_t text_font = -1;
  // 1 until the program changes the screen: start-up sets it after its first
  // SCREEN; WIDTH, any SCREEN other than one giving only mode 0, and the
  // LOCATE below the last row clear it.
  int32_t untouched = 1;
};
extern screen_setup_state screen_setup;
void screen_setup_reset();

// SCREEN mode, colour switch, active page, visual page, fifth argument.
// given: bit 0 mode, bit 2 active page, bit 3 visual page. A negative mode is
// an image handle that becomes page 0. The colour switch and the fifth
// argument are accepted and not used.
void screen_set(int32_t mode, int32_t colour_switch, int32_t active_page, int32_t visual_page,
                int32_t fifth, int32_t given);

// WIDTH: the text grid of the screen (or the font of a pixel page), and the printer's line width.

// device 0: the screen; device 2 with only cols given (1-255): the printer
// width. given: bit 0 cols, bit 1 rows. Values out of range are error 5 and
// change nothing.
void width(int32_t device, int32_t cols, int32_t rows, int32_t given);

// The screen's part of start-up.

// Font metrics of the built-in fonts; an empty image table with its two reserved slots; blank text memory.
void screen_tables_init();
// The 80x25 text screen of mode 0.
void screen_first_mode();
// The two small 32-bit images (16x16 and 32x32) of the window icon.
void screen_icons_init();

// The image indexes of the two icon images (0 before screen_icons_init).
struct icon_images_state {
  int32_t small_index = 0;
  int32_t large_index = 0;
};
extern icon_images_state icon_images;

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

// Prints a text with its top-left corner at (x, y) on a pixel image. given
// bit 0: (x, y) is relative to the image's last graphics point; bit 1: an
// image is given.
void print_at(float x, float y, const str_desc* text, int64_t page_or_handle, int32_t given);

// LOCATE, VIEW PRINT, CSRLIN and POS on the write image. Program thread.

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

// The function-key label line on the last row of page 0, and the KEY
// statements that define and list the labels. Program thread.

struct key_line_state {
  int32_t wanted = 0;  // KEY ON / KEY OFF
  int32_t shown = 0;   // what the last row shows now
};
extern key_line_state key_line;
void key_line_reset();

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

// Soft-key strings: text given to an entry of event_traps.keys turns its key into
// a macro that types the text. The key statements set them (program thread); the
// key handlers read them (window thread).

// Sets (or, with empty text, clears) the text of entry 0-31.
void soft_key_set(int32_t entry, std::string_view text);

// Text of entry 0-31 (empty when none).
std::string soft_key_text(int32_t entry);

// Text of the first entry with non-empty text whose code is value or whose second
// code is code; empty when none.
std::string soft_key_find(int32_t value, int32_t code);

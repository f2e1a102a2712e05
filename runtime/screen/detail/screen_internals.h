#pragma once
// What the screen's files share that no other folder uses: the font rasteriser,
// console output and where the key statements keep what they define. Program
// thread.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/screen/screen.h"

// The font rasteriser behind loaded fonts. This build binds none: every
// operation reports nothing, so no font file loads.
struct glyph_coverage {
  uint8_t* pixels;  // width * height bytes, 0 clear .. 255 fully set; free with font_engine_free_glyph
  int32_t width;
  int32_t height;
  int32_t advance;
};

// A font of the given pixel height from a font file's bytes; 0 when none can be made.
uintptr_t font_engine_make(const uint8_t* file, size_t size, int32_t height, int32_t flags);
// Renders a character (code page 437 code) or a 32-bit code point; false when there is no glyph.
bool font_engine_render_char(uintptr_t font, uint32_t code, glyph_coverage* out);
bool font_engine_render_code_point(uintptr_t font, uint32_t code_point, glyph_coverage* out);
// The fixed advance of a font, 0 for a proportional font.
int32_t font_engine_fixed_advance(uintptr_t font);
void font_engine_free_glyph(glyph_coverage* glyph);
void font_engine_release(uintptr_t font);

// Draws a coverage bitmap of a loaded font at (x0, y0): as set/clear pixels on
// one-byte images, with blending off or with font_flags DONTBLEND; otherwise
// mixed by coverage into the 32-bit pixels.
void draw_coverage(image_record* img, const glyph_coverage& glyph, int32_t font_flag_bits, int32_t x0, int32_t y0,
                   bool clip_to_view);

// PRINT on a console surface: the text goes to the process's standard output.

// Writes chars up to len bytes or the first zero byte, whichever comes first;
// newline adds an end-of-line and flushes the stream. No cursor moves.
void console_write(const uint8_t* chars, int32_t len, int32_t newline);

// Where the key statements keep what they define: the label (soft-key) texts
// of the function keys and the make code and shift state of user-defined trap
// keys. Program thread writes; the labels are read by the key-label line.

// Entries 1-10 are F1-F10, 30 and 31 are F11 and F12.
void key_label_store(int32_t entry, const uint8_t* chars, int32_t len);
std::string key_label_text(int32_t entry);

// Entries 15-29: the key with this make code and shift state; make 0 clears it.
void user_key_store(int32_t entry, uint8_t make, uint8_t shift_mask);
uint8_t user_key_make(int32_t entry);
uint8_t user_key_shift_mask(int32_t entry);

// Forgets every label and user-defined key (start-up and tests).
void key_definitions_reset();

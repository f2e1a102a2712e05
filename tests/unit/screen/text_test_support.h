#pragma once
// Reading cells and character rows of the write image for the text tests.
#include <cstring>
#include <string>
#include <vector>

#include "runtime/screen/screen.h"
#include "screen_fixture.h"

class TextTest : public ScreenTest {
 public:
  // The two screens the edge cases run on: 80x25 text and the 80x30 of SCREEN 11.
  enum class surface { text, screen11 };
  static void use(surface s) {
    if (s == surface::screen11) screen_set(11, 0, 0, 0, 0, 1);
  }
  static const char* name(surface s) { return s == surface::text ? "80x25 text" : "SCREEN 11"; }

 protected:

  // A fresh start-up screen within one test (loops over cases).
  void fresh() {
    str_cleanup(string_mark);
    SetUp();
  }

  static image_record* img() { return write_image; }
  static void print(const std::string& s, int32_t newline) { print_text(text(s), newline); }
  static void at(int32_t col, int32_t row) {
    set_cursor(write_image, col, row);
    set_line_held(write_image, 0);
  }

  // Bytes of character row r (1-based): cells of a text surface, the pixel
  // rows of a pixel surface.
  static std::vector<uint8_t> row_bytes(const image_record* i, int32_t r) {
    size_t size, start;
    if (i->text) {
      size = static_cast<size_t>(i->width) * 2;
      start = (r - 1) * size;
    } else {
      const int32_t h = font_table.height[i->font];
      size = static_cast<size_t>(i->width) * i->bytes_per_pixel * h;
      start = (r - 1) * size;
    }
    return std::vector<uint8_t>(i->data + start, i->data + start + size);
  }

  // The character drawn in cell (col, row): the cell's code on a text
  // surface; on a one-byte pixel surface with an 8-pixel-wide built-in font,
  // the code whose glyph matches the cell's pixels in colour on background
  // (-1 when none does).
  static int32_t char_at(const image_record* i, int32_t col, int32_t row) {
    if (i->text) return i->data[((row - 1) * i->width + (col - 1)) * 2];
    for (int32_t code = 0; code < 256; ++code)
      if (cell_shows(i, col, row, code, i->colour, i->background)) return code;
    return -1;
  }

  static bool cell_shows(const image_record* i, int32_t col, int32_t row, int32_t code, uint32_t fg, uint32_t bg) {
    const int32_t h = font_table.height[i->font];
    const uint8_t* glyph = h == 8 ? glyph_8x8.data() + code * 64 : h == 14 ? glyph_8x16.data() + code * 128 + 8 : glyph_8x16.data() + code * 128;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < 8; ++x) {
        const uint8_t p = i->data[static_cast<size_t>((row - 1) * h + y) * i->width + (col - 1) * 8 + x];
        if (p != ((glyph[y * 8 + x] ? fg : bg) & i->mask)) return false;
      }
    return true;
  }

  static std::string row_text(const image_record* i, int32_t row, int32_t from, int32_t count) {
    std::string s;
    for (int32_t c = from; c < from + count; ++c) s += static_cast<char>(char_at(i, c, row));
    return s;
  }
};

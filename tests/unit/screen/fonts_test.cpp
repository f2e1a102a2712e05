#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "screen_fixture.h"

namespace {

// Rows of a glyph of the working tables as bit patterns (bit 7 leftmost).
uint8_t glyph_row(const uint8_t* table, int32_t bytes_per_glyph, int32_t code, int32_t row) {
  uint8_t bits = 0;
  for (int32_t c = 0; c < 8; ++c)
    if (table[code * bytes_per_glyph + row * 8 + c]) bits |= 0x80 >> c;
  return bits;
}

TEST_F(ScreenTest, GlyphsHaveTheVgaShapes) {
  struct {
    int32_t code;
    uint8_t rows[8];
  } eight[] = {
      {1, {0x7E, 0x81, 0xA5, 0x81, 0xBD, 0x99, 0x81, 0x7E}},    // face
      {176, {0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88}},  // light shade
      {201, {0x00, 0x00, 0x3F, 0x30, 0x37, 0x36, 0x36, 0x36}},  // double-line corner
      {225, {0x78, 0xCC, 0xCC, 0xD8, 0xCC, 0xC6, 0xCC, 0x00}},  // sharp s
  };
  for (const auto& g : eight)
    for (int32_t r = 0; r < 8; ++r) EXPECT_EQ(glyph_row(glyph_8x8.data(), 64, g.code, r), g.rows[r]) << g.code << " row " << r;
  struct {
    int32_t code;
    uint8_t rows[16];
  } sixteen[] = {
      {1, {0x00, 0x00, 0x7E, 0x81, 0xA5, 0x81, 0x81, 0xBD, 0x99, 0x81, 0x81, 0x7E, 0x00, 0x00, 0x00, 0x00}},
      {176, {0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44}},
      {201, {0x00, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x30, 0x37, 0x36, 0x36, 0x36, 0x36, 0x36, 0x36, 0x36, 0x36}},
      {225, {0x00, 0x00, 0x78, 0xCC, 0xCC, 0xCC, 0xD8, 0xCC, 0xC6, 0xC6, 0xC6, 0xCC, 0x00, 0x00, 0x00, 0x00}},
  };
  for (const auto& g : sixteen)
    for (int32_t r = 0; r < 16; ++r)
      EXPECT_EQ(glyph_row(glyph_8x16.data(), 128, g.code, r), g.rows[r]) << g.code << " row " << r;
  for (int32_t c = 0; c < 256; ++c) EXPECT_EQ(glyph_8x16[c * 128 + 7] % 255, 0) << c;  // bytes are 0 or 255
}

// Expected value of one glyph pixel by print mode, or the old value when left alone.
uint32_t expected_pixel(int32_t mode, bool set, uint32_t colour, uint32_t background, uint32_t old) {
  if (set) return mode == 2 ? old : colour;
  return mode == 1 ? old : background;
}

TEST_F(ScreenTest, PutCharOnOneBytePixelsByPrintMode) {
  // Width 32 puts every glyph row on a word boundary, width 36 does not.
  for (const int32_t width : {32, 36})
  for (const int32_t mode : {1, 2, 3}) {
    const int32_t handle = new_image(width, 32, 13, 1);
    image_record* img = image_at(-handle);
    std::memset(img->data, 9, width * 32);
    set_dest(handle);
    set_image_font(16, 0, 0);
    img->print_mode = static_cast<uint8_t>(mode);
    img->colour = 300;  // stored AND the mask
    img->background = 2;
    set_cursor(img, 2, 1);
    put_char('A');
    for (int32_t y = 0; y < 32; ++y) {
      for (int32_t x = 0; x < 32; ++x) {
        const bool in_cell = x >= 8 && x < 16 && y < 16;
        const bool set = in_cell && glyph_8x16['A' * 128 + y * 8 + (x - 8)];
        const uint32_t want = in_cell ? expected_pixel(mode, set, 300 & 0xFF, 2, 9) : 9;
        ASSERT_EQ(img->data[y * width + x], want) << "width " << width << " mode " << mode << " at " << x << "," << y;
      }
    }
    free_image(handle, 1);
  }
}

TEST_F(ScreenTest, PutCharOn32BitPixels) {
  constexpr uint32_t old = 0xFF0000FF;
  // The blend worked out channel by channel (the channels used are 0 or 255,
  // so every product divides evenly).
  auto mix = [](uint32_t dst, uint32_t src) {
    const uint32_t a = src >> 24;
    uint32_t out = 0;
    for (int32_t shift = 0; shift < 24; shift += 8) {
      const uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
      out |= static_cast<uint32_t>(std::lround((s * a + d * (255 - a)) / 255.0)) << shift;
    }
    const uint32_t alpha = a + static_cast<uint32_t>(std::lround((dst >> 24) * (255 - a) / 255.0));
    return out | alpha << 24;
  };
  struct {
    uint32_t colour, background;
    uint8_t blend_off;
    int32_t print_mode;
  } cases[] = {
      {0xFFFF0000, 0xFF00FF00, 0, 3}, {0x00FF0000, 0x0000FF00, 0, 3}, {0x80FF0000, 0x4000FF00, 0, 3},
      {0x80FF0000, 0x4000FF00, 1, 3}, {0x80FF0000, 0x4000FF00, 0, 1}, {0x80FF0000, 0x4000FF00, 0, 2},
  };
  for (const auto& c : cases) {
    const int32_t handle = new_image(16, 16, 32, 1);
    image_record* img = image_at(-handle);
    auto* p = reinterpret_cast<uint32_t*>(img->data);
    for (int32_t i = 0; i < 256; ++i) p[i] = old;
    set_dest(handle);
    img->colour = c.colour;
    img->background = c.background;
    img->blend_off = c.blend_off;
    img->print_mode = static_cast<uint8_t>(c.print_mode);
    put_char(225);
    for (int32_t y = 0; y < 16; ++y) {
      for (int32_t x = 0; x < 8; ++x) {
        const bool set = glyph_8x16[225 * 128 + y * 8 + x] != 0;
        const bool written = set ? c.print_mode != 2 : c.print_mode != 1;
        const uint32_t value = set ? c.colour : c.background;
        const uint32_t want = !written ? old : c.blend_off ? value : mix(old, value);
        ASSERT_EQ(p[y * 16 + x], want) << std::hex << c.colour << " mode " << c.print_mode << " at " << x << "," << y;
      }
      ASSERT_EQ(p[y * 16 + 8], old);
    }
    free_image(handle, 1);
  }
}

TEST_F(ScreenTest, BlendTablesAreReadyWithA32BitImage) {
  new_image(1, 1, 32, 1);
  EXPECT_TRUE(blend_tables.ready);
  EXPECT_EQ(blend_over(0xFF000000, 0xFFFFFFFF), 0xFFFFFFFFu);
  EXPECT_EQ(blend_over(0xFF123456, 0x00FFFFFF), 0xFF123456u);
  EXPECT_EQ(blend_over(0xFF000000, 0x80FFFFFF), 0xFF808080u);
}

TEST_F(ScreenTest, Font14UsesRowsOneToFourteen) {
  screen_set(9, 0, 0, 0, 0, 1);
  image_record* img = write_image;
  ASSERT_EQ(img->font, 14u);
  set_cursor(img, 3, 2);
  put_char(65);
  for (int32_t y = 0; y < 14; ++y)
    for (int32_t x = 0; x < 8; ++x)
      ASSERT_EQ(img->data[(14 + y) * 640 + 16 + x], glyph_8x16[65 * 128 + (y + 1) * 8 + x] ? 15 : 0) << x << "," << y;
}

TEST_F(ScreenTest, DoubleWidthFontsRepeatEachColumn) {
  const int32_t handle = new_image(32, 16, 13, 1);
  set_dest(handle);
  set_image_font(17, 0, 0);
  put_char(201);
  image_record* img = write_image;
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x)
      ASSERT_EQ(img->data[y * 32 + x], glyph_8x16[201 * 128 + y * 8 + x / 2] ? 15 : 0) << x << "," << y;
}

TEST_F(ScreenTest, PutCharOnTextAndOutsideTheImage) {
  write_image->colour = 0x1E;  // yellow, blinking
  write_image->background = 1;
  set_cursor(write_image, 80, 25);
  put_char(0x141);  // reduced to its low byte
  const uint8_t* cell = video_memory.text + (24 * 80 + 79) * 2;
  EXPECT_EQ(cell[0], 0x41);
  EXPECT_EQ(cell[1], 0x80 | 0x10 | 0x0E);
  set_cursor(write_image, 81, 1);  // beyond the last column: nothing
  put_char('B');
  EXPECT_EQ(video_memory.text[80 * 2], 32);
  const int32_t handle = new_image(20, 20, 13, 1);
  set_dest(handle);
  set_cursor(write_image, 3, 2);  // the 8x8 cell hangs over the right edge
  put_char(219);
  EXPECT_EQ(write_image->data[15 * 20 + 19], 15);
  EXPECT_EQ(write_image->data[16 * 20 + 19], 0);
  set_cursor(write_image, -3000, 30000);
  put_char(219);
}

TEST_F(ScreenTest, FontOptionParsing) {
  struct {
    const char* text;
    int32_t flags;
  } cases[] = {
      {"bold, monospace", 17}, {"BOLD", 1},           {" italic , underline ", 6}, {"DontBlend,UNICODE", 40},
      {"bold,bold", -1},       {"bold,", -1},         {"bold,,italic", -1},        {" ", -1},
      {"bolder", -1},          {"bold;italic", -1},   {"monospace,Bold", 17},
  };
  for (const auto& c : cases)
    EXPECT_EQ(parse_font_options(c.text, static_cast<int32_t>(std::strlen(c.text))), c.flags) << c.text;
}

TEST_F(ScreenTest, LoadFontResults) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("quintaro_fonts_" + std::to_string(getpid()));
  fs::create_directories(folder / "sub");
  const std::string file = (folder / "sub" / "face.ttf").string();
  std::FILE* f = std::fopen(file.c_str(), "wb");
  std::fputs("not a font", f);
  std::fclose(f);
  const fs::path saved_directory = fs::current_path();
  fs::current_path(folder / "sub");
  struct {
    std::string name;
    int32_t height;
    const char* options;
    int32_t result, error;
  } cases[] = {
      {file, 0, nullptr, 0, 5},
      {file, 2049, nullptr, -1, 0},
      {file, 16, "bold,", 0, 5},
      {file, 16, "italic,ITALIC", 0, 5},
      {"", 16, nullptr, -1, 0},
      {file, 16, "bold, monospace", -1, 0},  // read, but it is no font
      {"C:\\nowhere\\face.ttf", 16, nullptr, -1, 0},  // found by its file name in the current directory
      {"missing.ttf", 16, nullptr, -1, 0},
      {folder.string(), 16, nullptr, -1, 0},  // a folder reads as nothing
  };
  const int32_t slots = font_table.slots.load();
  for (const auto& c : cases) {
    EXPECT_EQ(load_font(text(c.name), c.height, c.options ? text(c.options) : nullptr, c.options ? 1 : 0), c.result)
        << c.name << " " << c.height;
    EXPECT_EQ(take_error(), c.error) << c.name << " " << c.height;
  }
  EXPECT_EQ(font_table.slots.load(), slots);
  EXPECT_EQ(load_font_plain(text(file), 16, 1), -1);
  EXPECT_EQ(load_font_plain(text(file), 0, 1), -1);
  EXPECT_EQ(take_error(), 0);
  fs::current_path(saved_directory);
  fs::remove_all(folder);
}

TEST_F(ScreenTest, FontOnTextScreenChangesEveryPageAndKeepsCursors) {
  set_cursor(page(0), 5, 7);
  set_cursor(page(3), 9, 2);
  set_image_font(8, 0, 0);
  EXPECT_EQ(take_error(), 0);
  for (int32_t p = 0; p < 8; ++p) EXPECT_EQ(page(p)->font, 8u);
  EXPECT_EQ(cursor_col_of(page(0)), 5);
  EXPECT_EQ(cursor_row_of(page(0)), 7);
  EXPECT_EQ(cursor_row_of(page(3)), 2);
  EXPECT_EQ(page(0)->bottom_row, 24);
  EXPECT_EQ(display_link.prev_valid.load(), 0);
}

TEST_F(ScreenTest, FontOnPixelImageHomesTheCursor) {
  screen_set(12, 0, 0, 0, 0, 1);
  set_cursor(write_image, 5, 7);
  set_image_font(8, 0, 0);
  EXPECT_EQ(write_image->font, 8u);
  EXPECT_EQ(cursor_col_of(write_image), 1);
  EXPECT_EQ(cursor_row_of(write_image), 1);
  EXPECT_EQ(write_image->bottom_row, 59);
}

TEST_F(ScreenTest, BadFontsAndFontQueries) {
  struct {
    int64_t font;
    int32_t error;
  } set_cases[] = {{7, 258}, {10, 258}, {32, 258}, {48, 258}, {49, 258}, {-8, 258}, {1LL << 40, 258}};
  for (const auto& c : set_cases) {
    set_image_font(c.font, 0, 0);
    EXPECT_EQ(take_error(), c.error) << c.font;
  }
  struct {
    int64_t font;
    int32_t width, height, error;
  } query_cases[] = {{8, 8, 8, 0}, {14, 8, 14, 0}, {16, 8, 16, 0}, {9, 0, 0, 258}, {15, 0, 0, 258}, {17, 0, 0, 258}, {40, 0, 0, 258}};
  for (const auto& c : query_cases) {
    EXPECT_EQ(font_width_query(c.font, 1), c.width) << c.font;
    EXPECT_EQ(take_error(), c.error) << c.font;
    EXPECT_EQ(font_height_query(c.font, 1), c.height) << c.font;
    EXPECT_EQ(take_error(), c.error) << c.font;
  }
  set_image_font(17, 0, 0);
  EXPECT_EQ(font_width_query(0, 0), 16);  // the write image's font
  EXPECT_EQ(image_font_query(0, 0), 17);
  EXPECT_EQ(image_font_query(5, 1), 17);
  free_font(16);
  EXPECT_EQ(take_error(), 258);
  free_font(33);
  EXPECT_EQ(take_error(), 258);
}

TEST_F(ScreenTest, TextWidth) {
  EXPECT_EQ(text_width(text("hello"), 0, 0), 5);  // characters on a text surface
  const int32_t handle = new_image(100, 100, 12, 1);
  EXPECT_EQ(text_width(text("hello"), handle, 1), 40);
  set_image_font(17, handle, 1);
  EXPECT_EQ(text_width(text("hi"), handle, 1), 32);
  text_width(text("x"), -1, 1);
  EXPECT_EQ(take_error(), 258);
}

TEST_F(ScreenTest, PrintAtClipsToTheViewPort) {
  const int32_t handle = new_image(40, 20, 13, 1);
  image_record* img = image_at(-handle);
  img->view_x2 = 11;  // only 12 columns may be drawn
  img->print_mode = 2;  // background only: every clear glyph pixel is painted
  img->background = 5;
  print_at(2.4f, 1.6f, text("\xDB\xDB"), handle, 2);  // full blocks: nothing painted; start rounded to (2, 2)
  for (int32_t i = 0; i < 40 * 20; ++i) ASSERT_EQ(img->data[i], 0);
  img->print_mode = 3;
  img->colour = 7;
  print_at(2.4f, 1.6f, text("\xDB\xDB"), handle, 2);
  EXPECT_EQ(img->gfx_x, 2.4f);
  for (int32_t y = 0; y < 20; ++y) {
    for (int32_t x = 0; x < 40; ++x) {
      const bool drawn = x >= 2 && x <= 11 && y >= 2 && y < 10;  // font 8
      ASSERT_EQ(img->data[y * 40 + x], drawn ? 7 : 0) << x << "," << y;
    }
  }
  print_at(1.0f, 0.0f, text("\xDB"), handle, 2 | 1);  // relative: from (2.4, 1.6) to (3.4, 1.6)
  EXPECT_EQ(img->gfx_x, 3.4f);
  print_at(0, 0, text("x"), -1, 2);
  EXPECT_EQ(take_error(), 258);
}

}  // namespace

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "runtime/screen/detail/screen_internals.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "text_test_support.h"

namespace {

using StatementTest = TextTest;

void dirty_text(image_record* i) {
  for (int32_t c = 0; c < i->width * i->height; ++c) {
    i->data[2 * c] = 'x';
    i->data[2 * c + 1] = 0x4E;
  }
}

TEST_F(StatementTest, ClsBlanksTheStartUpScreen) {
  dirty_text(img());
  at(30, 12);
  set_line_held(img(), 1);
  cls(0, 0, 0);
  for (int32_t c = 0; c < 80 * 25; ++c) {
    ASSERT_EQ(img()->data[2 * c], 32) << c;
    ASSERT_EQ(img()->data[2 * c + 1], 7) << c;
  }
  EXPECT_EQ(cursor_row_of(img()), 1);
  EXPECT_EQ(cursor_col_of(img()), 1);
  EXPECT_EQ(img()->line_held, 0);
}

TEST_F(StatementTest, ClsKindsOnATextScreen) {
  struct {
    int32_t kind;
    int32_t given;
    bool region, outside, last;  // which rows are cleared
  } cases[] = {{0, 0, true, false, true}, {0, 1, true, true, true}, {1, 1, false, false, false}, {2, 1, true, false, false}};
  for (const auto& c : cases) {
    fresh();
    SCOPED_TRACE(c.kind + 10 * c.given);
    view_print(5, 10, 1);
    dirty_text(img());
    img()->colour = 0x1A;
    cls(c.kind, 3, c.given | 2);
    const uint8_t blank_attribute = (3 << 4) | 0x80 | 0x0A;
    EXPECT_EQ(img()->data[(6 * 80) * 2], c.region ? 32 : 'x');
    EXPECT_EQ(img()->data[(6 * 80) * 2 + 1], c.region ? blank_attribute : 0x4E);
    EXPECT_EQ(img()->data[(1 * 80) * 2], c.outside ? 32 : 'x');
    EXPECT_EQ(img()->data[(24 * 80) * 2], c.last ? 32 : 'x');
    EXPECT_EQ(cursor_row_of(img()), 5);
  }
}

TEST_F(StatementTest, ClsRedrawsTheKeyLineExceptForThePrintRegion) {
  uint8_t label[] = "LIST";
  key_label_store(1, label, 4);
  key_line_set(1);
  EXPECT_EQ(row_text(img(), 25, 1, 5), "1LIST");
  EXPECT_EQ(img()->data[(24 * 80 + 1) * 2 + 1], 0x70);  // label reversed
  EXPECT_EQ(img()->data[(24 * 80) * 2 + 1], 0x07);      // number in the normal colours
  struct {
    int32_t kind, given;
    bool redrawn;
  } cases[] = {{0, 0, true}, {0, 1, true}, {2, 1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind + 10 * c.given);
    std::memset(img()->data + 24 * 160, 'Q', 2);
    cls(c.kind, 0, c.given);
    EXPECT_EQ(char_at(img(), 1, 25), c.redrawn ? '1' : 'Q');
  }
  key_line_set(0);
  EXPECT_EQ(row_text(img(), 25, 1, 5), "     ");
}

TEST_F(StatementTest, ClsOnPixelSurfaces) {
  screen_set(12, 0, 0, 0, 0, 1);
  std::memset(img()->data, 5, 640 * 480);
  view(100, 100, 199, 149, 0, 0, 1);
  cls(0, 2, 2);  // no kind: the view port only
  EXPECT_EQ(img()->data[0], 5);
  EXPECT_EQ(img()->data[100 * 640 + 100], 2);
  EXPECT_EQ(img()->data[149 * 640 + 199], 2);
  EXPECT_EQ(img()->data[150 * 640 + 199], 5);
  EXPECT_EQ(img()->gfx_x, 50);
  EXPECT_EQ(img()->gfx_y, 25);
  cls(2, 4, 3);  // the print region: rows 1-29 of 16 pixels
  EXPECT_EQ(img()->data[0], 4);
  EXPECT_EQ(img()->data[(29 * 16 - 1) * 640], 4);
  EXPECT_EQ(img()->data[29 * 16 * 640], 5);
  cls(0, 0, 1);
  EXPECT_EQ(img()->data[479 * 640 + 639], 0);
}

TEST_F(StatementTest, ClsWithLogicalCoordinatesFillsTheWindowAndCentresThePoint) {
  screen_set(13, 0, 0, 0, 0, 1);
  std::memset(img()->data, 5, 320 * 200);
  view(10, 20, 109, 119, 0, 0, 1);
  window(-50, -50, 50, 50, 1);
  cls(0, 9, 2);
  EXPECT_EQ(img()->data[20 * 320 + 10], 9);
  EXPECT_EQ(img()->data[119 * 320 + 109], 9);
  EXPECT_EQ(img()->data[19 * 320 + 10], 5);
  EXPECT_EQ(img()->data[20 * 320 + 110], 5);
  EXPECT_NEAR(img()->gfx_x, 0.0, 1.0);
  EXPECT_NEAR(img()->gfx_y, 0.0, 1.0);
}

TEST_F(StatementTest, ColourByMode) {
  struct {
    int32_t mode;
    int64_t fg, bg;
    int32_t given;
    uint32_t colour, background;
  } cases[] = {
      {0, 7, 9, 3, 7, 1},        {0, 31, 0, 1, 31, 0},    {13, 200, 100, 3, 200, 100}, {12, 15, 14, 3, 15, 14},
      {11, 0, 1, 3, 0, 1},       {9, 5, 0, 1, 5, 0},      {7, 3, 0, 1, 3, 0},          {2, 1, 0, 1, 1, 0},
  };
  for (const auto& c : cases) {
    fresh();
    SCOPED_TRACE(c.mode);
    screen_set(c.mode, 0, 0, 0, 0, 1);
    color(c.fg, c.bg, 0, c.given);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(img()->colour, c.colour);
    EXPECT_EQ(img()->background, c.background);
  }
}

TEST_F(StatementTest, ColourSetsPaletteEntriesInTheOldModes) {
  struct {
    int32_t mode;
    int64_t fg, bg;
    int32_t given;
    int32_t entry;
    uint32_t value;
  } cases[] = {
      {1, 0, 1, 2, 1, vga_palette[3]}, {1, 0, 1, 2, 2, vga_palette[5]}, {1, 0, 1, 2, 3, vga_palette[7]},
      {1, 0, 0, 2, 1, vga_palette[2]}, {1, 0, 0, 2, 3, vga_palette[6]}, {1, 4, 0, 1, 0, vga_palette[4]},
      {9, 0, 20, 2, 0, ega_palette[20]}, {7, 0, 9, 2, 0, vga_palette[9]}, {2, 0, 12, 2, 0, vga_palette[12]},
      {10, 0, 8, 2, 4, 8},
  };
  for (const auto& c : cases) {
    fresh();
    SCOPED_TRACE(std::to_string(c.mode) + " entry " + std::to_string(c.entry));
    screen_set(c.mode, 0, 0, 0, 0, 1);
    color(c.fg, c.bg, 0, c.given);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(palette_get(img()->palette, c.entry), c.value);
  }
  EXPECT_EQ(vga_palette[3] & 0xFFFFFF, 0x00AAAAu);  // cyan, magenta, grey
  EXPECT_EQ(vga_palette[5] & 0xFFFFFF, 0xAA00AAu);
  EXPECT_EQ(vga_palette[7] & 0xFFFFFF, 0xAAAAAAu);
}

// A snapshot of everything a refused statement must leave alone.
struct image_snapshot {
  std::vector<uint8_t> record, pixels, palette;
  explicit image_snapshot(const image_record* i) {
    const auto* r = reinterpret_cast<const uint8_t*>(i);
    record.assign(r, r + sizeof(image_record));
    const size_t size = static_cast<size_t>(i->width) * i->height * i->bytes_per_pixel;
    pixels.assign(i->data, i->data + size);
    if (i->palette) {
      const auto* p = reinterpret_cast<const uint8_t*>(i->palette);
      palette.assign(p, p + 256 * 4);
    }
  }
  bool operator==(const image_snapshot&) const = default;
};

TEST_F(StatementTest, RangeErrorsLeaveTheImageUnchanged) {
  struct {
    int32_t mode;
    const char* name;
    std::function<void()> statement;
  } cases[] = {
      {0, "COLOR 32", [] { color(32, 0, 0, 1); }},
      {0, "COLOR 5, 16", [] { color(5, 16, 0, 3); }},
      {0, "COLOR with a third argument", [] { color(1, 1, 1, 7); }},
      {11, "COLOR 2 in mode 11", [] { color(2, 0, 0, 1); }},
      {12, "COLOR 1, 16 in mode 12", [] { color(1, 16, 0, 3); }},
      {13, "COLOR 256", [] { color(256, 0, 0, 1); }},
      {9, "COLOR , 64 in mode 9", [] { color(0, 64, 0, 2); }},
      {10, "COLOR 4 in mode 10", [] { color(4, 0, 0, 1); }},
      {1, "COLOR 16 in mode 1", [] { color(16, 0, 0, 1); }},
      {0, "CLS 3", [] { cls(3, 0, 1); }},
      {0, "CLS -1", [] { cls(-1, 0, 1); }},
      {12, "CLS , 16", [] { cls(0, 16, 2); }},
      {12, "CLS 0, -1", [] { cls(0, -1, 3); }},
      {0, "LOCATE 0", [] { locate(0, 1, 0, 0, 0, 1); }},
      {0, "LOCATE 26", [] { screen_setup.untouched = 0; locate(26, 1, 0, 0, 0, 1); }},
      {0, "LOCATE 51 untouched", [] { locate(51, 1, 0, 0, 0, 1); }},
      {0, "LOCATE 45, 81 untouched", [] { locate(45, 81, 0, 0, 0, 3); }},
      {0, "LOCATE 45, , 2 untouched", [] { locate(45, 1, 2, 0, 0, 5); }},
      {0, "LOCATE , 81", [] { locate(0, 81, 0, 0, 0, 2); }},
      {0, "LOCATE , 0", [] { locate(0, 0, 0, 0, 0, 2); }},
      {0, "LOCATE 3, 3, 2", [] { locate(3, 3, 2, 0, 0, 7); }},
      {0, "LOCATE 3, 3, 1, 32", [] { locate(3, 3, 1, 32, 0, 15); }},
      {0, "LOCATE 3, 3, 1, 0, -1", [] { locate(3, 3, 1, 0, -1, 31); }},
      {0, "VIEW PRINT 0 TO 5", [] { view_print(0, 5, 1); }},
      {0, "VIEW PRINT 6 TO 5", [] { view_print(6, 5, 1); }},
      {0, "VIEW PRINT 1 TO 26", [] { view_print(1, 26, 1); }},
      {0, "WIDTH 0", [] { width(0, 0, 0, 1); }},
      {0, "WIDTH , 0", [] { width(0, 0, 0, 2); }},
      {0, "WIDTH 256", [] { width(0, 256, 0, 1); }},
      {0, "WIDTH to device 3", [] { width(3, 80, 0, 1); }},
      {0, "printer WIDTH 0", [] { width(2, 0, 0, 1); }},
      {0, "printer WIDTH with rows", [] { width(2, 80, 25, 3); }},
      {12, "WIDTH 60 on SCREEN 12", [] { width(0, 60, 0, 1); }},
      {12, "WIDTH 80, 40 on SCREEN 12", [] { width(0, 80, 40, 3); }},
      {0, "KEY 11", [] { key_define(11, str_from_cstr("x")); }},
      {0, "KEY 1 with 16 characters", [] { key_define(1, str_from_cstr("0123456789abcdef")); }},
      {0, "VIEW on a text screen", [] { view(0, 0, 10, 10, 0, 0, 1); }},
      {12, "VIEW off the image", [] { view(0, 0, 640, 10, 0, 0, 1); }},
      {12, "VIEW fill without corners", [] { view(0, 0, 0, 0, 3, 0, 4); }},
      {12, "VIEW SCREEN without corners", [] { view(0, 0, 0, 0, 0, 0, 2); }},
      {0, "WINDOW on a text screen", [] { window(0, 0, 1, 1, 1); }},
      {12, "WINDOW SCREEN without corners", [] { window(0, 0, 0, 0, 2); }},
      {12, "WINDOW of no width", [] { window(1, 0, 1, 5, 1); }},
  };
  for (const auto& c : cases) {
    fresh();
    SCOPED_TRACE(c.name);
    if (c.mode) screen_set(c.mode, 0, 0, 0, 0, 1);
    const int32_t untouched = screen_setup.untouched, printer = line_printer.width;
    at(5, 7);
    const image_snapshot before(img());
    c.statement();
    EXPECT_EQ(take_error(), 5);
    EXPECT_TRUE(image_snapshot(img()) == before);
    EXPECT_EQ(line_printer.width, printer);
    // A refused LOCATE below the untouched start-up screen still uses up its one switch to 50 rows.
    const std::string name = c.name;
    if (name.find("untouched") != std::string::npos) {
      EXPECT_EQ(screen_setup.untouched, 0);
    } else if (name != "LOCATE 26") {
      EXPECT_EQ(screen_setup.untouched, untouched);
    }
  }
}

TEST_F(StatementTest, LocateBelowTheUntouchedStartUpScreenMakesIt80By50) {
  at(1, 3);
  print("kept", 0);
  img()->colour = 0x0E;
  locate(45, 0, 0, 0, 0, 1);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(img()->width, 80);
  EXPECT_EQ(img()->height, 50);
  EXPECT_EQ(img()->font, 8u);
  EXPECT_EQ(cursor_row_of(img()), 45);
  EXPECT_EQ(row_text(img(), 3, 1, 4), "kept");
  EXPECT_EQ(img()->colour, 0x0Eu);
  EXPECT_EQ(screen_setup.untouched, 0);
}

TEST_F(StatementTest, LocateBelowTheScreenAfterScreenOrWidthIsRefused) {
  struct {
    const char* name;
    std::function<void()> use;
  } cases[] = {
      {"SCREEN 12 and back", [] { screen_set(12, 0, 0, 0, 0, 1); screen_set(0, 0, 0, 0, 0, 1); }},
      {"SCREEN 0, , 1", [] { screen_set(0, 0, 1, 1, 0, 13); screen_set(0, 0, 0, 0, 0, 13); }},
      {"WIDTH 80", [] { width(0, 80, 0, 1); }},
  };
  for (const auto& c : cases) {
    fresh();
    SCOPED_TRACE(c.name);
    c.use();
    EXPECT_EQ(take_error(), 0);
    locate(45, 0, 0, 0, 0, 1);
    EXPECT_EQ(take_error(), 5);
    EXPECT_EQ(img()->height, 25);
    locate(25, 0, 0, 0, 0, 1);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(cursor_row_of(img()), 25);
  }
  fresh();
  locate(51, 0, 0, 0, 0, 1);  // refused, and the start-up screen is no longer untouched
  EXPECT_EQ(take_error(), 5);
  locate(45, 0, 0, 0, 0, 1);
  EXPECT_EQ(take_error(), 5);
  EXPECT_EQ(img()->height, 25);
  fresh();
  screen_set(0, 0, 0, 0, 0, 1);  // only mode 0: still untouched
  locate(45, 0, 0, 0, 0, 1);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(img()->height, 50);
}

TEST_F(StatementTest, LocateSetsTheCursorAndItsShapeOnEveryPage) {
  at(1, 1);
  print(std::string(80, 'x'), 0);
  locate(0, 0, 0, 0, 0, 0);
  EXPECT_EQ(img()->line_held, 2);
  locate(3, 0, 0, 0, 0, 1);
  EXPECT_EQ(img()->line_held, 0);
  EXPECT_EQ(cursor_row_of(img()), 3);
  EXPECT_EQ(cursor_col_of(img()), 80);
  locate(0, 9, 1, 6, 7, 30);
  EXPECT_EQ(cursor_col_of(img()), 9);
  for (int32_t p = 0; p < 8; ++p) {
    EXPECT_EQ(page(p)->cursor_visible, 1);
    EXPECT_EQ(page(p)->cursor_first_line, 6);
    EXPECT_EQ(page(p)->cursor_last_line, 7);
  }
}

TEST_F(StatementTest, ViewPrintWithoutRowsTakesInTheLastRow) {
  at(4, 25);
  print("last", 0);
  view_print(0, 0, 0);
  EXPECT_EQ(img()->top_row, 1);
  EXPECT_EQ(img()->bottom_row, 25);
  EXPECT_EQ(cursor_row_of(img()), 1);
  at(1, 25);
  print("", 1);  // scrolls row 25 up
  EXPECT_EQ(row_text(img(), 24, 4, 4), "last");
  EXPECT_EQ(cursor_row_of(img()), 25);
  view_print(3, 10, 1);
  EXPECT_EQ(img()->top_row, 3);
  EXPECT_EQ(img()->bottom_row, 10);
  EXPECT_EQ(cursor_row_of(img()), 3);
  EXPECT_EQ(cursor_col_of(img()), 1);
}

TEST_F(StatementTest, CsrlinAndPosAfterAHeldLine) {
  struct {
    int32_t row;
    int32_t csrlin;
  } cases[] = {{5, 6}, {24, 24}};
  for (const auto& c : cases) {
    fresh();
    at(1, c.row);
    print(std::string(80, 'p'), 0);
    EXPECT_EQ(csrlin(), c.csrlin);
    EXPECT_EQ(pos(), 1);
  }
  at(7, 9);
  EXPECT_EQ(csrlin(), 9);
  EXPECT_EQ(pos(), 7);
}

TEST_F(StatementTest, Width40OnTextAndOnScreen12) {
  width(0, 40, 0, 1);
  EXPECT_EQ(img()->width, 40);
  EXPECT_EQ(img()->height, 25);
  EXPECT_EQ(img()->font, 17u);
  EXPECT_EQ(img()->text, 1);
  fresh();
  screen_set(12, 0, 0, 0, 0, 1);
  width(0, 40, 0, 1);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(img()->text, 1);
  EXPECT_EQ(img()->width, 40);
  EXPECT_EQ(img()->height, 25);
  EXPECT_EQ(img()->font, 17u);
}

TEST_F(StatementTest, WidthOnPixelScreensChangesTheFont) {
  struct {
    int32_t mode;
    int32_t cols, rows, given;
    uint32_t font;
  } cases[] = {
      {12, 80, 60, 3, 8}, {12, 0, 60, 2, 8}, {12, 80, 30, 3, 16}, {9, 80, 43, 3, 8}, {9, 80, 25, 3, 14},
      {13, 40, 25, 3, 8}, {12, 80, 0, 1, 16},
  };
  for (const auto& c : cases) {
    fresh();
    SCOPED_TRACE(std::to_string(c.mode) + ": " + std::to_string(c.cols) + "x" + std::to_string(c.rows));
    screen_set(c.mode, 0, 0, 0, 0, 1);
    screen_set(0, 0, 2, 2, 0, 12);  // a second page, freed by the change
    screen_set(0, 0, 0, 0, 0, 12);
    std::memset(img()->data, 3, static_cast<size_t>(img()->width) * img()->height);
    img()->colour = 2;
    const uint32_t old_font = img()->font;
    width(0, c.cols, c.rows, c.given);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(img()->text, 0);
    EXPECT_EQ(img()->font, c.font);
    EXPECT_EQ(img()->colour, 2u);
    if (c.font != old_font) {
      EXPECT_EQ(img()->data[0], 0);
      EXPECT_EQ(screen_pages.count, 1);
      EXPECT_EQ(img()->bottom_row, image_rows(img()) - 1);
    } else {
      EXPECT_EQ(img()->data[0], 3);
    }
  }
}

TEST_F(StatementTest, WidthForThePrinter) {
  width(2, 132, 0, 1);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(line_printer.width, 132);
  EXPECT_EQ(img()->width, 80);
}

TEST_F(StatementTest, KeyListPrintsTheLabels) {
  key_define(1, text("LIST"));
  key_define(2, text("RUN\r"));
  key_define(31, text("F12!"));
  EXPECT_EQ(take_error(), 0);
  at(1, 1);
  key_list();
  EXPECT_EQ(row_text(img(), 1, 1, 8), "F1  LIST");
  EXPECT_EQ(row_text(img(), 2, 1, 9), "F2  RUN  ");
  EXPECT_EQ(row_text(img(), 10, 1, 5), "F10  ");
  EXPECT_EQ(row_text(img(), 12, 1, 8), "F12 F12!");
  EXPECT_EQ(cursor_row_of(img()), 13);
}

TEST_F(StatementTest, KeyLabelsShowControlCharactersAsGlyphs) {
  key_define(3, text("A\rB"));
  key_line_set(1);
  // Slot 3 starts at column 17 on an 80-column screen (ten slots of eight).
  EXPECT_EQ(row_text(img(), 25, 17, 4), "3A\x1b" "B");
  EXPECT_EQ(row_text(img(), 25, 73, 2), "10");
  EXPECT_EQ(cursor_row_of(img()), 1);
  EXPECT_EQ(img()->line_held, 0);
}

TEST_F(StatementTest, KeyLineFollowsScreenChanges) {
  key_line_set(1);
  screen_set(12, 0, 0, 0, 0, 1);
  EXPECT_EQ(char_at(img(), 1, 30), '1');
  EXPECT_EQ(char_at(img(), 9, 30), '2');
}

TEST_F(StatementTest, UserKeysTakeMakeCodeAndShiftState) {
  key_define(15, text(std::string("\x01\x04\x2e", 3)));
  EXPECT_EQ(user_key_make(15), 0x2e);
  EXPECT_EQ(user_key_shift_mask(15), 0x05);
  key_define(15, text(""));
  EXPECT_EQ(user_key_make(15), 0);
  EXPECT_EQ(take_error(), 0);
}

TEST_F(StatementTest, WindowMapsLogicalCoordinates) {
  screen_set(12, 0, 0, 0, 0, 1);
  window(0, 0, 639, 479, 3);  // the identity: no logical coordinates
  EXPECT_EQ(img()->coord_mode, 0);
  window(0, 0, 100, 200, 1);  // y upwards
  EXPECT_EQ(img()->coord_mode, 2);
  box_fill(0, 200, 0, 200, 7, false);  // top-left corner
  box_fill(100, 0, 100, 0, 8, false);  // bottom-right corner
  EXPECT_EQ(img()->data[0], 7);
  EXPECT_EQ(img()->data[479 * 640 + 639], 8);
  view(0, 0, 319, 239, 0, 0, 1);  // the window is kept on the smaller port
  box_fill(100, 0, 100, 0, 9, false);
  EXPECT_EQ(img()->data[239 * 640 + 319], 9);
  window(0, 0, 0, 0, 0);
  EXPECT_EQ(img()->coord_mode, 1);
  view(0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(img()->coord_mode, 0);
}

TEST_F(StatementTest, ViewFillsAndFrames) {
  screen_set(13, 0, 0, 0, 0, 1);
  view(0, 10, 20, 30, 4, 6, 13);
  EXPECT_EQ(img()->data[10 * 320 + 0], 4);
  EXPECT_EQ(img()->data[30 * 320 + 20], 4);
  EXPECT_EQ(img()->data[9 * 320 + 21], 6);
  EXPECT_EQ(img()->data[31 * 320 + 5], 6);
  EXPECT_EQ(img()->data[20 * 320 + 21], 6);
  EXPECT_EQ(img()->data[32 * 320 + 5], 0);
  EXPECT_EQ(img()->view_offset_x, 0);
  EXPECT_EQ(img()->view_offset_y, 10);
}

TEST_F(StatementTest, PrintAtOnATextSurfaceLeavesTheCursor) {
  at(5, 6);
  print_at(10, 3, text("here"), 0, 0);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(row_text(img(), 3, 10, 4), "here");
  EXPECT_EQ(cursor_col_of(img()), 5);
  EXPECT_EQ(cursor_row_of(img()), 6);
}

}  // namespace

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "tests/unit/screen/text_test_support.h"

namespace {

constexpr TextTest::surface both[] = {TextTest::surface::text, TextTest::surface::screen11};

TEST_F(TextTest, EightyCharactersEndTheLineOnceOrHoldIt) {
  for (const surface s : both) {
    fresh();
    use(s);
    SCOPED_TRACE(name(s));
    const std::string line(80, 'a');
    at(1, 3);
    print(line, 1);
    EXPECT_EQ(cursor_col_of(img()), 1);
    EXPECT_EQ(cursor_row_of(img()), 4);  // one new line, not two
    EXPECT_EQ(img()->line_held, 0);

    print(line, 0);
    EXPECT_EQ(cursor_col_of(img()), 80);
    EXPECT_EQ(cursor_row_of(img()), 4);
    EXPECT_EQ(img()->line_held, 1);
    EXPECT_EQ(char_at(img(), 80, 4), 'a');
    print("x", 0);
    EXPECT_EQ(img()->line_held, 0);
    EXPECT_EQ(char_at(img(), 1, 5), 'x');
    EXPECT_EQ(char_at(img(), 80, 4), 'a');
    EXPECT_EQ(cursor_col_of(img()), 2);
    EXPECT_EQ(cursor_row_of(img()), 5);
  }
}

TEST_F(TextTest, HeldLineEndsWithOneNewLineOnAnEmptyPrint) {
  for (const surface s : both) {
    fresh();
    use(s);
    SCOPED_TRACE(name(s));
    at(1, 2);
    print(std::string(80, 'b'), 0);
    print("", 1);
    EXPECT_EQ(img()->line_held, 0);
    EXPECT_EQ(cursor_row_of(img()), 3);
    EXPECT_EQ(cursor_col_of(img()), 1);
  }
}

TEST_F(TextTest, LongItemWrapsCharacterByCharacter) {
  at(1, 1);
  print(std::string(200, 'w'), 1);
  EXPECT_EQ(row_text(img(), 3, 1, 40), std::string(40, 'w'));
  EXPECT_EQ(char_at(img(), 41, 3), ' ');
  EXPECT_EQ(cursor_row_of(img()), 4);
}

TEST_F(TextTest, NewLineOnTheLastRegionRowScrollsTheRegionOnly) {
  for (const surface s : both) {
    fresh();
    use(s);
    SCOPED_TRACE(name(s));
    const int32_t rows = image_rows(img()), bottom = img()->bottom_row;
    for (int32_t r = 1; r <= rows; ++r) {
      at(1, r);
      print(std::string(1, static_cast<char>('A' + r)), 0);
    }
    std::vector<std::vector<uint8_t>> before;
    for (int32_t r = 1; r <= rows; ++r) before.push_back(row_bytes(img(), r));
    at(3, bottom);
    print("z", 1);
    EXPECT_EQ(cursor_row_of(img()), bottom);
    EXPECT_EQ(cursor_col_of(img()), 1);
    for (int32_t r = 1; r < bottom - 1; ++r) EXPECT_EQ(row_bytes(img(), r), before[r]) << "row " << r;
    EXPECT_EQ(char_at(img(), 3, bottom - 1), 'z');
    EXPECT_EQ(char_at(img(), 1, bottom - 1), 'A' + bottom);
    EXPECT_EQ(row_bytes(img(), rows), before[rows - 1]) << "the last row is never scrolled";
    // The freed row is blank: spaces in the colours, or background pixels.
    const std::vector<uint8_t> freed = row_bytes(img(), bottom);
    for (size_t i = 0; i < freed.size(); ++i) {
      if (img()->text)
        EXPECT_EQ(freed[i], i % 2 ? 0x07 : 0x20);
      else
        EXPECT_EQ(freed[i], 0);
    }
  }
}

TEST_F(TextTest, ScrollFillUsesTheColours) {
  img()->colour = 0x1E;  // blinking yellow
  img()->background = 1;
  at(1, 24);
  print("", 1);
  EXPECT_EQ(img()->data[(23 * 80) * 2], 32);
  EXPECT_EQ(img()->data[(23 * 80) * 2 + 1], 0x80 | 0x10 | 0x0E);

  use(surface::screen11);
  img()->background = 1;
  at(1, 29);
  print("", 1);
  const std::vector<uint8_t> freed = row_bytes(img(), 29);
  for (uint8_t b : freed) ASSERT_EQ(b, 1);
}

TEST_F(TextTest, CommaMovesToTheNextZone) {
  struct {
    int32_t from;
    int32_t to;
    uint8_t held;
  } cases[] = {{1, 15, 0}, {14, 15, 0}, {15, 29, 0}, {30, 43, 0}, {44, 57, 0}, {57, 80, 0}, {70, 80, 0}, {80, 80, 1}};
  for (const surface s : both) {
    for (const auto& c : cases) {
      fresh();
      use(s);
      SCOPED_TRACE(std::string(name(s)) + " from column " + std::to_string(c.from));
      at(c.from, 5);
      next_zone();
      EXPECT_EQ(cursor_col_of(img()), c.to);
      EXPECT_EQ(cursor_row_of(img()), 5);
      EXPECT_EQ(img()->line_held, c.held);
    }
  }
}

TEST_F(TextTest, CommaAfterAHeldLineStartsTheNextLine) {
  at(1, 5);
  print(std::string(80, 'h'), 0);
  next_zone();
  EXPECT_EQ(img()->line_held, 0);
  EXPECT_EQ(cursor_row_of(img()), 6);
  EXPECT_EQ(cursor_col_of(img()), 1);
}

TEST_F(TextTest, MakeFitStartsANewLineOnlyWhenTheItemRunsPastTheEdge) {
  struct {
    int32_t col;
    int32_t length;
    bool new_line;
  } cases[] = {{75, 10, true}, {71, 10, false}, {72, 10, true}, {1, 10, false}, {1, 200, false}};
  for (const surface s : both) {
    for (const auto& c : cases) {
      fresh();
      use(s);
      SCOPED_TRACE(std::string(name(s)) + " column " + std::to_string(c.col));
      at(c.col, 7);
      make_fit(text(std::string(c.length, 'm')));
      EXPECT_EQ(cursor_row_of(img()), c.new_line ? 8 : 7);
      EXPECT_EQ(cursor_col_of(img()), c.new_line ? 1 : c.col);
    }
  }
}

TEST_F(TextTest, BellPausesAndDrawsNothing) {
  for (const surface s : both) {
    fresh();
    use(s);
    SCOPED_TRACE(name(s));
    at(4, 4);
    const std::vector<uint8_t> before = row_bytes(img(), 4);
    const auto start = std::chrono::steady_clock::now();
    print("\a", 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_EQ(row_bytes(img(), 4), before);
    EXPECT_EQ(cursor_col_of(img()), 4);
  }
}

TEST_F(TextTest, ControlCharacterSwitchDrawsThemAsGlyphs) {
  for (const surface s : both) {
    fresh();
    use(s);
    SCOPED_TRACE(name(s));
    control_chars_set(2);
    EXPECT_EQ(control_chars_query(), -1);
    at(1, 3);
    print("a\rb", 1);
    EXPECT_EQ(row_text(img(), 3, 1, 3), "a\rb");
    EXPECT_EQ(cursor_row_of(img()), 4);
    control_chars_set(0);
    EXPECT_EQ(control_chars_query(), 0);
    print("a\rb", 0);
    EXPECT_EQ(char_at(img(), 1, 4), 'a');
    EXPECT_EQ(char_at(img(), 1, 5), 'b');
  }
}

TEST_F(TextTest, ControlCharactersMoveTheCursor) {
  struct {
    const char* name;
    int32_t col, row;
    std::string chars;
    int32_t want_col, want_row;
  } cases[] = {
      {"tab", 1, 5, "\t", 9, 5},
      {"tab from 9", 9, 5, "\t", 17, 5},
      {"tab from 12", 12, 5, "\t", 17, 5},
      {"line feed", 6, 5, "\n", 1, 6},
      {"carriage return", 6, 5, "\r", 1, 6},
      {"home of region", 6, 5, "\v", 1, 1},
      {"right", 6, 5, "\x1c", 7, 5},
      {"right off the line end", 80, 5, "\x1c", 1, 6},
      {"right in the region's last cell", 80, 24, "\x1c", 80, 24},
      {"left", 6, 5, "\x1d", 5, 5},
      {"left off the line start", 1, 5, "\x1d", 80, 4},
      {"left at the region's start", 1, 1, "\x1d", 1, 1},
      {"up", 6, 5, "\x1e", 6, 4},
      {"up at the top", 6, 1, "\x1e", 6, 1},
      {"down", 6, 5, "\x1f", 6, 6},
      {"down at the bottom", 6, 24, "\x1f", 6, 24},
  };
  for (const auto& c : cases) {
    fresh();
    SCOPED_TRACE(c.name);
    at(c.col, c.row);
    const std::vector<uint8_t> row = row_bytes(img(), c.row);
    print(c.chars, 0);
    EXPECT_EQ(cursor_col_of(img()), c.want_col);
    EXPECT_EQ(cursor_row_of(img()), c.want_row);
    if (c.chars != "\t") {
      EXPECT_EQ(row_bytes(img(), c.row), row) << "nothing drawn";
    }
  }
}

TEST_F(TextTest, FormFeedClearsTheScreen) {
  at(1, 10);
  print("dirty", 0);
  print("\f", 0);
  EXPECT_EQ(char_at(img(), 1, 10), ' ');
  EXPECT_EQ(cursor_row_of(img()), 1);
  EXPECT_EQ(cursor_col_of(img()), 1);
}

TEST_F(TextTest, AnyBytesPrintSafely) {
  std::string all;
  for (int32_t c = 0; c < 256; ++c)
    if (c != 7) all += static_cast<char>(c);
  for (const surface s : both) {
    for (const int32_t literal : {0, 2}) {
      fresh();
      use(s);
      control_chars_set(literal);
      for (int32_t i = 0; i < 20; ++i) print(all, i % 2);
      EXPECT_GE(cursor_row_of(img()), 1);
      EXPECT_LE(cursor_row_of(img()), image_rows(img()));
      EXPECT_GE(cursor_col_of(img()), 1);
      EXPECT_LE(cursor_col_of(img()), 80);
    }
  }
}

TEST_F(TextTest, ConsoleOutputGoesToStandardOutputAndLeavesTheCursor) {
  const int32_t index = image_create(80, 25, 0);
  image_record* console = image_at(index);
  console->console = 1;
  set_write_image(index);
  set_cursor(console, 7, 9);
  set_line_held(console, 1);
  const std::vector<uint8_t> cells(console->data, console->data + 80 * 25 * 2);
  testing::internal::CaptureStdout();
  print("hello", 1);
  print_text(text(std::string("ab\0cd", 5)), 0);
  next_zone();
  make_fit(text(std::string(100, 'x')));
  new_line();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "hello\nab ");
  EXPECT_EQ(cursor_col_of(console), 7);
  EXPECT_EQ(cursor_row_of(console), 9);
  EXPECT_EQ(console->line_held, 1);
  EXPECT_EQ(std::vector<uint8_t>(console->data, console->data + 80 * 25 * 2), cells);
  set_write_image(screen_pages.table[0]);
  image_free_memory(console);
  image_release(index);
}

TEST_F(TextTest, GlyphsOnScreen11MatchTheFontCellByCell) {
  use(surface::screen11);
  at(1, 1);
  const std::string line = "Samples per beat: 22050 {}|~";
  print(line, 1);
  for (size_t i = 0; i < line.size(); ++i)
    EXPECT_TRUE(cell_shows(img(), static_cast<int32_t>(i) + 1, 1, static_cast<uint8_t>(line[i]), 1, 0)) << i;
  // The rest of the row is untouched background.
  for (int32_t col = static_cast<int32_t>(line.size()) + 1; col <= 80; ++col)
    EXPECT_TRUE(cell_shows(img(), col, 1, 0, 1, 0)) << col;
}

// A loaded-font slot without glyphs: proportional (width 0), 16 pixels high.
class ProportionalTest : public TextTest {
 protected:
  void SetUp() override {
    TextTest::SetUp();
    font_table.width[40] = 0;
    font_table.height[40] = 16;
    font_table.flags[40] = 0;
    font_table.handle[40] = 1;
    handle = new_image(640, 64, 13, 1);
    set_dest(handle);
    image_record* i = image_at(-handle);
    std::memset(i->data, 9, 640 * 64);
    i->font = 40;
    i->background = 3;
  }
  void TearDown() override {
    font_table.handle[40] = 0;
    TextTest::TearDown();
  }
  int32_t handle = 0;
  uint8_t px(int32_t x, int32_t y) { return image_at(-handle)->data[y * 640 + x]; }
};

TEST_F(ProportionalTest, TabFillsToTheNextStopOfSixtyFourPixels) {
  at(11, 1);  // x = 10
  print("\t", 0);
  EXPECT_EQ(cursor_col_of(img()), 65);  // x = 64
  EXPECT_EQ(px(9, 0), 9);
  EXPECT_EQ(px(10, 0), 3);
  EXPECT_EQ(px(63, 15), 3);
  EXPECT_EQ(px(64, 0), 9);
  EXPECT_EQ(px(30, 16), 9);
  print("\t", 0);
  EXPECT_EQ(cursor_col_of(img()), 129);
  at(601, 2);
  print("\t", 0);
  EXPECT_EQ(cursor_row_of(img()), 3);
  EXPECT_EQ(cursor_col_of(img()), 1);
  EXPECT_EQ(px(639, 16), 3);
}

TEST_F(ProportionalTest, CommaFillsToTheNextZoneOf112Pixels) {
  at(1, 1);
  next_zone();
  EXPECT_EQ(cursor_col_of(img()), 113);
  EXPECT_EQ(px(111, 0), 3);
  EXPECT_EQ(px(112, 0), 9);
  at(601, 1);
  next_zone();
  EXPECT_EQ(cursor_row_of(img()), 2);
  EXPECT_EQ(px(639, 15), 3);
}

}  // namespace

namespace {

using PrinterTest = TextTest;

image_record* paper() { return image_at(printer_page_index()); }

TEST_F(PrinterTest, FirstOutputMakesThePage) {
  const int32_t screen = write_index;
  lprint_text(text("Hello"), 0);
  ASSERT_NE(printer_page_index(), 0);
  const image_record* p = paper();
  EXPECT_EQ(p->width, 640);
  EXPECT_EQ(p->height, 960);
  EXPECT_EQ(p->mode, 13);
  EXPECT_EQ(p->font, 16u);
  EXPECT_EQ(p->top_row, 1);
  EXPECT_EQ(p->bottom_row, 60);
  EXPECT_TRUE(cell_shows(p, 1, 1, 'H', 0, 15));
  EXPECT_TRUE(cell_shows(p, 5, 1, 'o', 0, 15));
  EXPECT_EQ(p->data[959 * 640 + 639], 15);
  EXPECT_TRUE(printer_page_holds_output());
  EXPECT_EQ(printer_column_query(0), 6);
  EXPECT_EQ(write_index, screen);
  EXPECT_EQ(line_printer.mode.load(), 0);
  EXPECT_EQ(row_text(img(), 1, 1, 5), "     ") << "nothing on the screen";
}

TEST_F(PrinterTest, PrinterColumnFollowsTheLine) {
  lprint_text(text("abc"), 1);
  EXPECT_EQ(printer_column_query(3), 1);
  lprint_text(text("ab\x1c\x1c"), 0);
  EXPECT_EQ(printer_column_query(1), 5);
  lprint_text(text("\x1d"), 0);
  EXPECT_EQ(printer_column_query(2), 4);
  lprint_text(text("\r"), 0);
  EXPECT_EQ(printer_column_query(0), 1);
  for (const int32_t bad : {-1, 4}) {
    printer_column_query(bad);
    EXPECT_EQ(take_error(), 5);
  }
}

TEST_F(PrinterTest, LinesWrapAtThePrinterWidth) {
  width(2, 10, 0, 1);
  lprint_text(text("0123456789abc"), 0);
  EXPECT_TRUE(cell_shows(paper(), 10, 1, '9', 0, 15));
  EXPECT_TRUE(cell_shows(paper(), 1, 2, 'a', 0, 15));
  EXPECT_EQ(printer_column_query(0), 4);
}

TEST_F(PrinterTest, FullPageAndFormFeedHandThePageOver) {
  struct {
    const char* name;
    std::string output;
  } cases[] = {{"past row 60", std::string(60, '\n')}, {"form feed", "\f"}};
  for (const auto& c : cases) {
    fresh();
    SCOPED_TRACE(c.name);
    lprint_text(text("x"), 0);
    lprint_text(text(c.output), 0);
    EXPECT_FALSE(cell_shows(paper(), 1, 1, 'x', 0, 15));
    EXPECT_EQ(cursor_row_of(paper()), 1);
    EXPECT_EQ(cursor_col_of(paper()), 1);
    EXPECT_EQ(printer_column_query(0), 1);
  }
}

TEST_F(PrinterTest, MainLoopHandsThePageOverAfterTenIdleSeconds) {
  lprint_text(text("idle"), 1);
  const int64_t now = ms_counter();
  printer_page_step_at(now + 9000);
  EXPECT_TRUE(printer_page_holds_output());
  EXPECT_TRUE(cell_shows(paper(), 1, 1, 'i', 0, 15));
  line_printer.mode.store(1);  // an LPRINT in progress: the step keeps off the page
  printer_page_step_at(now + 20000);
  EXPECT_TRUE(printer_page_holds_output());
  line_printer.mode.store(0);
  printer_page_step_at(now + 20000);
  EXPECT_FALSE(printer_page_holds_output());
  EXPECT_FALSE(cell_shows(paper(), 1, 1, 'i', 0, 15));
  EXPECT_EQ(paper()->data[0], 15);
  EXPECT_EQ(line_printer.busy.load(), 0);
}

TEST_F(PrinterTest, ShutdownHandsOverOnlyAPageWithOutput) {
  printer_shutdown_hand_over();
  EXPECT_EQ(printer_page_index(), 0);
  lprint_text(text("bye"), 0);
  printer_shutdown_hand_over();
  EXPECT_FALSE(printer_page_holds_output());
  EXPECT_EQ(paper()->data[0], 15);
}

}  // namespace

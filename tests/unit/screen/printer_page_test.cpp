#include <string>

#include "runtime/core/core.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "text_test_support.h"

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
  EXPECT_EQ(printer_mode.load(), 0);
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
  printer_mode.store(1);  // an LPRINT in progress: the step keeps off the page
  printer_page_step_at(now + 20000);
  EXPECT_TRUE(printer_page_holds_output());
  printer_mode.store(0);
  printer_page_step_at(now + 20000);
  EXPECT_FALSE(printer_page_holds_output());
  EXPECT_FALSE(cell_shows(paper(), 1, 1, 'i', 0, 15));
  EXPECT_EQ(paper()->data[0], 15);
  EXPECT_EQ(printer_busy.load(), 0);
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

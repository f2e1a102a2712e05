// INPUT on a screen: keys waiting in the BIOS keyboard buffer are read, echoed
// or refused, and the variables hold the line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/input/input.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "tests/unit/screen/screen_fixture.h"

namespace {

class InputStatement : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    event_traps_reset();
    keyboard_reset();
    run_flags_reset();
  }
  void TearDown() override {
    keyboard_reset();
    run_flags_reset();
    ScreenTest::TearDown();
  }
  // Keys as typed: each byte a character key; "\x01\x48"-style pairs are not used here.
  static void keys(const std::string& chars) {
    for (char c : chars) ASSERT_TRUE(bios_key_buffer_put(static_cast<uint8_t>(c), 0x10));
  }
  static void prompt(const char* text) { print_text(str_from_cstr(text), 0); }
  // Characters of a row of the text screen, trailing blanks dropped.
  static std::string row_text(int32_t row) {
    const image_record* img = write_image;
    std::string out;
    for (int32_t c = 0; c < img->width; ++c)
      out += static_cast<char>(img->data[(static_cast<size_t>(row - 1) * img->width + c) * 2]);
    return out.substr(0, out.find_last_not_of(' ') + 1);
  }
  static int32_t valid_images() {
    int32_t n = 0;
    for (int32_t i = 2; i < image_slots_used(); ++i) n += image_at(i)->valid ? 1 : 0;
    return n;
  }
};

TEST_F(InputStatement, SampleRateIsTypedEchoedAndStored) {
  int32_t sample_rate = -1;
  input_set_variable(1, 32, &sample_rate);
  prompt("Sample rate: ");
  keys("48000\r");
  input_statement(1, 1);
  EXPECT_EQ(error_report.pending.load(), 0);
  EXPECT_EQ(sample_rate, 48000);
  EXPECT_EQ(row_text(1), "Sample rate: 48000");
  EXPECT_EQ(cursor_row_of(write_image), 2);  // end_line: the next line
  EXPECT_EQ(cursor_col_of(write_image), 1);
}

TEST_F(InputStatement, RefusedKeysShowNothingAndChangeNothing) {
  int16_t bpm = 99;
  input_set_variable(1, 16, &bpm);
  prompt("BPM: ");
  keys("3a2 +7,6.8\r");
  input_statement(1, 1);
  EXPECT_EQ(bpm, 3276);  // the final 8 would pass 32767
  EXPECT_EQ(row_text(1), "BPM: 3276");
  EXPECT_EQ(row_text(2), "");
}

TEST_F(InputStatement, BackspaceRedrawsTheLineWithoutItsLastCharacter) {
  int16_t bpm = 0;
  input_set_variable(1, 16, &bpm);
  prompt("BPM: ");
  keys("12\b\b\b9\b7\r");
  input_statement(1, 0);
  EXPECT_EQ(bpm, 7);
  EXPECT_EQ(row_text(1), "BPM: 7");
  EXPECT_EQ(cursor_row_of(write_image), 1);  // no end_line: the cursor stays after the text
  EXPECT_EQ(cursor_col_of(write_image), 7);
}

TEST_F(InputStatement, ExtendedKeysAndControlKeysAreIgnored) {
  int32_t v = 0;
  input_set_variable(1, 32, &v);
  keys("5");
  ASSERT_TRUE(bios_key_buffer_put(0, 0x48));  // Up
  ASSERT_TRUE(bios_key_buffer_put(0, 0x4B));  // Left
  keys(std::string("\x1c\x1d\x1e\x1f\n\x0b\x0c") + "6\r");
  input_statement(1, 1);
  EXPECT_EQ(v, 56);
  EXPECT_EQ(row_text(1), "56");
}

TEST_F(InputStatement, TabFeedsSpacesIntoAString) {
  str_desc* name = str_new(0, false);
  input_set_variable(1, input_string, name);
  prompt("? ");
  keys("ab\tc,d\r");
  input_statement(1, 1);
  const std::string got(reinterpret_cast<const char*>(name->chars), static_cast<size_t>(name->len));
  EXPECT_EQ(got, "ab      cd");
  EXPECT_EQ(row_text(1), "? ab      cd");
  str_free(name);
}

TEST_F(InputStatement, SeveralVariablesAndTheScreenCopiesAreReleased) {
  int16_t a = 0;
  double b = 0;
  str_desc* c = str_new(0, false);
  input_set_variable(1, 16, &a);
  input_set_variable(2, 64 | input_float, &b);
  input_set_variable(3, input_string, c);
  const int32_t images_before = valid_images();
  keys("-7,2.5,\"x,y\"\r");
  input_statement(3, 1);
  EXPECT_EQ(a, -7);
  EXPECT_EQ(b, 2.5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(c->chars), static_cast<size_t>(c->len)), "x,y");
  EXPECT_EQ(valid_images(), images_before);
  str_free(c);
}

TEST_F(InputStatement, BadListsRaiseIllegalFunctionCall) {
  int32_t v = 0;
  input_statement(0, 1);
  EXPECT_EQ(take_error(), 5);
  input_set_variable(1, 24, &v);  // no 24-bit type
  input_statement(1, 1);
  EXPECT_EQ(take_error(), 5);
  input_set_variable(1, 32, nullptr);
  input_statement(1, 1);
  EXPECT_EQ(take_error(), 5);
  input_set_variable(1, 32, &v);
  input_statement(1000, 1);  // entries never filled
  EXPECT_EQ(take_error(), 5);
}

TEST_F(InputStatement, NothingHappensWhileAnErrorIsPending) {
  int32_t v = 123;
  input_set_variable(1, 32, &v);
  keys("4\r");
  error_report.pending = 9;
  input_statement(1, 1);
  EXPECT_EQ(v, 123);
  EXPECT_EQ(cursor_col_of(write_image), 1);
  EXPECT_EQ(take_error(), 9);
}

TEST_F(InputStatement, ReturnsWhenTheShutdownBegins) {
  int32_t v = 5;
  input_set_variable(1, 32, &v);
  display_link.automatic = 0;
  keys("1");
  std::thread stopper([] {
    platform_sleep(100);
    run_flags.shutdown_started = 1;
  });
  input_statement(1, 1);
  stopper.join();
  EXPECT_EQ(v, 1);  // the line as it stood
  EXPECT_EQ(row_text(1), "1");
  EXPECT_EQ(cursor_row_of(write_image), 1);  // no Enter: no new line
  EXPECT_EQ(display_link.automatic.load(), 0);  // manual display again
}

TEST_F(InputStatement, KeysTypedWhileWaitingAreRead) {
  int32_t v = 0;
  input_set_variable(1, 32, &v);
  std::thread typist([] {
    for (char c : std::string("44100\r")) {
      platform_sleep(15);
      bios_key_buffer_put(static_cast<uint8_t>(c), 0x10);
    }
  });
  input_statement(1, 1);
  typist.join();
  EXPECT_EQ(v, 44100);
  EXPECT_EQ(row_text(1), "44100");
}

TEST_F(InputStatement, PixelScreenLeavesNoCursorBehind) {
  screen_set(11, 0, 0, 0, 0, 1);
  ASSERT_EQ(take_error(), 0);
  ASSERT_FALSE(write_image->text);
  int32_t v = 0;
  input_set_variable(1, 32, &v);
  keys("12\b3\r");
  input_statement(1, 0);
  EXPECT_EQ(v, 13);
  // The cell after "13" (column 3 of row 1) is blank: the drawn cursor was removed.
  const int32_t fh = font_table.height[write_image->font];
  int32_t lit = 0;
  for (int32_t y = 0; y < fh; ++y)
    for (int32_t x = 16; x < 24; ++x) lit += write_image->data[static_cast<size_t>(y) * write_image->width + x] != 0;
  EXPECT_EQ(lit, 0);
  // Column 2 holds the glyph of "3", not of "2": compare with "3" printed on a fresh line.
  int32_t differ = 0;
  print_text(str_from_cstr(""), 1);
  print_text(str_from_cstr("13"), 0);
  for (int32_t y = 0; y < fh; ++y)
    for (int32_t x = 0; x < 16; ++x)
      differ += write_image->data[static_cast<size_t>(y) * write_image->width + x] !=
                write_image->data[static_cast<size_t>(y + fh) * write_image->width + x];
  EXPECT_EQ(differ, 0);
}

class InputCursor : public ScreenTest {};

TEST_F(InputCursor, ExclusiveOrOfTheCellTwiceRestoresIt) {
  for (int32_t mode : {13, 32}) {
    SCOPED_TRACE(mode);
    const int32_t index = image_create(64, 32, mode);
    ASSERT_NE(index, 0);
    image_record* img = image_at(index);
    set_font(8, img);
    img->colour = mode == 32 ? 0xFF102030u : 15u;
    set_cursor(img, 2, 3);
    const size_t bytes = static_cast<size_t>(img->width) * img->height * img->bytes_per_pixel;
    std::string before(reinterpret_cast<const char*>(img->data), bytes);
    input_cursor_toggle(img);
    // Mode 13 with a built-in font: the whole 8x8 cell at x 8..15, y 16..23; mode 32: one column, x 8.
    for (int32_t y = 0; y < img->height; ++y) {
      for (int32_t x = 0; x < img->width; ++x) {
        const bool inside = y >= 16 && y < 24 && x >= 8 && x < (mode == 32 ? 9 : 16);
        const size_t at = static_cast<size_t>(y) * img->width + x;
        if (mode == 32) {
          uint32_t p;
          std::memcpy(&p, img->data + at * 4, 4);
          ASSERT_EQ(p, inside ? 0x00102030u : 0u) << x << "," << y;
        } else {
          ASSERT_EQ(img->data[at], inside ? 15 : 0) << x << "," << y;
        }
      }
    }
    input_cursor_toggle(img);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(img->data), bytes), before);
    EXPECT_EQ(input_cursor_blinks(img), mode == 32);
    EXPECT_TRUE(input_cursor_wanted(img, 512 + 1024 * 3) == (mode != 32));
    EXPECT_TRUE(input_cursor_wanted(img, 100));
    // A cursor at the image's edge, and one outside it, stay inside the pixels.
    set_cursor(img, 8, 4);
    input_cursor_toggle(img);
    input_cursor_toggle(img);
    set_cursor(img, 20, 9);
    input_cursor_toggle(img);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(img->data), bytes), before);
    image_free_memory(img);
    image_release(index);
  }
}

}  // namespace

namespace {

// A key handler that runs while INPUT waits and asks with an INPUT of its own,
// over a longer list: the waiting INPUT keeps its own variables.
int32_t nested_value = 0, nested_spare = 0;
void nested_input_handler(int32_t, int64_t) {
  input_set_variable(1, 32, &nested_value);
  input_set_variable(64, 32, &nested_spare);  // the list grows
  input_statement(1, 0);
}

TEST_F(InputStatement, InputInsideAnEventHandlerLeavesTheWaitingInputItsVariables) {
  int32_t outer = 0;
  nested_value = 0;
  input_set_variable(1, 32, &outer);
  event_traps.keys[3].trap.handler = 7;
  event_traps.keys[3].trap.state = 1;
  event_traps.keys[3].trap.pending = 1;
  event_traps.handler = nested_input_handler;
  keys("1");     // read by the outer INPUT before the handler runs
  keys("77\r");  // the handler's INPUT
  keys("2\r");   // the outer INPUT again
  input_statement(1, 1);
  event_traps.handler = nullptr;
  event_traps.keys[3].trap.handler = 0;
  event_traps.keys[3].trap.state = 0;
  EXPECT_EQ(outer, 12);
  EXPECT_EQ(nested_value, 77);
  EXPECT_EQ(nested_spare, 0);
}

TEST_F(InputStatement, RandomizeAsksForTheSeed) {
  random_numbers.seed = 0x1234AB;
  keys("-2\r");
  randomize_prompt();
  EXPECT_EQ(row_text(1), "Random-number seed (-32768 to 32767)? -2");
  EXPECT_EQ(cursor_row_of(write_image), 2);
  EXPECT_EQ(random_numbers.seed, (0xFFFEu << 8) | 0xAB);
}

}  // namespace

namespace {

TEST_F(InputStatement, ConsoleSurfaceReadsStandardInput) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int saved_stdin = dup(0);
  ASSERT_GE(saved_stdin, 0);
  ASSERT_EQ(dup2(fds[0], 0), 0);
  std::clearerr(stdin);
  const char typed[] = "4a8\b9\n";  // 10 ends the line like 13
  ASSERT_EQ(write(fds[1], typed, sizeof typed - 1), static_cast<ssize_t>(sizeof typed - 1));
  int32_t v = 0;
  input_set_variable(1, 32, &v);
  write_image->console = 1;
  input_statement(1, 1);
  write_image->console = 0;
  dup2(saved_stdin, 0);
  close(saved_stdin);
  close(fds[0]);
  close(fds[1]);
  std::clearerr(stdin);
  EXPECT_EQ(v, 49);
  EXPECT_EQ(row_text(1), "");  // nothing drawn: the terminal shows the typing
  EXPECT_EQ(cursor_col_of(write_image), 1);
}

}  // namespace

#include <cstdlib>
#include <string>
#include <vector>

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "runtime/platform/detail/dialog.h"
#include "runtime/platform/platform.h"

namespace {

// Runs the test body with no X display to show a box on.
class NoDisplayTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* d = std::getenv("DISPLAY")) saved_ = d, had_ = true;
    unsetenv("DISPLAY");
  }
  void TearDown() override {
    if (had_) setenv("DISPLAY", saved_.c_str(), 1);
  }
  std::string saved_;
  bool had_ = false;
};

TEST_F(NoDisplayTest, AnswerIsOkOrNoAndTheTextGoesToStderrOnOneLine) {
  const struct {
    uint32_t style;
    int32_t answer;
  } cases[] = {
      {0x0, mb_answer_ok}, {0x1000, mb_answer_ok}, {0x4, mb_answer_no}, {0x1004, mb_answer_no}};
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform_message_box("Line: 7 (in main module)\nIllegal function call\nContinue?",
                                   "Unhandled Error #5", c.style, 0),
              c.answer)
        << c.style;
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "[Unhandled Error #5] Line: 7 (in main module) | Illegal function call | Continue?\n");
  }
}

TEST_F(NoDisplayTest, LogLineKeepsControlBytesOut) {
  const struct {
    const char *text, *caption, *log;
  } cases[] = {
      {"a\r\nb\tc", "Cap", "[Cap] a | b c\n"},
      {"\x1b[2J\x07\x7f", "Alert", "[Alert] ?[2J??\n"},
      {"\xc3\xa9\xff", "x\ny", "[x | y] \xc3\xa9\xff\n"},
      {nullptr, nullptr, "[] \n"},
      {"\n\n", "", "[]  |  | \n"},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    platform_message_box(c.text, c.caption, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.log);
  }
}

TEST_F(NoDisplayTest, TextOfAnyLengthIsLoggedWhole) {
  std::string text(3 << 20, 'x');
  text[1000] = '\n';
  testing::internal::CaptureStderr();
  platform_message_box(text.c_str(), "Alert", 0, 0);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(log.size(), std::string("[Alert] ").size() + text.size() + 2 + 1);
  EXPECT_EQ(log.find('\n'), log.size() - 1);
}

}  // namespace

namespace {

// A fixed-width font of 6 pixels with glyphs for printable ASCII and 0xA0-0xFF only.
struct fixed_font {
  int width[256] = {};
  fixed_font() {
    for (int b = 0x20; b < 0x7f; ++b) width[b] = 6;
    for (int b = 0xa0; b < 0x100; ++b) width[b] = 6;
  }
};
const fixed_font font;

TEST(DialogLayout, LinesWrapsReplacementsAndCuts) {
  const struct {
    const char* text;
    int columns, max_lines;
    std::vector<std::string> lines;
    bool cut;
  } cases[] = {
      {"", 10, 5, {""}, false},
      {nullptr, 10, 5, {""}, false},
      {"Line: 7 (in main module)\nIllegal function call\nContinue?",
       40,
       5,
       {"Line: 7 (in main module)", "Illegal function call", "Continue?"},
       false},
      {"a\r\nb", 10, 5, {"a", "b"}, false},
      {"a\n", 10, 5, {"a", ""}, false},
      {"\n\n", 10, 5, {"", "", ""}, false},
      {"one two three", 7, 5, {"one two", "three"}, false},
      {"one two three", 8, 5, {"one two", "three"}, false},
      {"abcdefghij", 4, 5, {"abcd", "efgh", "ij"}, false},
      {"ab abcdefgh", 4, 5, {"ab", "abcd", "efgh"}, false},
      {"to be or not", 5, 5, {"to be", "or", "not"}, false},
      {"a\tb", 10, 5, {"a b"}, false},
      {"\x01\x1b[0m\x7f", 10, 5, {"??[0m?"}, false},
      {"\x80\x9f\xa0\xff", 10, 5, {"??\xa0\xff"}, false},
      {"1\n2\n3\n4", 10, 2, {"1", "2..."}, true},
      {"1\n2\n", 10, 2, {"1", "2"}, false},
      {"abcdefghij", 4, 2, {"abcd", "e..."}, true},
      {"abcdefghij", 10, 0, {"abcdefghij"}, false},
  };
  for (const auto& c : cases) {
    const dialog_text_layout layout =
        layout_dialog_text(c.text, font.width, c.columns * 6, c.max_lines);
    const std::string name = c.text ? c.text : "(null)";
    EXPECT_EQ(layout.lines, c.lines) << name;
    EXPECT_EQ(layout.cut, c.cut) << name;
  }
}

TEST(DialogLayout, WidestIsTheWidestLineInPixels) {
  int proportional[256] = {};
  for (int b = 0x20; b < 0x7f; ++b) proportional[b] = 5;
  proportional['W'] = 11;
  proportional['i'] = 2;
  const dialog_text_layout layout = layout_dialog_text("iiiiii\nWW\nabc", proportional, 100, 5);
  ASSERT_EQ(layout.lines.size(), 3u);
  EXPECT_EQ(layout.widest, 22);
}

// Every byte, long words and long lines: no line is wider than allowed, no more
// lines than allowed, and only bytes the font can draw are left.
TEST(DialogLayout, AnyBytesStayInsideTheBox) {
  std::string text;
  for (int round = 0; round < 3; ++round) {
    for (int b = 1; b < 256; ++b) text += static_cast<char>(b);
    text += std::string(300, 'W') + " a b  c   " + std::string(70, '.') + "\n\n";
  }
  for (int columns : {1, 2, 3, 7, 40, 72}) {
    for (int max_lines : {1, 4, 50}) {
      const dialog_text_layout layout =
          layout_dialog_text(text.c_str(), font.width, columns * 6, max_lines);
      ASSERT_LE(static_cast<int>(layout.lines.size()), max_lines);
      ASSERT_FALSE(layout.lines.empty());
      for (const std::string& line : layout.lines) {
        // Only the "..." of a cut may reach past a box narrower than itself.
        EXPECT_LE(dialog_text_width(line, font.width), std::max(columns, 3) * 6)
            << columns << " " << line;
        for (unsigned char c : line) EXPECT_GT(font.width[c], 0) << columns << " byte " << int(c);
      }
    }
  }
}

TEST(DialogLayout, HugeTextStopsAtTheCut) {
  const std::string text(64 << 20, 'x');
  const dialog_text_layout layout = layout_dialog_text(text.c_str(), font.width, 72 * 6, 50);
  ASSERT_EQ(layout.lines.size(), 50u);
  EXPECT_TRUE(layout.cut);
  EXPECT_EQ(layout.lines.front(), std::string(72, 'x'));
  EXPECT_EQ(layout.lines.back(), std::string(69, 'x') + "...");
}

}  // namespace

namespace {

constexpr unsigned any_keycode = 40;

// Presses each key in turn; the answer of the first key that gives one.
int32_t answer_of(bool yes_no, const std::vector<unsigned long>& keys) {
  dialog_controls c = dialog_controls_new(yes_no);
  for (unsigned long key : keys) {
    const int32_t answer = dialog_key_press(&c, any_keycode, key);
    dialog_key_release(&c, any_keycode);
    if (answer != 0) return answer;
  }
  return 0;
}

TEST(DialogControls, Keys) {
  const struct {
    bool yes_no;
    std::vector<unsigned long> keys;
    int32_t answer;
  } cases[] = {
      {true, {XK_Return}, mb_answer_yes},
      {true, {XK_KP_Enter}, mb_answer_yes},
      {true, {XK_space}, mb_answer_yes},
      {true, {XK_Tab, XK_Return}, mb_answer_no},
      {true, {XK_Tab, XK_Tab, XK_Return}, mb_answer_yes},
      {true, {XK_ISO_Left_Tab, XK_space}, mb_answer_no},
      {true, {XK_Right, XK_Return}, mb_answer_no},
      {true, {XK_Right, XK_Left, XK_Return}, mb_answer_yes},
      {true, {XK_Down, XK_Up, XK_Up, XK_Return}, mb_answer_no},
      {true, {XK_y}, mb_answer_yes},
      {true, {XK_Y}, mb_answer_yes},
      {true, {XK_Tab, XK_y}, mb_answer_yes},
      {true, {XK_n}, mb_answer_no},
      {true, {XK_N}, mb_answer_no},
      {true, {XK_Escape}, mb_answer_no},
      {true, {XK_a, XK_Shift_L, XK_F1, XK_BackSpace}, 0},
      {false, {XK_Return}, mb_answer_ok},
      {false, {XK_Tab, XK_Right, XK_space}, mb_answer_ok},
      {false, {XK_Escape}, mb_answer_ok},
      {false, {XK_y, XK_n, XK_Y, XK_N}, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(answer_of(c.yes_no, c.keys), c.answer)
        << (c.yes_no ? "Yes/No box, " : "OK box, ") << c.keys.size() << " keys starting "
        << c.keys[0];
  }
}

TEST(DialogControls, KeyHeldWhenTheBoxOpenedCountsOnlyAfterItsRelease) {
  constexpr unsigned enter = 36;
  dialog_controls c = dialog_controls_new(true);
  c.held[enter] = true;
  EXPECT_EQ(dialog_key_press(&c, enter, XK_Return), 0);  // a repeat of the held key
  EXPECT_EQ(dialog_key_press(&c, enter, XK_Return), 0);
  EXPECT_EQ(dialog_key_press(&c, any_keycode, XK_Tab), 0);  // other keys still work
  dialog_key_release(&c, enter);
  EXPECT_EQ(dialog_key_press(&c, enter, XK_Return), mb_answer_no);
}

TEST(DialogControls, KeycodesOutsideTheKeymapAreSafe) {
  dialog_controls c = dialog_controls_new(true);
  dialog_key_release(&c, 100000);
  EXPECT_EQ(dialog_key_press(&c, 100000, XK_n), mb_answer_no);
}

TEST(DialogControls, ClickIsPressAndReleaseOnTheSameButton) {
  const struct {
    bool yes_no;
    int down, up;
    int32_t answer;
  } cases[] = {
      {true, 0, 0, mb_answer_yes},
      {true, 1, 1, mb_answer_no},
      {false, 0, 0, mb_answer_ok},
      {true, 0, 1, 0},
      {true, 1, -1, 0},
      {true, -1, 0, 0},
  };
  for (const auto& c : cases) {
    dialog_controls controls = dialog_controls_new(c.yes_no);
    dialog_pointer_press(&controls, c.down);
    EXPECT_EQ(dialog_pointer_release(&controls, c.up), c.answer) << c.down << " " << c.up;
    EXPECT_EQ(controls.armed, -1);
    // A later release alone is no click.
    EXPECT_EQ(dialog_pointer_release(&controls, c.up), 0);
  }
}

TEST(DialogControls, PressingAButtonFocusesIt) {
  dialog_controls c = dialog_controls_new(true);
  dialog_pointer_press(&c, 1);
  dialog_pointer_release(&c, -1);  // dragged off: no answer, but the focus stays
  EXPECT_EQ(dialog_key_press(&c, any_keycode, XK_space), mb_answer_no);
}

TEST(DialogControls, CloseButtonAnswersNoOrOk) {
  EXPECT_EQ(dialog_close_answer(dialog_controls_new(true)), mb_answer_no);
  EXPECT_EQ(dialog_close_answer(dialog_controls_new(false)), mb_answer_ok);
}

}  // namespace

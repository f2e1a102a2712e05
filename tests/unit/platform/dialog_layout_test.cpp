#include "runtime/platform/detail/dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

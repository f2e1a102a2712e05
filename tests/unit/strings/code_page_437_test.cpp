// Code page 437 to UTF-8 and back: every code survives the round trip, and
// UTF-8 from other programs, well-formed or not, becomes code page 437 with "?"
// for what it cannot hold.
#include <gtest/gtest.h>

#include <string>

#include "runtime/strings/strings.h"

namespace {

std::string to_utf8(const std::string& cp437) {
  return cp437_to_utf8(reinterpret_cast<const uint8_t*>(cp437.data()), cp437.size());
}
std::string to_cp437(const std::string& utf8) { return utf8_to_cp437(utf8.data(), utf8.size()); }

TEST(CodePage437, EveryCodeRoundTrips) {
  for (int code = 1; code < 256; ++code) {
    const std::string one(1, static_cast<char>(code));
    EXPECT_EQ(to_cp437(to_utf8(one)), one) << code;
  }
}

TEST(CodePage437, ToUtf8) {
  struct {
    std::string cp437, utf8;
  } cases[] = {
      {"Caf\x82", "Café"},
      {"\xB0\xB1\xB2\xDB", "░▒▓█"},
      {"\xC9\xCD\xBB", "╔═╗"},
      {"\xE1\xE3\xF8\xFD\xFA\xF9", "ßπ°²·∙"},
      {"\x01\x02\x7F", "☺☻⌂"},
      {"a\tb\r\nc", "a\tb\r\nc"},  // tab and line ends stay control characters
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(to_utf8(c.cp437), c.utf8) << c.utf8;
}

TEST(CodePage437, FromUtf8) {
  struct {
    std::string utf8, cp437;
  } cases[] = {
      {"Grüße", "Gr\x81\xE1" "e"},
      {"☺\x01", "\x01\x01"},       // the graphic character and the control both give code 1
      {"€ ✓ 😀", "? ? ?"},         // no code page 437 form
      {"\xC0\xAF", "??"},          // overlong "/"
      {"\xE0\x80\xAF", "???"},     // overlong, three bytes
      {"\xED\xA0\x80", "???"},     // a surrogate
      {"\xF4\x90\x80\x80", "????"}, // above U+10FFFF
      {"\xE2\x96", "??"},          // cut short at the end
      {"\xE2\x96x", "??x"},        // cut short before a plain character
      {"\x80\xBF", "??"},          // continuation bytes alone
      {"\xFF\xFE", "??"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(to_cp437(c.utf8), c.cp437) << c.utf8;
}

// Text read off the screen keeps what every cell shows; text to be typed
// drops what code page 437 cannot hold instead of typing "?".
TEST(CodePage437, ShownTextAndTypedText) {
  const struct {
    std::string cp437, utf8;
  } shown[] = {
      {std::string("a\0b", 3), "a b"},        // 0 draws nothing: a space, never the end of the text
      {"\x0D\x0A\x09", "♪◙○"},             // control codes as the symbols the cells show
      {"1/4 = 22050\xFA", "1/4 = 22050·"},
  };
  for (const auto& c : shown)
    EXPECT_EQ(cp437_shown_to_utf8(reinterpret_cast<const uint8_t*>(c.cp437.data()), c.cp437.size()), c.utf8);

  const struct {
    std::string utf8, cp437;
  } typed[] = {
      {"48000\n", "48000\n"},
      {"€5 ✓ 😀?", "5  ?"},              // a real "?" stays, what has no code goes
      {"Gr\xC3\xBC\xFF\xC3(e", "Gr\x81(e"},  // bytes that are not UTF-8 go too
      {"\xE2\x96", ""},
  };
  for (const auto& c : typed) EXPECT_EQ(utf8_to_cp437_known(c.utf8.data(), c.utf8.size()), c.cp437) << c.utf8;
}

}  // namespace

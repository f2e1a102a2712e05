#include "runtime/platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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

#include "runtime/core/core.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "runtime/frame/frame.h"
#include "runtime/host/detail/window_thread.h"
#include "runtime/platform/platform.h"

namespace {

// What the last box asked, and the answer the next one gives.
struct box_record {
  int calls = 0;
  std::string text, caption;
  uint32_t style = 0;
};
box_record last_box;
int32_t next_answer = mb_answer_yes;

int32_t record_box(const char* text, const char* caption, uint32_t style) {
  ++last_box.calls;
  last_box.text = text;
  last_box.caption = caption;
  last_box.style = style;
  std::fprintf(stderr, "style %#x\n", style);
  return next_answer;
}

class ErrorsTest : public testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    run_flags_reset();
    last_box = {};
    next_answer = mb_answer_yes;
    set_message_box_stand_in(record_box);
  }
  void TearDown() override {
    set_message_box_stand_in(nullptr);
    run_flags_reset();
  }
};

TEST_F(ErrorsTest, NumbersOfZeroAndBelowRecordIllegalFunctionCall) {
  for (int32_t n : {0, -3, INT32_MIN}) {
    run_flags_reset();
    EXPECT_EQ(raise_error(n), 5) << n;
    EXPECT_EQ(error_report.pending.load(), 5) << n;
    EXPECT_EQ(run_flags.event_pending.load(), 1) << n;
  }
}

TEST_F(ErrorsTest, FirstErrorOfAStatementWins) {
  EXPECT_EQ(raise_error(62), 62);
  EXPECT_EQ(raise_error(7), 62);
  EXPECT_EQ(raise_error(0), 62);
  EXPECT_EQ(error_report.pending.load(), 62);
}

TEST_F(ErrorsTest, SecondErrorIsLostAndGoneAfterYes) {
  raise_error(5);
  raise_error(6);
  statement_end(7);
  ASSERT_EQ(last_box.calls, 1);
  EXPECT_EQ(last_box.caption, "Unhandled Error #5");
  EXPECT_EQ(last_box.text, "Line: 7 (in main module)\nIllegal function call\nContinue?");
  EXPECT_EQ(last_box.style, 0x1004u);
  EXPECT_EQ(error_report.pending.load(), 0);
  EXPECT_EQ(run_flags.event_pending.load(), 0);
  statement_end(8);  // nothing is left to report
  EXPECT_EQ(last_box.calls, 1);
  EXPECT_EQ(raise_error(6), 6);  // and the next statement's error counts again
}

struct dialog_case {
  int32_t n, line, sub_line;
  const char* sub_name;
  const char* body;
  const char* caption;
};

TEST(ErrorDialogText, BodyAndCaption) {
  const dialog_case cases[] = {
      {5, 7, 0, nullptr, "Line: 7 (in main module)\nIllegal function call\nContinue?",
       "Unhandled Error #5"},
      {309, 12, 0, nullptr, "Line: 12 (in main module)\nMemory not initialized",
       "Critical Error #309"},
      {300, 1, 0, nullptr, "Line: 1 (in main module)\nMemory region out of range",
       "Critical Error #300"},
      {313, 1, 0, nullptr,
       "Line: 1 (in main module)\nSource and destination memory have been freed",
       "Critical Error #313"},
      {299, 4, 0, nullptr, "Line: 4 (in main module)\nUnprintable error\nContinue?",
       "Unhandled Error #299"},
      {314, 4, 0, nullptr, "Line: 4 (in main module)\nUnprintable error\nContinue?",
       "Unhandled Error #314"},
      {11, 4, 0, nullptr, "Line: 4 (in main module)\nUnprintable error\nContinue?",
       "Unhandled Error #11"},
      {1000000, 4, 0, nullptr, "Line: 4 (in main module)\nUnprintable error\nContinue?",
       "Unhandled Error #1000000"},
      {258, 65535, 0, nullptr, "Line: 65535 (in main module)\nInvalid handle\nContinue?",
       "Unhandled Error #258"},
      {53, 40, 3, "LOADSONG", "Line: 3 (in LOADSONG)\nFile not found\nContinue?",
       "Unhandled Error #53"},
  };
  for (const dialog_case& c : cases) {
    error_dialog_text text{};
    ASSERT_TRUE(format_error_dialog(c.n, c.line, c.sub_line, c.sub_name, &text)) << c.n;
    EXPECT_STREQ(text.body, c.body) << c.n;
    EXPECT_STREQ(text.caption, c.caption) << c.n;
    std::free(text.body);
    std::free(text.caption);
  }
}

TEST(ErrorMessages, TableEdgesAndGaps) {
  EXPECT_STREQ(error_message(1), "NEXT without FOR");
  EXPECT_STREQ(error_message(76), "Path not found");
  EXPECT_STREQ(error_message(313), "Source and destination memory have been freed");
  for (int32_t n : {0, -1, 11, 15, 21, 77, 257, 259, 314, 502, INT32_MAX})
    EXPECT_STREQ(error_message(n), "Unprintable error") << n;
}

TEST_F(ErrorsTest, CriticalErrorShowsOkOnlyAndEndsTheProcess) {
  EXPECT_EXIT(
      {
        next_answer = mb_answer_ok;
        raise_error(309);
        statement_end(12);
        std::_Exit(3);  // reached only if the program went on
      },
      testing::ExitedWithCode(0),
      "\\[Critical Error #309\\] Line: 12 \\(in main module\\) \\| Memory not initialized\nstyle "
      "0\n");
}

// No and OK (the answer of a box closed without a choice) stop the program
// through the main loop's shutdown, which ends the process with status 0.
TEST_F(ErrorsTest, NoAndOkStopThroughTheShutdown) {
  for (int32_t answer : {mb_answer_no, mb_answer_ok}) {
    EXPECT_EXIT(
        {
          next_answer = answer;
          std::thread(timer_thread).detach();
          std::thread(main_loop).detach();
          raise_error(5);
          statement_end(7);
          std::_Exit(3);
        },
        testing::ExitedWithCode(0),
        "\\[Unhandled Error #5\\] Line: 7 .*Continue\\?\nstyle 0x1004\n")
        << answer;
  }
}

struct fatal_case {
  int32_t n;
  const char* log;
};

TEST_F(ErrorsTest, FatalKindsShowTheirBoxAndEndAtOnce) {
  const fatal_case cases[] = {
      {11, "\\[Critical Error\\] Division by zero\nstyle 0x1000\n"},
      {502, "\\[Critical Error #2\\] Out of memory\nstyle 0x1000\n"},
      {504, "\\[Critical Error #4\\] Out of memory\nstyle 0x1000\n"},
      {508, "\\[Critical Error #8\\] Out of memory\nstyle 0x1000\n"},
      {515, "\\[Critical Error #15\\] Out of memory\nstyle 0x1000\n"},
      {517, "\\[Critical Error #17\\] Out of memory\nstyle 0x1000\n"},
  };
  for (const fatal_case& c : cases) {
    EXPECT_EXIT(
        {
          error_report.pending.store(5);  // even with an error pending
          raise_error(c.n);
          std::_Exit(3);
        },
        testing::ExitedWithCode(0), c.log)
        << c.n;
  }
}

TEST_F(ErrorsTest, NeighboursOfTheFatalKindsAreOrdinaryErrors) {
  for (int32_t n : {10, 12, 501, 505, 507, 518}) {
    error_report.pending.store(0);
    EXPECT_EQ(raise_error(n), n);
  }
  EXPECT_EQ(last_box.calls, 0);
}

TEST_F(ErrorsTest, AlertsHaveTheirCaptionAndOkOnly) {
  alert_number(INT32_MIN);
  EXPECT_EQ(last_box.caption, "Alert");
  EXPECT_EQ(last_box.text, "-2147483648");
  EXPECT_EQ(last_box.style, 0u);
}

}  // namespace

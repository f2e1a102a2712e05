#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"

namespace {

struct handler_call {
  int32_t handler;
  int64_t argument;
  uint8_t timer_pending_during;
};
std::vector<handler_call> calls;

void record_handler(int32_t handler, int64_t argument) {
  calls.push_back({handler, argument, event_timers.table[1].pending.load()});
}

bool wait_until(const std::atomic<int32_t>& word, int32_t mask, int ms) {
  for (int i = 0; i < ms && (word.load() & mask) != mask; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return (word.load() & mask) == mask;
}
bool wait_until(const std::atomic<uint32_t>&, int32_t mask, int ms) {
  return await_threads_stopped(static_cast<uint32_t>(mask), ms);
}

class LineEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    event_traps.handler = record_handler;
    run_flags_reset();
  }
  void TearDown() override {
    event_traps_reset();
    event_traps.handler = nullptr;
  }
};

TEST_F(LineEvents, TimerTrapGoesIdleDueRunningIdle) {
  event_timers.count = 2;
  timer_record& t = event_timers.table[1];
  t.in_use = 1;
  t.handler = 5;
  t.argument = 42;
  t.state = 1;
  t.interval = 0.5;

  const struct {
    double now;
    uint8_t pending;
    double last;
  } steps[] = {
      {10.0, 0, 10.0},  // the first tick only starts the timer
      {10.4, 0, 10.0},
      {10.6, 1, 10.5},  // due: the next interval counts from the last one
      {11.9, 1, 10.5},  // not marked again while due
  };
  for (const auto& s : steps) {
    timer_scan(s.now);
    EXPECT_EQ(t.pending.load(), s.pending) << "at " << s.now;
    EXPECT_DOUBLE_EQ(t.last.load(), s.last) << "at " << s.now;
  }
  EXPECT_EQ(run_flags.event_pending.load(), 1);

  statement_end(12);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].handler, 5);
  EXPECT_EQ(calls[0].argument, 42);
  EXPECT_EQ(calls[0].timer_pending_during, 2);
  EXPECT_EQ(t.pending.load(), 0);
  EXPECT_EQ(run_flags.event_pending.load(), 0);

  timer_scan(13.0);  // fell behind by more than an interval: restart from now
  EXPECT_DOUBLE_EQ(t.last.load(), 13.0);
  EXPECT_EQ(t.pending.load(), 1);
}

TEST_F(LineEvents, TimersThatAreOffOrWithoutHandlerStayIdle) {
  event_timers.count = 3;
  event_timers.table[1].in_use = 1;
  event_timers.table[1].handler = 5;
  event_timers.table[1].state = 0;  // off
  event_timers.table[2].in_use = 1;
  event_timers.table[2].handler = 0;  // no handler
  event_timers.table[2].state = 1;
  for (double now : {1.0, 5.0, 50.0}) timer_scan(now);
  EXPECT_EQ(event_timers.table[1].pending.load(), 0);
  EXPECT_EQ(event_timers.table[2].pending.load(), 0);
  EXPECT_EQ(run_flags.event_pending.load(), 0);
}

// The timer thread sleeps until the earliest counting timer is due; it never
// wakes later than the first millisecond a scan every millisecond would mark it.
TEST_F(LineEvents, TimerThreadSleepsUntilTheEarliestDueTimer) {
  event_timers.count = 4;
  auto set = [](int i, int32_t handler, uint8_t state, uint8_t pending, double interval, double last) {
    timer_record& t = event_timers.table[i];
    t.in_use = 1;
    t.handler = handler;
    t.state = state;
    t.pending = pending;
    t.interval = interval;
    t.last = last;
  };
  const struct {
    const char* what;
    double interval1, last1, interval2, last2;
    uint8_t state2, pending2;
    double now;
    int32_t sleep_ms;
  } cases[] = {
      {"one timer", 0.5, 10.0, 0, 0, 0, 0, 10.2, 300},
      {"the earlier of two", 0.5, 10.0, 0.25, 10.0, 1, 0, 10.1, 150},
      {"a stopped timer still counts", 0.5, 10.0, 0.25, 10.0, 2, 0, 10.1, 150},
      {"a due timer waits for its handler", 0.5, 10.0, 0.25, 10.0, 1, 1, 10.2, 300},
      {"an overdue timer", 0.5, 10.0, 0, 0, 0, 0, 11.0, 1},
      {"not started yet", 0.5, 0.0, 0, 0, 0, 0, 3.0, 1},
      {"a long interval", 3600.0, 10.0, 0, 0, 0, 0, 10.0, 3600000},
  };
  for (const auto& c : cases) {
    set(1, 5, 1, 0, c.interval1, c.last1);
    set(2, c.state2 ? 6 : 0, c.state2, c.pending2, c.interval2, c.last2);
    const int32_t got = timer_sleep_ms(c.now);
    // Rounding of the seconds may take the wake a millisecond earlier, never later.
    EXPECT_TRUE(got == c.sleep_ms || got == c.sleep_ms - 1) << c.what << ": " << got;
  }
  event_timers.table[1].state = 0;
  event_timers.table[2].state = 0;
  event_timers.table[3].in_use = 1;  // in use, no handler
  event_timers.table[3].state = 1;
  EXPECT_EQ(timer_sleep_ms(20.0), -1) << "nothing counts: sleep until a change";
}

// A timer thread asleep with nothing counting marks a timer switched on once it
// is told, and returns once told of the shutdown.
TEST_F(LineEvents, SleepingTimerThreadWakesForATimerAndForTheShutdown) {
  std::thread timers(timer_thread);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  event_timers.count = 2;
  timer_record& t = event_timers.table[1];
  t.interval = 0.01;
  t.last = 0;
  t.handler = 5;
  t.in_use = 1;
  t.state = 1;
  timers_changed();
  for (int i = 0; i < 2000 && t.pending.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(t.pending.load(), 1);
  run_flags.shutdown_started = 1;
  timers_changed();
  EXPECT_TRUE(wait_until(run_flags.stopped_threads, 2, 2000));
  timers.join();
}

TEST_F(LineEvents, KeyTrapRunsOnceForEveryOccurrenceWhileOn) {
  event_traps.keys[3].trap.handler = 7;
  event_traps.keys[3].trap.argument = 3;
  event_traps.keys[3].trap.state = 1;
  event_traps.keys[3].trap.pending = 2;
  event_traps.keys[4].trap.handler = 8;
  event_traps.keys[4].trap.state = 2;  // stopped: occurrences wait
  event_traps.keys[4].trap.pending = 1;
  run_flags.event_pending = 1;
  statement_end(1);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].handler, 7);
  EXPECT_EQ(calls[1].handler, 7);
  EXPECT_EQ(event_traps.keys[3].trap.pending.load(), 0);
  EXPECT_EQ(event_traps.keys[4].trap.pending.load(), 1);
}

TEST_F(LineEvents, NothingPendingMeansNoLineEvent) {
  event_traps.keys[3].trap.handler = 7;
  event_traps.keys[3].trap.state = 1;
  event_traps.keys[3].trap.pending = 1;
  for (int line = 1; line <= 100; ++line) statement_end(line);
  EXPECT_TRUE(calls.empty());
}

TEST_F(LineEvents, PauseHoldsTheProgramAtTheLineBoundary) {
  run_flags.paused = 1;
  run_flags.event_pending = 1;
  std::atomic<int32_t> passed{0};
  std::thread program([&] {
    statement_end(3);
    passed = 1;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(passed.load(), 0);
  run_flags.paused = 0;  // as the key that ends the pause does
  program_wake();
  EXPECT_TRUE(wait_until(passed, 1, 2000));
  program.join();
}

TEST_F(LineEvents, ShutdownWhilePausedParksTheProgramThread) {
  run_flags.paused = 1;
  run_flags.event_pending = 1;
  std::thread([] { statement_end(4); }).detach();  // parks for good
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(run_flags.stopped_threads.load() & 1, 0);
  run_flags.shutdown_started = 1;  // as the shutdown does
  program_wake();
  EXPECT_TRUE(wait_until(run_flags.stopped_threads, 1, 2000));
}

TEST_F(LineEvents, PendingErrorReachesTheDialogWithTheStatementLine) {
  unsetenv("DISPLAY");  // the box answers No at once without a display
  error_report.line = 0;
  std::thread([] {
    raise_error(5);
    raise_error(9);  // lost: the first error of a statement wins
    statement_end(7);
  }).detach();
  // No stops the program: the stop is requested and the thread parks.
  EXPECT_TRUE(wait_until(run_flags.stopped_threads, 1, 5000));
  EXPECT_EQ(run_flags.stop_request.load(), 1);
  EXPECT_EQ(error_report.line, 7);
  EXPECT_EQ(error_report.sub_line, 0);
  EXPECT_EQ(error_report.pending.load(), 5);
}

}  // namespace

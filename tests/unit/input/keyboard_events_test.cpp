#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "runtime/frame/frame.h"
#include "runtime/host/detail/window_thread.h"
#include "tests/unit/input/key_test_support.h"
#include "tests/unit/input/mouse_test_support.h"

namespace {

using key_test::bios_all;
using key_test::keyhit_all;
using std::vector;

class KeyEvents : public ::testing::Test {
 protected:
  void SetUp() override { key_test::reset_key_state(); }
  void TearDown() override { key_test::reset_key_state(); }
};

void tap(int32_t code) {
  key_down(code);
  key_up(code);
}

TEST_F(KeyEvents, CtrlAGivesCharacterOneThroughTheLetter) {
  key_down(kc_left_ctrl);
  const int32_t code = character_key_code(1, ControlMask, nullptr);
  EXPECT_EQ(code, 'a');
  key_down(code);
  EXPECT_EQ(key_held('a'), 1);
  EXPECT_EQ(bios_all(), (vector<int32_t>{0x1E01}));
}

TEST_F(KeyEvents, CtrlEnterGivesTenAltAGivesTheTwoByteCode) {
  key_down(kc_right_ctrl);
  key_down(13);
  key_up(kc_right_ctrl);
  key_down(kc_left_alt);
  key_down('a');
  EXPECT_EQ(bios_all(), (vector<int32_t>{0x1C0A, 0x1E00}));
}

TEST_F(KeyEvents, ShiftF1AndCtrlUp) {
  key_down(kc_left_shift);
  tap(kc_f1);
  key_up(kc_left_shift);
  key_down(kc_left_ctrl);
  tap(kc_up);
  EXPECT_EQ(bios_all(), (vector<int32_t>{0x5400, 0x8D00}));
}

TEST_F(KeyEvents, FifteenKeysFitTheSixteenthIsDropped) {
  for (int32_t i = 0; i < 16; ++i) tap('a' + i);
  const vector<int32_t> got = bios_all();
  ASSERT_EQ(got.size(), 15u);
  EXPECT_EQ(got.back() & 0xFF, 'a' + 14);
  // Reading makes room again, also across the wrap of the ring.
  for (int32_t round = 0; round < 3; ++round) {
    tap('z');
    EXPECT_EQ(bios_all(), (vector<int32_t>{0x2C7A}));
  }
  // The key-event ring kept all 32 events of the 16 keys.
  EXPECT_EQ(keyhit_all().size(), 32u + 6u);
}

TEST_F(KeyEvents, AHeldKeyIsCountedOnce) {
  key_down('q');
  key_down('q');  // typematic repeat
  EXPECT_EQ(held_keys_snapshot(), (vector<int32_t>{'q'}));
  EXPECT_EQ(bios_all().size(), 2u);
  key_up('q');
  EXPECT_EQ(key_held('q'), 0);
  EXPECT_TRUE(held_keys_snapshot().empty());
}

TEST_F(KeyEvents, PauseHoldsTheProgramUntilTheNextKeyWhichIsConsumed) {
  key_down(kc_pause);
  EXPECT_EQ(run_flags.paused & 1, 1);
  EXPECT_EQ(run_flags.event_pending, 1);
  EXPECT_EQ(cm_read8(0x418) & 0x08, 0x08);  // the Pause key is held
  key_up(kc_pause);
  EXPECT_EQ(cm_read8(0x418) & 0x08, 0);

  std::atomic<int> passed{0};
  std::thread program([&] {
    statement_end(10);  // the line event waits while run_flags.paused
    passed = 1;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  EXPECT_EQ(passed, 0) << "the program went on while run_flags.paused";
  tap('x');
  program.join();
  EXPECT_EQ(passed, 1);
  EXPECT_EQ(run_flags.paused, 0);
  EXPECT_TRUE(bios_all().empty());
  EXPECT_TRUE(keyhit_all().empty()) << "the press or release of Pause or of the key that ended it was delivered";
  EXPECT_EQ(key_held('x'), 0);
  tap('y');  // the next key is delivered again
  EXPECT_EQ(bios_all(), (vector<int32_t>{0x1579}));
}

TEST_F(KeyEvents, CtrlNumLockPausesToo) {
  key_down(kc_left_ctrl);
  key_down(kc_num_lock);
  EXPECT_EQ(run_flags.paused & 1, 1);
  EXPECT_EQ(cm_read8(0x417) & 0x20, 0x20) << "Num Lock's state is shown even though the press run_flags.paused";
}

TEST_F(KeyEvents, BreakAndAltF4StopTheProgramOrAreOnlyRecorded) {
  const struct {
    vector<int32_t> keys;
    int32_t trapping, request;
    uint8_t stop;
  } cases[] = {
      {{kc_break}, 0, 0, 1},
      {{kc_break}, 1, 2, 0},
      {{kc_right_ctrl, kc_scroll_lock}, 0, 0, 1},
      {{kc_left_ctrl, kc_scroll_lock}, 1, 2, 0},
      {{kc_left_alt, kc_f4}, 0, 0, 1},
      {{kc_right_alt, kc_f4}, 1, 1, 0},
      {{kc_f4}, 0, 0, 0},
      {{kc_scroll_lock}, 1, 0, 0},
  };
  for (const auto& c : cases) {
    key_test::reset_key_state();
    run_flags.exit_trap_enabled = c.trapping;
    for (int32_t k : c.keys) key_down(k);
    EXPECT_EQ(run_flags.exit_request, c.request) << c.keys.back();
    EXPECT_EQ(run_flags.stop_request, c.stop) << c.keys.back();
    // Everything but a consumed last key reaches the key-event ring.
    EXPECT_EQ(keyhit_all().size(), c.keys.size() - (c.request || c.stop ? 1 : 0)) << c.keys.back();
  }
}

TEST_F(KeyEvents, AltEnterCyclesFullScreenAndFivePressesReturnToTheWindow) {
  struct step {
    int32_t request, smooth;
  };
  // (mode in force is applied by the window thread after each press, or not at all)
  const step applied[] = {{1, 0}, {-1, 1}, {2, 0}, {-1, 1}, {0, 1}};
  key_down(kc_left_alt);
  for (const auto& s : applied) {
    key_down(13);
    key_up(13);
    EXPECT_EQ(full_screen_settings.request, s.request);
    EXPECT_EQ(full_screen_settings.smooth, s.smooth);
    EXPECT_EQ(full_screen_settings.force_full_refresh, 1);
    if (full_screen_settings.request != full_screen_no_request) full_screen_settings.mode = full_screen_settings.request.exchange(full_screen_no_request);
  }
  EXPECT_EQ(full_screen_settings.mode, 0);

  key_test::reset_key_state();
  key_down(kc_right_alt);
  const step unapplied[] = {{1, 0}, {1, 1}, {2, 0}, {2, 1}, {-1, 1}};
  for (const auto& s : unapplied) {
    tap(13);
    EXPECT_EQ(full_screen_settings.request, s.request);
    EXPECT_EQ(full_screen_settings.smooth, s.smooth);
  }
  EXPECT_TRUE(bios_all().empty());
  EXPECT_EQ(keyhit_all(), (vector<int32_t>{kc_right_alt})) << "Enter's presses or releases were delivered";
}

TEST_F(KeyEvents, ATrappedKeyIsSeenNeitherByTheBuffersNorOnRelease) {
  event_traps.keys[11].trap.handler = 7;
  event_traps.keys[11].trap.state = 1;
  tap(kc_up);
  tap(100264);  // keypad 8 with Num Lock on, the Up trap's twin
  EXPECT_EQ(event_traps.keys[11].trap.pending, 2);
  EXPECT_EQ(run_flags.event_pending, 1);
  EXPECT_TRUE(bios_all().empty());
  EXPECT_TRUE(keyhit_all().empty());
  EXPECT_TRUE(port60_contents().empty());

  event_traps.keys[11].trap.state = 2;  // stopped: remembered, not counted
  tap(kc_up);
  tap(kc_up);
  EXPECT_EQ(event_traps.keys[11].trap.pending, 1);

  event_traps.keys[11].trap.state = 0;  // off: the key is an ordinary key again
  tap(kc_up);
  EXPECT_EQ(bios_all(), (vector<int32_t>{0x4800}));
  EXPECT_EQ(keyhit_all(), (vector<int32_t>{kc_up, -kc_up}));
}

TEST_F(KeyEvents, UserDefinedKeysMatchMakeCodeAndShiftState) {
  key_trap_record& t = event_traps.keys[15];
  t.trap.handler = 3;
  t.trap.state = 1;
  t.make = 30;       // A
  t.shift_mask = 4;  // Ctrl, no Shift, no Alt
  const struct {
    vector<int32_t> held;
    int32_t key;
    bool trapped;
  } cases[] = {
      {{}, 'a', false},
      {{kc_left_ctrl}, 'a', true},
      {{kc_right_ctrl}, 'A', true},
      {{kc_left_ctrl, kc_left_shift}, 'A', false},
      {{kc_left_ctrl, kc_left_alt}, 'a', false},
  };
  for (const auto& c : cases) {
    t.trap.pending = 0;
    for (int32_t h : c.held) key_down(h);
    key_down(c.key);
    EXPECT_EQ(t.trap.pending, c.trapped ? 1 : 0) << c.key << " with " << c.held.size() << " modifiers";
    EXPECT_EQ(bios_all().empty(), c.trapped);
    key_up(c.key);
    for (int32_t h : c.held) key_up(h);
  }
  // A trapped modifier: Ctrl itself (its own state is not compared), shown in the flags.
  t.make = 29;
  t.shift_mask = 0;
  t.trap.pending = 0;
  key_down(kc_right_ctrl);
  EXPECT_EQ(t.trap.pending, 0) << "right Ctrl is an extended key, the mask asks for a plain one";
  key_up(kc_right_ctrl);
  key_down(kc_left_ctrl);
  EXPECT_EQ(t.trap.pending, 1);
  EXPECT_EQ(cm_read8(0x417) & 0x04, 0x04);
  key_up(kc_left_ctrl);
  EXPECT_EQ(cm_read8(0x417) & 0x04, 0);
  // Extended keys need mask bit 7, and Num Lock (bit 5) must then be on.
  t.make = 72;
  t.shift_mask = 0x80 | 0x20;
  t.trap.pending = 0;
  tap(kc_up);
  EXPECT_EQ(t.trap.pending, 0);
  key_down(kc_num_lock);
  tap(kc_up);
  tap(200008);  // keypad Up: same make code, not extended
  EXPECT_EQ(t.trap.pending, 1);
}

TEST_F(KeyEvents, SoftKeysTypeTheirTextAndSwallowTheirKey) {
  soft_key_set(2, "ok\r");  // F2
  key_trap_record& letter_trap = event_traps.keys[16];
  letter_trap.trap.handler = 1;
  letter_trap.trap.state = 1;
  letter_trap.make = 24;  // O: not tried while the text is typed
  tap(kc_f1 + 256);
  EXPECT_EQ(bios_all(), (vector<int32_t>{0x186F, 0x256B, 0x1C0D}));
  EXPECT_EQ(keyhit_all(), (vector<int32_t>{'o', -'o', 'k', -'k', 13, -13}));
  EXPECT_EQ(letter_trap.trap.pending, 0);
  tap('o');  // typed by hand the letter is trapped
  EXPECT_EQ(letter_trap.trap.pending, 1);
}

TEST_F(KeyEvents, KeyEventsCarryKeypadFlagsAndPortSixtyGetsMakeAndBreakCodes) {
  tap(100265);  // keypad 9, Num Lock on
  tap(200001);  // keypad End, Num Lock off
  tap('a');
  key_down(kc_left_shift);
  key_down(kc_left_shift);
  key_up(kc_left_shift);
  EXPECT_EQ(keyhit_all(), (vector<int32_t>{'9' + 1000000, -'9' - 1000000, kc_end + 1000000, -kc_end - 1000000,
                                          'a', -'a', kc_left_shift, kc_left_shift, -kc_left_shift}));
  EXPECT_EQ(port60_contents(), (vector<uint8_t>{73, 73 + 128, 79, 79 + 128, 30, 30 + 128, 42, 42 + 128}));
}

TEST_F(KeyEvents, BuffersOverflowByDroppingTheOldest) {
  for (int32_t i = 0; i < 300; ++i) port60_append(static_cast<uint8_t>(i & 1 ? 1 : 2 + i % 100));
  const vector<uint8_t> bytes = port60_contents();
  ASSERT_EQ(bytes.size(), 256u);
  EXPECT_EQ(bytes.back(), 1);
  EXPECT_EQ(bytes.front(), 2 + 44 % 100);  // bytes 0-43 were dropped

  for (int32_t i = 1; i <= keyhit_size + 5; ++i) keyhit_put(i, 0);
  const vector<int32_t> events = keyhit_all();
  ASSERT_EQ(events.size(), static_cast<size_t>(keyhit_size - 1));
  EXPECT_EQ(events.front(), 7);
  EXPECT_EQ(events.back(), keyhit_size + 5);
}

TEST_F(KeyEvents, InsertAndScrollLockToggleTheirStates) {
  tap(kc_insert);
  EXPECT_EQ(cm_read8(0x417) & 0x80, 0x80);
  key_down(kc_insert);
  EXPECT_EQ(cm_read8(0x418) & 0x80, 0x80);
  key_down(kc_insert);  // a repeat while held does not toggle
  key_up(kc_insert);
  EXPECT_EQ(cm_read8(0x417) & 0x80, 0);
  EXPECT_EQ(cm_read8(0x418) & 0x80, 0);
  key_down(kc_left_shift);
  tap(kc_insert);
  EXPECT_EQ(cm_read8(0x417) & 0x80, 0) << "Shift+Insert does not toggle";
  key_up(kc_left_shift);

  tap(kc_scroll_lock);
  EXPECT_EQ(cm_read8(0x417) & 0x10, 0x10);
  tap(kc_scroll_lock);
  EXPECT_EQ(cm_read8(0x417) & 0x10, 0);
  EXPECT_EQ(bios_all(), (vector<int32_t>{0x5200, 0x5200, 0x5200, 0x5200}));
}

TEST_F(KeyEvents, ZeroStandsForItsOwnCodeAndEveryPressMarksTheSleepFlag) {
  key_down(0);
  EXPECT_EQ(key_held(kc_zero), 1);
  EXPECT_EQ(sleep_key_pressed, 1);
  key_up(0);
  EXPECT_EQ(key_held(kc_zero), 0);
  EXPECT_EQ(bios_all(), (vector<int32_t>{0}));
  sleep_key_pressed = 0;
  key_down(kc_pause);
  EXPECT_EQ(sleep_key_pressed, 1);
}

TEST_F(KeyEvents, AWindowKeyEventReachesTheDeviceAndTheKeysOnce) {
  mouse_test::runtime_ready();
  key_event(0x1E, 'a', true);
  key_event(0x1E, 'a', true);  // held, the key repeats: one device press, two characters
  key_event(0x3A, 0, true);    // a key without a code of its own reaches the device only
  key_event(0x1E, 'a', false);
  key_event(0, kc_left_shift, false);  // a code without a scan code: the keys only
  EXPECT_EQ(bios_all(), (vector<int32_t>{0x1E61, 0x1E61}));
  EXPECT_EQ(keyhit_all(), (vector<int32_t>{'a', 'a', -'a', -kc_left_shift}));
  EXPECT_TRUE(held_keys_snapshot().empty());
  EXPECT_EQ(device_event_button(keyboard_device, device_last_event(keyboard_device), 0x1E), 0);
  EXPECT_EQ(device_event_button(keyboard_device, device_last_event(keyboard_device), 0x3A), 1);
  key_event(0x45, kc_pause, true);
  EXPECT_EQ(run_flags.paused, 1);
  window_close_request();
  EXPECT_EQ(run_flags.exit_request, 1);
}

TEST_F(KeyEvents, ASuppressedListOf255SlotsStopsSwallowingReleases) {
  event_traps.keys[1].trap.handler = 1;
  event_traps.keys[1].trap.state = 1;
  for (int32_t i = 0; i < 256; ++i) key_down(kc_f1);  // each press is trapped and recorded
  for (int32_t i = 0; i < 256; ++i) key_up(kc_f1);
  EXPECT_EQ(keyhit_all(), (vector<int32_t>{-kc_f1})) << "the 256th release is not swallowed";
}

}  // namespace

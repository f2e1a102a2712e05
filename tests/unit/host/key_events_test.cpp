#include <set>

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "runtime/host/detail/window_thread.h"
#include "tests/unit/input/key_test_support.h"

namespace {

constexpr unsigned ctrl = ControlMask, shift = ShiftMask, caps = LockMask, alt = Mod1Mask;

std::set<int32_t> physically_down;
bool down_query(int32_t scan) { return physically_down.count(scan) != 0; }

TEST(KeyboardCallback, MapsCharactersAsTheWindowGivesThem) {
  const struct {
    unsigned char c;
    unsigned modifiers;
    std::set<int32_t> down;  // scan codes of the keys physically down
    int32_t code;
  } cases[] = {
      {'a', 0, {}, 'a'},
      {'A', shift, {}, 'A'},
      {1, ctrl, {}, 'a'},
      {1, ctrl | shift, {}, 'A'},
      {1, ctrl | caps, {}, 'A'},  // Caps Lock reads as Shift
      {26, ctrl, {}, 'z'},
      {1, alt, {}, 1},          // without Ctrl a control character stays
      {10, ctrl, {}, 13},       // Ctrl+Enter as some systems give it
      {13, ctrl, {}, 'm'},      // nothing known: the letter
      {13, ctrl, {0x1C}, 13},   // Ctrl+Enter as X11 gives it
      {13, ctrl, {0x11C}, 13},  // keypad Enter
      {13, ctrl, {0x32}, 'm'},  // Ctrl+M
      {10, ctrl, {0x24}, 'j'},  // Ctrl+J
      {8, ctrl, {0x0E}, 8},     // Ctrl+Backspace
      {8, ctrl, {0x23}, 'h'},
      {9, ctrl, {0x0F}, 9},     // Ctrl+Tab
      {9, ctrl | shift, {0x17}, 'I'},
      {13, 0, {}, 13},
      {27, ctrl, {}, 27},
      {127, 0, {}, kc_delete},
      {127, ctrl, {}, kc_delete},
      {0, ctrl, {}, 0},
      {233, 0, {}, 233},
      // Keys other than letters that come as control characters with Ctrl.
      {0, ctrl, {0x03}, '2'},
      {0, ctrl | shift, {0x03}, '2'},
      {0, ctrl, {0x39}, ' '},
      {30, ctrl, {0x07}, '6'},
      {27, ctrl, {0x04}, '3'},
      {27, ctrl, {0x1A}, '['},
      {27, ctrl, {0x01}, 27},
      {28, ctrl, {0x2B}, '\\'},
      {29, ctrl, {0x1B}, ']'},
      {31, ctrl, {0x0C}, '-'},
      {31, ctrl, {0x35}, '/'},
      {127, ctrl, {0x09}, '8'},
      {30, 0, {0x07}, 30},  // without Ctrl: as given
  };
  for (const auto& c : cases) {
    physically_down = c.down;
    EXPECT_EQ(character_key_code(c.c, c.modifiers, down_query), c.code)
        << int(c.c) << " modifiers " << c.modifiers;
  }
}

TEST(KeyboardCallback, ReleasesPairWithTheirPresses) {
  const struct {
    int32_t held;
    unsigned char c;
    unsigned modifiers;
    int32_t released;
  } cases[] = {
      {'A', 'a', 0, 'A'},      // Shift let go first
      {'a', 'A', shift, 'a'},  // Shift pressed while the key was down
      {'!', '1', 0, '!'},
      {13, 13, ctrl, 13},      // Ctrl+Enter let go with Ctrl still held
      {'m', 13, ctrl, 'm'},
      {'a', 1, ctrl, 'a'},
      {'q', 'w', 0, 'w'},      // nothing pairs: the code itself
      {'2', 0, ctrl, '2'},     // Ctrl+2, its key already up when the release is read
      {'6', 30, ctrl, '6'},
  };
  physically_down.clear();
  for (const auto& c : cases) {
    key_test::reset_key_state();
    held_keys_add(c.held, 0);
    EXPECT_EQ(character_release_code(c.c, c.modifiers, down_query), c.released) << c.held;
  }
  key_test::reset_key_state();
}

TEST(SpecialKeys, MapKeySymbolsWithoutACharacter) {
  const struct {
    unsigned long symbol;
    int32_t code;
  } cases[] = {
      {XK_F1, 0x3B00},          {XK_F5, 0x3F00},        {XK_F10, 0x4400},         {XK_F11, 0x8500},
      {XK_F12, 0x8600},         {XK_Left, 0x4B00},      {XK_KP_Up, 0x4800},       {XK_Right, 0x4D00},
      {XK_KP_Down, 0x5000},     {XK_Prior, 0x4900},     {XK_KP_Next, 0x5100},     {XK_KP_Home, 0x4700},
      {XK_End, 0x4F00},         {XK_KP_Insert, 0x5200}, {XK_KP_Delete, 0x5300},   {XK_Shift_L, 100304},
      {XK_Shift_R, 100303},     {XK_Control_L, 100306}, {XK_Control_R, 100305},   {XK_Alt_L, 100308},
      {XK_Alt_R, 100307},       {XK_Num_Lock, 0},       {XK_KP_Begin, 0},         {XK_Super_L, 0},
      {XK_F13, 0},              {NoSymbol, 0},          {XK_Return, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(special_key_code(c.symbol), c.code) << c.symbol;
}

}  // namespace

namespace {

TEST(ClipboardKeys, OnlyTheExactCombinationsAreTheWindows) {
  constexpr unsigned s = ShiftMask, c = ControlMask, a = Mod1Mask;
  const clipboard_keycodes keys{54, 55, 118, true};
  const struct {
    int32_t keycode;
    unsigned state;
    clipboard_key key;
  } cases[] = {
      {54, s | c, clipboard_key::copy},
      {54, s | c | LockMask | Mod2Mask, clipboard_key::copy},  // Caps Lock and Num Lock do not matter
      {54, c, clipboard_key::none},                            // Ctrl+C stays the program's
      {54, s | c | a, clipboard_key::none},
      {55, s | c, clipboard_key::paste},
      {55, s, clipboard_key::none},
      {118, s, clipboard_key::paste},
      {118, 0, clipboard_key::none},  // Insert alone toggles insert mode in the program
      {118, s | c, clipboard_key::none},
      {56, s | c, clipboard_key::none},
  };
  for (const auto& k : cases) EXPECT_EQ(clipboard_key_of(keys, k.keycode, k.state), k.key) << k.keycode;
  clipboard_keycodes off = keys;
  off.on = false;
  EXPECT_EQ(clipboard_key_of(off, 54, s | c), clipboard_key::none);
  const clipboard_keycodes unmapped{0, 0, 0, true};  // a keyboard map without the keys
  EXPECT_EQ(clipboard_key_of(unmapped, 0, s | c), clipboard_key::none);
  EXPECT_TRUE(clipboard_keys_wanted(""));
  EXPECT_TRUE(clipboard_keys_wanted("1"));
  EXPECT_FALSE(clipboard_keys_wanted("0"));
}

}  // namespace

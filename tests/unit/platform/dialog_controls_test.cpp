#include "runtime/platform/detail/dialog.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <vector>

#include "runtime/platform/platform.h"

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

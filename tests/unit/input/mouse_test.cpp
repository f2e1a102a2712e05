// The mouse callbacks and raw motion as the window thread calls them, what they
// record in the mouse queue and the mouse device, and the program's mouse functions.
#include <cmath>
#include <thread>
#include <vector>

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "runtime/core/core.h"
#include "runtime/gpu/gpu.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/input/input.h"
#include "runtime/host/detail/window_thread.h"
#include "tests/unit/input/mouse_test_support.h"

namespace {

class MouseInput : public ::testing::Test {
 protected:
  void SetUp() override {
    mouse_test::runtime_ready();
    render_layers.view = compute_view(640, 400, 640, 400, full_screen_off, 0, resize_unscaled);
    error_report_reset();
    // Everything recorded so far is taken; the buttons are up.
    mouse_queue* q = mouse_queue_get(mouse_queues.window_queue);
    for (mouse_entry e; mouse_queue_take(q, &e);) {
    }
    for (int b = 0; b < 32; ++b)
      if (q->newest_buttons & (1u << b)) mouse_button_callback(b, GLUT_UP, 0, 0);
    for (mouse_entry e; mouse_queue_take(q, &e);) {
    }
    mouse_statements_reset();
    first_event = device_last_event(mouse_device) + 1;
    first_sequence = input_devices.event_sequence.load();
  }

  std::vector<mouse_entry> entries() {
    std::vector<mouse_entry> all;
    for (mouse_entry e; mouse_queue_take(mouse_queue_get(mouse_queues.window_queue), &e);) all.push_back(e);
    return all;
  }

  // Mouse device events committed since the test began.
  std::vector<device_event_copy> device_events() {
    std::vector<device_event_copy> all;
    device_event_copy e;
    for (uint64_t after = first_sequence; device_event_after(mouse_device, after, &e); after = e.sequence)
      all.push_back(e);
    return all;
  }

  int32_t first_event = 0;
  uint64_t first_sequence = 0;
};

TEST_F(MouseInput, AxesSpanThePictureShownInTheWindow) {
  const float third = 100.0f / 639.0f * 2.0f - 1.0f;
  const struct {
    const char* what;
    int32_t sw, sh, ww, wh, full, resize;
    int32_t x, y;
    float ax, ay;
  } cases[] = {
      {"1:1 top left", 640, 400, 640, 400, 0, 0, 0, 0, -1.0f, -1.0f},
      {"1:1 bottom right", 640, 400, 640, 400, 0, 0, 639, 399, 1.0f, 1.0f},
      {"1:1 inside", 640, 400, 640, 400, 0, 0, 100, 399, third, 1.0f},
      {"beyond the picture's width", 640, 400, 640, 400, 0, 0, 5000, -20, 1.0f, -1.0f},
      {"window larger, not scaled", 640, 400, 800, 600, 0, 0, 700, 399, 1.0f, 1.0f},
      {"doubled", 320, 200, 640, 400, 0, 1, 639, 0, 1.0f, -1.0f},
      {"doubled, middle", 320, 200, 640, 400, 0, 1, 319, 0, 319.0f / 639.0f * 2 - 1, -1.0f},
      {"bars left and right: picture edge", 640, 480, 1024, 600, 2, 0, 112, 599, -1.0f, 1.0f},
      {"bars left and right: other edge", 640, 480, 1024, 600, 2, 0, 911, 0, 1.0f, -1.0f},
      {"in the left bar", 640, 480, 1024, 600, 2, 0, 20, 0, -1.0f, -1.0f},
      {"in the right bar", 640, 480, 1024, 600, 2, 0, 1000, 0, 1.0f, -1.0f},
      {"bars above and below", 640, 400, 1024, 768, 2, 0, 0, 64, -1.0f, -1.0f},
      {"below the lower bar's edge", 640, 400, 1024, 768, 2, 0, 1023, 703, 1.0f, 1.0f},
      {"one pixel wide picture", 1, 1, 1, 1, 0, 0, 0, 0, 0.0f, 0.0f},
  };
  for (const auto& c : cases) {
    render_layers.view = compute_view(c.sw, c.sh, c.ww, c.wh, full_screen_kind(c.full), 0, resize_scaling(c.resize));
    const mouse_view m = mouse_view_of(render_layers.view);
    EXPECT_EQ(m.picture_w, c.sw) << c.what;
    EXPECT_EQ(m.picture_h, c.sh) << c.what;
    mouse_motion_callback(c.x, c.y);
    const std::vector<device_event_copy> events = device_events();
    ASSERT_FALSE(events.empty()) << c.what;
    EXPECT_FLOAT_EQ(events.back().values[0], c.ax) << c.what;
    EXPECT_FLOAT_EQ(events.back().values[1], c.ay) << c.what;
    first_sequence = events.back().sequence;
  }
}

TEST_F(MouseInput, WindowPositionsMapToPicturePixels) {
  const struct {
    int32_t sw, sh, ww, wh, full, resize;
    int32_t x, y, px, py;
  } cases[] = {
      {640, 400, 640, 400, 0, 0, 17, 23, 17, 23},
      {640, 400, 800, 600, 0, 0, 700, 500, 639, 399},  // beyond the picture: its last pixel
      {320, 200, 640, 400, 0, 1, 101, 399, 50, 199},   // doubled
      {640, 480, 1024, 600, 2, 0, 20, 300, 0, 240},    // left bar: first column
      {640, 480, 1024, 600, 2, 0, 113, -3, 0, 0},
  };
  for (const auto& c : cases) {
    render_layers.view = compute_view(c.sw, c.sh, c.ww, c.wh, full_screen_kind(c.full), 0, resize_scaling(c.resize));
    mouse_button_callback(GLUT_LEFT_BUTTON, GLUT_DOWN, c.x, c.y);
    mouse_button_callback(GLUT_LEFT_BUTTON, GLUT_UP, c.x, c.y);
    ASSERT_EQ(mouse_input(), -1);
    EXPECT_EQ(mouse_x(), c.px) << c.x << "," << c.y;
    EXPECT_EQ(mouse_y(), c.py) << c.x << "," << c.y;
    EXPECT_EQ(mouse_input(), -1);
    EXPECT_EQ(mouse_input(), 0);
  }
}

// What each callback appends to the queue and records on the mouse device.
TEST_F(MouseInput, CallbacksRecordEntriesAndDeviceEvents) {
  enum kind { button_down, button_up, motion, wheel, raw };
  struct call {
    kind k;
    int a, b;  // button or direction or (dx, dy); motion: (x, y)
  };
  struct device_state {
    int b1, b2, b3;
    float wheel2;
  };
  const struct {
    const char* what;
    std::vector<call> calls;
    std::vector<uint32_t> buttons;  // of each entry appended
    std::vector<device_state> events;
  } cases[] = {
      {"left click", {{button_down, GLUT_LEFT_BUTTON, 0}, {button_up, GLUT_LEFT_BUTTON, 0}}, {1, 0},
       {{1, 0, 0, 0}, {0, 0, 0, 0}}},
      {"right held while the middle clicks",
       {{button_down, GLUT_RIGHT_BUTTON, 0}, {button_down, GLUT_MIDDLE_BUTTON, 0}, {button_up, GLUT_MIDDLE_BUTTON, 0},
        {button_up, GLUT_RIGHT_BUTTON, 0}},
       {4, 6, 4, 0},
       {{0, 0, 1, 0}, {0, 1, 1, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}}},
      {"motion with a button held", {{button_down, GLUT_LEFT_BUTTON, 0}, {motion, 5, 6}, {button_up, GLUT_LEFT_BUTTON, 0}},
       {1, 1, 1, 0},
       {{1, 0, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 0}}},
      {"wheel away from the user", {{wheel, 1, 0}}, {8, 0}, {{0, 0, 0, -1.0f}, {0, 0, 0, 0}}},
      {"wheel towards the user", {{wheel, -1, 0}}, {16, 0}, {{0, 0, 0, 1.0f}, {0, 0, 0, 0}}},
      {"wheel as buttons 4 and 5 of the button callback",
       {{button_down, 3, 0}, {button_up, 3, 0}, {button_down, 4, 0}, {button_up, 4, 0}},
       {8, 0, 16, 0},
       {{0, 0, 0, -1.0f}, {0, 0, 0, 0}, {0, 0, 0, 1.0f}, {0, 0, 0, 0}}},
      {"a button beyond the mouse device's three", {{button_down, 7, 0}, {button_up, 7, 0}}, {0x80, 0}, {}},
      {"a button beyond 32 bits is ignored", {{button_down, 40, 0}, {button_up, 40, 0}}, {}, {}},
      {"release of a button that is up", {{button_up, GLUT_LEFT_BUTTON, 0}}, {0}, {{0, 0, 0, 0}}},
      {"second wheel ignored", {{wheel, 1, 1}}, {}, {}},
  };
  for (const auto& c : cases) {
    for (const call& k : c.calls) {
      if (k.k == button_down) mouse_button_callback(k.a, GLUT_DOWN, 10, 20);
      if (k.k == button_up) mouse_button_callback(k.a, GLUT_UP, 10, 20);
      if (k.k == motion) mouse_motion_callback(10, 20);
      if (k.k == wheel) mouse_wheel_callback(k.b, k.a, 10, 20);
    }
    std::vector<uint32_t> buttons;
    for (const mouse_entry& e : entries()) {
      buttons.push_back(e.buttons);
      EXPECT_EQ(e.x, 10) << c.what;
      EXPECT_EQ(e.y, 20) << c.what;
    }
    EXPECT_EQ(buttons, c.buttons) << c.what;
    const std::vector<device_event_copy> events = device_events();
    ASSERT_EQ(events.size(), c.events.size()) << c.what;
    for (size_t i = 0; i < events.size(); ++i) {
      EXPECT_EQ(events[i].button_bytes[0], c.events[i].b1) << c.what << " event " << i;
      EXPECT_EQ(events[i].button_bytes[1], c.events[i].b2) << c.what << " event " << i;
      EXPECT_EQ(events[i].button_bytes[2], c.events[i].b3) << c.what << " event " << i;
      EXPECT_EQ(events[i].values[2 + 2], c.events[i].wheel2) << c.what << " event " << i;
    }
    if (!events.empty()) first_sequence = events.back().sequence;
  }
}

TEST_F(MouseInput, RawMotionCopiesTheNewestEntryWithTheMovement) {
  mouse_button_callback(GLUT_RIGHT_BUTTON, GLUT_DOWN, 30, 40);
  const struct {
    int32_t dx, dy;
    std::vector<std::pair<int, int>> moves;
  } cases[] = {
      {3, -2, {{3, -2}, {0, 0}}},
      {0, 0, {}},                            // no movement: nothing
      {0, 1, {{0, 1}, {0, 0}}},
      {100000, -100000, {{32767, -32768}, {0, 0}}},  // held to the entry's 16 bits
  };
  entries();
  for (const auto& c : cases) {
    mouse_raw_motion(c.dx, c.dy);
    std::vector<std::pair<int, int>> moves;
    for (const mouse_entry& e : entries()) {
      moves.emplace_back(e.move_x, e.move_y);
      EXPECT_EQ(e.x, 30);
      EXPECT_EQ(e.y, 40);
      EXPECT_EQ(e.buttons, 4u);
    }
    EXPECT_EQ(moves, c.moves) << c.dx << "," << c.dy;
  }
}

TEST_F(MouseInput, ProgramFunctionsReportTheEntryTakenLast) {
  mouse_wheel_callback(0, -1, 1, 2);  // button 5: towards the user
  mouse_button_callback(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 3, 4);
  mouse_raw_motion(-7, 9);
  const struct {
    int32_t x, y, wheel, mx, my;
    bool b2, b5;
  } expected[] = {
      {1, 2, 1, 0, 0, false, true}, {1, 2, 0, 0, 0, false, false}, {3, 4, 0, 0, 0, true, false},
      {3, 4, 0, -7, 9, true, false}, {3, 4, 0, 0, 0, true, false},
  };
  for (const auto& e : expected) {
    ASSERT_EQ(mouse_input(), -1);
    EXPECT_EQ(mouse_x(), e.x);
    EXPECT_EQ(mouse_y(), e.y);
    EXPECT_EQ(mouse_wheel(), e.wheel);
    EXPECT_EQ(mouse_movement_x(), e.mx);
    EXPECT_EQ(mouse_movement_y(), e.my);
    EXPECT_EQ(mouse_button(2), e.b2 ? -1 : 0);
    EXPECT_EQ(mouse_button(5), e.b5 ? -1 : 0);
  }
  EXPECT_EQ(mouse_input(), 0);
  EXPECT_EQ(mouse_x(), 3);  // still the entry taken last

  for (const int32_t bad : {0, 33, -1}) {
    error_report_reset();
    EXPECT_EQ(mouse_button(bad), 0);
    EXPECT_EQ(error_report.pending.load(), 5) << bad;
  }
  error_report.pending.store(0);
}

}  // namespace

namespace {

void queues_ready() { mouse_test::runtime_ready(); }

mouse_entry at_x(int16_t x) {
  mouse_entry e;
  e.x = x;
  return e;
}

std::vector<int16_t> take_all(mouse_queue* q) {
  std::vector<int16_t> xs;
  for (mouse_entry e; mouse_queue_take(q, &e);) xs.push_back(e.x);
  return xs;
}

TEST(MouseQueue, StartUpMakesOneZeroedQueueThatIsFirstAndCurrent) {
  queues_ready();
  ASSERT_NE(mouse_queues.window_queue, 0);
  EXPECT_EQ(mouse_queues.program_queue, mouse_queues.window_queue);
  mouse_queue* q = mouse_queue_get(mouse_queues.window_queue);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->capacity, 65535);
  for (int32_t i = 0; i <= q->capacity; i += 4099) {
    const mouse_entry e = mouse_slot_load(q->entries[i]);
    EXPECT_EQ(e.x | e.y | e.move_x | e.move_y, 0) << i;
    EXPECT_EQ(e.buttons, 0u) << i;
  }
  EXPECT_EQ(mouse_queue_unread(q), 0);
}

TEST(MouseQueue, RingWrapsAndLosesTheOldestUnreadEntryWhenFull) {
  queues_ready();
  // Appends, takes, appends again; a queue of capacity 3 holds 3 unread entries.
  const struct {
    int16_t first_appends, takes, second_appends;
    std::vector<int16_t> taken_at_end;
  } cases[] = {
      {0, 0, 0, {}},
      {2, 0, 0, {1, 2}},
      {3, 0, 0, {1, 2, 3}},                    // full: nothing lost yet
      {4, 0, 0, {2, 3, 4}},                    // entry 1 lost
      {10, 0, 0, {8, 9, 10}},                  // seven lost, indices wrapped twice
      {3, 2, 2, {3, 4, 5}},                    // taking makes room across the wrap
      {3, 3, 4, {5, 6, 7}},                    // all taken, then one more than fits
      {2, 1, 0, {2}},
  };
  for (const auto& c : cases) {
    mouse_queue* q = mouse_queue_get(mouse_queue_new(3));
    ASSERT_NE(q, nullptr);
    int16_t next = 1;
    for (int16_t i = 0; i < c.first_appends; ++i) mouse_queue_append(q, at_x(next++));
    for (int16_t i = 0; i < c.takes; ++i) {
      mouse_entry e;
      ASSERT_TRUE(mouse_queue_take(q, &e));
    }
    for (int16_t i = 0; i < c.second_appends; ++i) mouse_queue_append(q, at_x(next++));
    EXPECT_EQ(mouse_queue_unread(q), static_cast<int32_t>(c.taken_at_end.size()));
    EXPECT_EQ(take_all(q), c.taken_at_end) << c.first_appends << "/" << c.takes << "/" << c.second_appends;
  }
}

TEST(MouseQueue, TheStartUpQueueKeepsItsNewest65535Entries) {
  queues_ready();
  mouse_queue* q = mouse_queue_get(mouse_queue_new(mouse_queue_last_index));
  for (int32_t i = 1; i <= 65537; ++i) mouse_queue_append(q, at_x(static_cast<int16_t>(i & 0x7FFF)));
  EXPECT_EQ(mouse_queue_unread(q), 65535);
  mouse_entry e;
  ASSERT_TRUE(mouse_queue_take(q, &e));
  EXPECT_EQ(e.x, 3);  // entries 1 and 2 were lost
}

TEST(MouseQueue, EntriesKeepEveryFieldWithItsSign) {
  queues_ready();
  mouse_queue* q = mouse_queue_get(mouse_queue_new(4));
  mouse_entry in;
  in.x = -32768;
  in.y = 32767;
  in.buttons = 0x80000011u;
  in.move_x = -1;
  in.move_y = 300;
  mouse_queue_append(q, in);
  EXPECT_EQ(mouse_queue_newest(q).buttons, in.buttons);
  mouse_entry out;
  ASSERT_TRUE(mouse_queue_take(q, &out));
  EXPECT_EQ(out.x, in.x);
  EXPECT_EQ(out.y, in.y);
  EXPECT_EQ(out.buttons, in.buttons);
  EXPECT_EQ(out.move_x, in.move_x);
  EXPECT_EQ(out.move_y, in.move_y);
}

// One thread appends while another takes: the reader sees whole entries in the
// order they were appended, none twice, and loses some only when it falls behind.
TEST(MouseQueue, AReaderOnAnotherThreadTakesEntriesInOrder) {
  queues_ready();
  mouse_queue* q = mouse_queue_get(mouse_queue_new(63));
  constexpr int32_t total = 200000;
  std::thread writer([q] {
    for (int32_t i = 1; i <= total; ++i) {
      mouse_entry e;
      e.x = static_cast<int16_t>(i & 0x7FFF);
      e.y = static_cast<int16_t>(i >> 15);
      e.buttons = static_cast<uint32_t>(i);
      mouse_queue_append(q, e);
    }
  });
  int32_t last = 0, taken = 0;
  bool in_order = true, whole = true;
  for (;;) {
    mouse_entry e;
    if (!mouse_queue_take(q, &e)) {
      if (last == total) break;
      std::this_thread::yield();
      continue;
    }
    const int32_t i = static_cast<int32_t>(e.buttons);
    if (e.x != static_cast<int16_t>(i & 0x7FFF) || e.y != static_cast<int16_t>(i >> 15)) whole = false;
    if (i <= last) in_order = false;
    last = i;
    ++taken;
  }
  writer.join();
  EXPECT_TRUE(in_order);
  EXPECT_TRUE(whole);
  EXPECT_LE(taken, total);
  EXPECT_EQ(last, total);
}

}  // namespace

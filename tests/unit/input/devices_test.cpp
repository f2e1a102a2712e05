// Device event lists: layout, growth, sequence numbers, the keyboard device fed by
// scan codes, button traps of game controllers and the program's device functions.
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/input/input.h"
#include "runtime/host/detail/window_thread.h"
#include "tests/unit/input/mouse_test_support.h"

namespace {

void devices_ready() {
  mouse_test::runtime_ready();
  error_report.pending.store(0);
}

// A device of its own for a test: the table entry is filled and its state made.
int32_t add_device(int32_t entry, int32_t kind, int32_t buttons, int32_t axes, int32_t wheels) {
  device_table.entries[entry] = {kind, "[CONTROLLER][BUTTON][AXIS]", buttons, axes, wheels, "Test device"};
  device_state_alloc(entry);
  return entry;
}

TEST(DeviceEvents, EventSizeLeavesRoomForTheSequenceNumber) {
  const struct {
    int32_t axes, wheels, buttons, size;
  } cases[] = {
      {0, 0, 512, 520},  // keyboard
      {2, 3, 3, 32},     // mouse
      {0, 0, 0, 8},      {0, 0, 1, 16}, {1, 0, 0, 16}, {0, 0, 8, 16}, {0, 0, 9, 24}, {4, 0, 4, 32},
  };
  for (const auto& c : cases) {
    const int32_t size = device_event_size(c.axes, c.wheels, c.buttons);
    EXPECT_EQ(size, c.size) << c.axes << " " << c.wheels << " " << c.buttons;
    EXPECT_GE(size, (c.axes + c.wheels) * 4 + c.buttons + 8);
  }
}

TEST(DeviceEvents, StartUpGivesBothDevicesTwoZeroedEvents) {
  devices_ready();
  EXPECT_EQ(device_table.count, 2);
  for (const int32_t d : {keyboard_device, mouse_device}) {
    const input_device* s = device_state(d);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->capacity, 2);
    EXPECT_EQ(s->count, 2);
    const std::vector<uint8_t> zero(static_cast<size_t>(s->event_size) * 2, 0);
    EXPECT_EQ(std::memcmp(s->events, zero.data(), zero.size()), 0);
  }
  EXPECT_EQ(device_state(mouse_device)->event_size, 32);
  EXPECT_EQ(device_state(keyboard_device)->event_size, 520);
}

TEST(DeviceEvents, ListDoublesBelow1024ThenDropsTheOldest) {
  devices_ready();
  const int32_t d = add_device(20, device_kind_controller, 4, 1, 0);
  const uint64_t start = input_devices.event_sequence.load();
  // Committed events in the list and its capacity after n events.
  const struct {
    int32_t events, count, capacity;
  } cases[] = {{1, 3, 4}, {2, 4, 4}, {3, 5, 8}, {6, 8, 8}, {7, 9, 16}, {1022, 1024, 1024}, {1023, 1024, 1024},
               {3000, 1024, 1024}};
  int32_t made = 0;
  for (const auto& c : cases) {
    for (; made < c.events; ++made) {
      const int32_t e = new_device_event(d);
      ASSERT_GE(e, 0);
      set_device_axis(d, e, 0, static_cast<float>(made + 1));
      commit_device_event(d);
    }
    EXPECT_EQ(device_state(d)->count, c.count) << c.events;
    EXPECT_EQ(device_state(d)->capacity, c.capacity) << c.events;
  }
  // The oldest kept is event 3000 - 1023; numbers run on by one.
  device_event_copy e;
  ASSERT_TRUE(device_event_after(d, 0, &e));
  EXPECT_EQ(e.values[0], 3000.0f - 1023.0f);
  EXPECT_EQ(e.sequence, start + 3000 - 1023);
  ASSERT_TRUE(device_event_after(d, start + 2999, &e));
  EXPECT_EQ(e.values[0], 3000.0f);
  EXPECT_FALSE(device_event_after(d, start + 3000, &e));
}

TEST(DeviceEvents, NewEventCopiesTheLastAndCountsOnlyWhenCommitted) {
  devices_ready();
  const int32_t d = add_device(21, device_kind_controller, 3, 2, 1);
  const int32_t first = new_device_event(d);
  set_device_button(d, first, 1, 1);
  set_device_axis(d, first, 1, -0.5f);
  set_device_wheel(d, first, 0, 2.0f);
  set_device_button(d, first, 3, 1);  // beyond the device's buttons: ignored
  const uint64_t s1 = input_devices.event_sequence.load();
  EXPECT_EQ(device_event_next_sequence(d, 0), 0u);  // not counted yet
  commit_device_event(d);
  EXPECT_EQ(device_event_next_sequence(d, 0), s1);
  EXPECT_EQ(device_event_button(d, first, 1), 1);

  const int32_t second = new_device_event(d);
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(device_event_button(d, second, 1), 1);  // carried over
  set_device_button(d, second, 0, 1);
  commit_device_event(d);
  device_event_copy e;
  ASSERT_TRUE(device_event_after(d, s1, &e));
  EXPECT_EQ(e.sequence, s1 + 1);
  EXPECT_EQ(e.values[1], -0.5f);
  EXPECT_EQ(e.values[2], 2.0f);
  EXPECT_EQ(std::vector<int>(e.button_bytes, e.button_bytes + 4), (std::vector<int>{1, 1, 0, 0}));
}

TEST(DeviceEvents, SequenceNumbersRunAcrossDevices) {
  devices_ready();
  const int32_t a = add_device(22, device_kind_controller, 1, 0, 0);
  const int32_t b = add_device(23, device_kind_controller, 1, 0, 0);
  std::vector<uint64_t> seen;
  for (const int32_t d : {a, b, b, a, b}) {
    new_device_event(d);
    commit_device_event(d);
    seen.push_back(input_devices.event_sequence.load());
  }
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_EQ(seen[i], seen[i - 1] + 1);
  EXPECT_EQ(device_event_next_sequence(a, 0), seen[0]);
  EXPECT_EQ(device_event_next_sequence(a, seen[0]), seen[3]);
  EXPECT_EQ(device_event_next_sequence(b, seen[1]), seen[2]);
}

TEST(DeviceEvents, KeyboardDeviceFollowsScanCodes) {
  devices_ready();
  const struct {
    const char* what;
    std::vector<std::pair<int32_t, int32_t>> reports;  // scan, pressed
    int32_t events;
    std::vector<int32_t> down_after;  // scan codes down at the end
  } cases[] = {
      {"press and release", {{0x1E, 1}, {0x1E, 0}}, 2, {}},
      {"auto-repeat is ignored", {{0x1E, 1}, {0x1E, 1}, {0x1E, 1}}, 1, {0x1E}},
      {"release of the repeated key", {{0x1E, 0}}, 1, {}},
      {"release of a key that is up", {{0x30, 0}}, 0, {}},
      {"extended key", {{0x148, 1}}, 1, {0x148}},
      {"its plain twin is another button", {{0x48, 1}, {0x148, 0}, {0x48, 0}}, 3, {}},
      {"highest scan code", {{511, 1}, {511, 0}}, 2, {}},
      {"out of range", {{512, 1}, {-1, 1}}, 0, {}},
  };
  for (const auto& c : cases) {
    const int32_t before = device_state(keyboard_device)->count;
    const int32_t dropped_before = static_cast<int32_t>(input_devices.event_sequence.load());
    for (const auto& [scan, pressed] : c.reports) keyboard_hook(scan, pressed);
    const int32_t made = static_cast<int32_t>(input_devices.event_sequence.load()) - dropped_before;
    EXPECT_EQ(made, c.events) << c.what;
    EXPECT_LE(device_state(keyboard_device)->count - before, c.events) << c.what;
    const int32_t last = device_last_event(keyboard_device);
    std::vector<int32_t> down;
    for (int32_t s = 0; s < 512; ++s)
      if (device_event_button(keyboard_device, last, s)) down.push_back(s);
    EXPECT_EQ(down, c.down_after) << c.what;
  }
}

TEST(DeviceEvents, ControllerButtonPressesCountForTheirTraps) {
  devices_ready();
  // Entries 30 and 31: the first and second game controllers after the fixed two.
  for (int32_t i = 3; i < 30; ++i) device_table.entries[i] = {};
  const int32_t first = add_device(30, device_kind_controller, 8, 0, 0);
  const int32_t second = add_device(31, device_kind_controller, 8, 0, 0);
  trap_record& armed = event_traps.buttons[1 * 256 + 2];  // second controller, button 2 (0-based)
  trap_record& other = event_traps.buttons[0 * 256 + 2];
  auto press = [](int32_t d, int32_t button, int32_t down) {
    const int32_t e = new_device_event(d);
    set_device_button(d, e, button, down);
    commit_device_event(d);
  };
  const struct {
    const char* what;
    uint8_t state;
    std::vector<std::tuple<int32_t, int32_t, int32_t>> presses;  // device, button, down
    uint8_t pending_before, pending_after;
    bool event;
  } cases[] = {
      {"press counts", 1, {{second, 2, 1}}, 0, 1, true},
      {"holding it adds nothing", 1, {{second, 3, 1}, {second, 3, 0}}, 1, 1, false},
      {"release then press again", 1, {{second, 2, 0}, {second, 2, 1}}, 1, 2, true},
      {"the same button of the other controller", 1, {{first, 2, 1}, {first, 2, 0}}, 2, 2, false},
      {"trap off forgets", 0, {{second, 2, 0}, {second, 2, 1}}, 0, 0, false},
      {"stopped trap still counts", 2, {{second, 2, 0}, {second, 2, 1}}, 0, 1, true},
      {"count stops at 255", 1, {{second, 2, 0}, {second, 2, 1}}, 255, 255, true},
  };
  armed.handler.store(9);
  for (const auto& c : cases) {
    armed.state.store(c.state);
    armed.pending.store(c.pending_before);
    other.pending.store(0);
    run_flags.event_pending.store(0);
    for (const auto& [d, b, down] : c.presses) press(d, b, down);
    EXPECT_EQ(armed.pending.load(), c.pending_after) << c.what;
    EXPECT_EQ(other.pending.load(), 0) << c.what;  // its trap is off
    EXPECT_EQ(run_flags.event_pending.load() != 0, c.event) << c.what;
  }
  // The keyboard and the mouse are not game controllers: their buttons have no traps.
  armed.state.store(0);
  event_traps.buttons[0].state.store(1);
  event_traps.buttons[0].pending.store(0);
  keyboard_hook(0, 1);
  keyboard_hook(0, 0);
  EXPECT_EQ(event_traps.buttons[0].pending.load(), 0);
  event_traps.buttons[0].state.store(0);
  armed.handler.store(0);
  run_flags.event_pending.store(0);
}

TEST(DeviceEvents, ProgramTakesEventsOldestFirst) {
  devices_ready();
  device_statements_reset();
  keyboard_hook(0x1C, 1);
  mouse_wheel_callback(0, 1, 0, 0);  // two mouse events: wheel -1 then 0
  keyboard_hook(0x1C, 0);
  const struct {
    int32_t device;
    int32_t enter;  // keyboard: button 0x1C + 1
    float wheel3;   // mouse
  } expected[] = {{1, -1, 0}, {2, 0, -1.0f}, {2, 0, 0.0f}, {1, 0, 0}};
  for (const auto& e : expected) {
    ASSERT_EQ(device_input_any(), e.device);
    EXPECT_EQ(device_current(), e.device);
    if (e.device == 1) {
      EXPECT_EQ(device_button(0x1C + 1), e.enter);
    } else {
      EXPECT_EQ(device_wheel(3), e.wheel3);
    }
  }
  EXPECT_EQ(device_input_any(), 0);
  EXPECT_EQ(device_input(1), 0);
  keyboard_hook(0x39, 1);
  EXPECT_EQ(device_input(2), 0);
  EXPECT_EQ(device_input(1), -1);
  EXPECT_EQ(device_button(0x39 + 1), -1);
  keyboard_hook(0x39, 0);
  EXPECT_EQ(error_report.pending.load(), 0);
}

TEST(DeviceEvents, BadNumbersRaiseIllegalFunctionCall) {
  devices_ready();
  device_statements_reset();
  EXPECT_EQ(devices_query(), 2);
  strings_init();
  const str_desc* name = device_name(2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(name->chars), static_cast<size_t>(name->len)), "Mouse");
  struct check {
    const char* what;
    std::function<void()> call;
  };
  const check checks[] = {
      {"device 0", [] { device_input(0); }},
      {"device beyond the count", [] { device_input(3); }},
      {"description of device 3", [] { device_description(3); }},
      {"button before any event", [] { device_button(1); }},
      {"axis 0", [] {
         keyboard_hook(0x10, 1);
         device_input(2);
         device_input(1);
         device_axis(1);  // the keyboard has no axes
       }},
  };
  for (const auto& c : checks) {
    error_report.pending.store(0);
    c.call();
    EXPECT_EQ(error_report.pending.load(), 5) << c.what;
  }
  error_report.pending.store(0);
  keyboard_hook(0x10, 0);
}

// The window thread records mouse motion while the program thread reads: every
// event read is whole and the numbers only rise, also across growth and drops.
TEST(DeviceEvents, ReadingWhileTheListGrowsAndDrops) {
  devices_ready();
  const int32_t d = add_device(40, device_kind_controller, 2, 2, 0);
  constexpr int32_t total = 20000;
  std::thread writer([d] {
    for (int32_t i = 1; i <= total; ++i) {
      const int32_t e = new_device_event(d);
      set_device_axis(d, e, 0, static_cast<float>(i));
      set_device_axis(d, e, 1, static_cast<float>(-i));
      commit_device_event(d);
    }
  });
  uint64_t after = 0;
  float last = 0;
  bool whole = true, rising = true;
  while (last < total) {
    device_event_copy e;
    if (!device_event_after(d, after, &e)) {
      std::this_thread::yield();
      continue;
    }
    if (e.values[1] != -e.values[0]) whole = false;
    if (e.values[0] <= last || e.sequence <= after) rising = false;
    last = e.values[0];
    after = e.sequence;
  }
  writer.join();
  EXPECT_TRUE(whole);
  EXPECT_TRUE(rising);
}

}  // namespace

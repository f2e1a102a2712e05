#include "runtime/core/device_table.h"

#include "runtime/input/device_events.h"

device_record device_table[device_table_capacity];
int32_t device_count = 0;

void device_table_init() {
  device_table[1] = {device_kind_keyboard, "[KEYBOARD][BUTTON]", 512, 0, 0, "Keyboard"};
  device_state_alloc(1);
  device_table[2] = {device_kind_mouse, "[MOUSE][BUTTON][AXIS][WHEEL]", 3, 2, 3, "Mouse"};
  device_state_alloc(2);
  device_count = 2;
}

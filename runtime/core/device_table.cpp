#include "runtime/core/device_table.h"

device_record device_table[device_table_capacity];
int32_t device_count = 0;

void device_table_init() {
  device_table[1] = {device_kind_keyboard, "[KEYBOARD][BUTTON]", 512, 0, 0, "Keyboard"};
  device_table[2] = {device_kind_mouse, "[MOUSE][BUTTON][AXIS][WHEEL]", 3, 2, 3, "Mouse"};
  device_count = 2;
  // Each entry's event state is allocated by the mouse and game-device input once it exists.
}

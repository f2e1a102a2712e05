#pragma once
// The program's game-device statements and functions: the device table's
// entries, and their events taken one at a time, oldest first. Program thread.
// All return a neutral value while an error is pending; a device number outside
// 1..device count, or a button, axis or wheel the device lacks, raises error 5.
#include <cstdint>

#include "runtime/strings/strings.h"

int32_t devices_query();  // number of devices
str_desc* device_description(int32_t device);  // e.g. "[MOUSE][BUTTON][AXIS][WHEEL]"
str_desc* device_name(int32_t device);

// Takes the device's next event: -1 when there was one, 0 when none is left.
int32_t device_input(int32_t device);
// Takes the next event of whichever device has the oldest one; its device number, or 0.
int32_t device_input_any();
// The device whose event was taken last (0 = none yet).
int32_t device_current();

// Of the event taken last (buttons, axes and wheels numbered from 1):
int32_t device_button(int32_t n);  // -1 down, 0 up
float device_axis(int32_t n);
float device_wheel(int32_t n);

// Skips every event recorded so far and forgets the event taken last.
void device_statements_reset();

#include "runtime/core/device_table.h"

device_record device_table[device_table_capacity];
int32_t device_count = 0;

#pragma once
// What the screen's files share that no other folder uses: where the key
// statements keep what they define. Program thread.
#include <cstdint>
#include <string>

#include "runtime/screen/screen.h"

// Where the key statements keep what they define: the label (soft-key) texts
// of the function keys and the make code and shift state of user-defined trap
// keys. Program thread writes; the labels are read by the key-label line.

// Entries 1-10 are F1-F10, 30 and 31 are F11 and F12.
void key_label_store(int32_t entry, const uint8_t* chars, int32_t len);
std::string key_label_text(int32_t entry);

// Entries 15-29: the key with this make code and shift state; make 0 clears it.
void user_key_store(int32_t entry, uint8_t make, uint8_t shift_mask);
uint8_t user_key_make(int32_t entry);
uint8_t user_key_shift_mask(int32_t entry);

// Forgets every label and user-defined key (start-up and tests).
void key_definitions_reset();

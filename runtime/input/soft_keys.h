#pragma once
// Soft-key strings: text given to an entry of key_trap_table turns its key into
// a macro that types the text. The key statements set them (program thread); the
// key handlers read them (window thread).
#include <cstdint>
#include <string>
#include <string_view>

// Sets (or, with empty text, clears) the text of entry 0-31.
void soft_key_set(int32_t entry, std::string_view text);

// Text of entry 0-31 (empty when none).
std::string soft_key_text(int32_t entry);

// Text of the first entry with non-empty text whose code is value or whose second
// code is code; empty when none.
std::string soft_key_find(int32_t value, int32_t code);

#pragma once
// Code page 437, the runtime's character set, and Unicode: the character each
// code stands for, and conversions between code page 437 text and UTF-8 for
// text that leaves or enters the runtime (the clipboard).
//
// Pure functions over constant tables: any thread may call them.
#include <cstddef>
#include <cstdint>
#include <string>

// The Unicode code point of each code as the built-in fonts draw it: 1-31 and
// 127 are the graphic characters (U+263A, ..., U+2302), 0 is U+0000.
extern const uint16_t cp437_code_points[256];

// UTF-8 for code page 437 text. Tab, line feed and carriage return stay control
// characters; every other code becomes the character the fonts draw for it.
std::string cp437_to_utf8(const uint8_t* text, size_t length);

// Code page 437 for UTF-8 text. Characters with no code page 437 form, and every
// byte that is not part of well-formed UTF-8, become "?". Control characters
// U+0001-U+001F and U+007F keep their codes, and so do the graphic characters
// that stand for them.
std::string utf8_to_cp437(const char* text, size_t length);

// The code for one code point, or '?' when code page 437 has none.
uint8_t cp437_from_code_point(uint32_t code_point);

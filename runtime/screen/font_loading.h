#pragma once
// Loading fonts from files.
#include <cstdint>
#include <string>

#include "runtime/strings/string_engine.h"

// Folder searched (by file name, through its subfolders) when a font file is
// not found as named.
extern std::string font_fallback_folder;

// Parses a font option list ("bold, monospace"): comma-separated keywords
// BOLD, ITALIC, UNDERLINE, DONTBLEND, MONOSPACE, UNICODE in any case, spaces
// around them ignored. Returns the flag bits, or -1 for an unknown, empty or
// repeated item.
int32_t parse_font_options(const char* text, int32_t length);

// The font-loading function: a font number (32 and up), -1 when no font was
// loaded, 0 after an error (height <= 0 or bad options, error 5). Bit 0 of
// options_given says options were given.
int32_t load_font(const str_desc* file_name, int32_t height, const str_desc* options, int32_t options_given);

// The same load with the flag bits given directly, no fallback folder and no
// errors: a font number or -1.
int32_t load_font_plain(const str_desc* file_name, int32_t height, int32_t flags);

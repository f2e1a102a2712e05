#pragma once
// The screen's part of start-up.
#include <cstdint>

// Font metrics of the built-in fonts; an empty image table with its two reserved slots; blank text memory.
void screen_tables_init();
// The default palettes and the glyph tables.
void screen_palettes_init();
// The 80x25 text screen of mode 0.
void screen_first_mode();
// The two small 32-bit images (16x16 and 32x32) of the window icon.
void screen_icons_init();

extern int32_t icon_small_index;
extern int32_t icon_large_index;

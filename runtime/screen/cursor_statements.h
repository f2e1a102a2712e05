#pragma once
// LOCATE, VIEW PRINT, CSRLIN and POS on the write image. Program thread.
#include <cstdint>

// 1 until the program changes the screen: start-up sets it after its first
// SCREEN; WIDTH, any SCREEN other than one giving only mode 0, and the LOCATE
// below the last row clear it.
extern int32_t screen_untouched;

// LOCATE row, column, visible, first scan line, last scan line; given bits
// 0-4 say which. Every argument is checked before anything moves (error 5).
// While the screen is untouched, a row below the 25-row start-up screen
// (up to 50) first turns it into 80 x 50.
void locate(int32_t row, int32_t col, int32_t visible, int32_t first_line, int32_t last_line, int32_t given);

// VIEW PRINT top TO bottom (bit 0 of given), or the whole screen without rows.
void view_print(int32_t top, int32_t bottom, int32_t given);

// The cursor's row and column as PRINT will use them (a held line counts as
// the start of the next row).
int32_t csrlin();
int32_t pos();

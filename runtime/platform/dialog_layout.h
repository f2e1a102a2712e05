#pragma once
// The text of a message box laid out in lines for a window of limited size.
#include <string>
#include <vector>

struct dialog_text_layout {
  std::vector<std::string> lines;  // drawable bytes only
  int widest = 0;                  // pixels, the widest line
  bool cut = false;                // the text did not fit: the last line ends in "..."
};

// Splits text on '\n', wraps each line to max_width pixels (at a space when the
// line has one, else inside the word) and keeps at most max_lines lines. Bytes
// the font cannot show (glyph_width[byte] <= 0) and control bytes become '?';
// a tab becomes a space and '\r' is dropped. Null text is empty; empty text is
// one empty line. Work stops at the cut, so any length of text is cheap.
dialog_text_layout layout_dialog_text(const char* text, const int glyph_width[256], int max_width,
                                      int max_lines);

// Pixel width of s in the same font.
int dialog_text_width(const std::string& s, const int glyph_width[256]);

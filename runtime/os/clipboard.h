#pragma once
// The clipboard statements: the program's code page 437 text to and from the
// desktop's clipboard, where text is UTF-8 with line feeds between lines.
//
// clipboard_set and clipboard_get: program thread only.
// clipboard_end_of_program: the shutdown, once the program thread has stopped.
#include "runtime/strings/string_engine.h"

// Puts the text, up to its first zero byte, on the clipboard: code page 437
// becomes UTF-8 and CR LF becomes LF. Without a desktop clipboard nothing happens.
void clipboard_set(const str_desc* text);

// The clipboard's text as a new temporary string, up to its first zero byte:
// UTF-8 becomes code page 437 ("?" for what it lacks) and a line feed without a
// carriage return before it becomes CR LF. Empty when there is no text, its
// owner does not answer within about a second, or it is too large to take.
str_desc* clipboard_get();

// When the program owns the clipboard, hands the text to a clipboard manager so
// that it stays after the program ends (without one it goes with the program).
void clipboard_end_of_program();

#pragma once
// Run-time errors: recording, reporting through the continue-or-stop dialog,
// and the runtime's message boxes.
#include <cstdint>

// Where the error being handled happened; set by line_event.
extern int32_t error_line;
extern int32_t error_sub_line;
extern const char* error_sub_name;

// Records error n as the statement's error (the first one wins; n <= 0 becomes 5)
// and returns the error now pending. Fatal kinds show their box and end the process.
int32_t raise_error(int32_t n);

// Text of an error number ("Unprintable error" for numbers outside the table).
const char* error_message(int32_t n);

// True for the kinds that end the process at once (11, 502-504, 508-517).
bool error_is_fatal(int32_t n);

// Builds the dialog texts for error n reported at line (sub_line / sub_name when
// sub_line is not 0). Used by handle_error; apart so the texts can be checked.
struct error_dialog_text {
  char* body;     // "Line: %u (in %s)\n%s%s"; malloc'd
  char* caption;  // "Unhandled Error #n" or "Critical Error #n"; malloc'd
};
bool format_error_dialog(int32_t n, int32_t line, int32_t sub_line, const char* sub_name,
                         error_dialog_text* out);

// Reports pending_error in the dialog. Returns with pending_error = 0 when the
// user continues; otherwise stops the program thread and does not return.
void handle_error();

// The runtime's message boxes. style: 0x1000 system-modal OK, 0x1004 Yes/No, 0 OK.
int32_t message_box(const char* text, const char* caption, uint32_t style);
void alert(const char* text);
void alert_number(int32_t n);

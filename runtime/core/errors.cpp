#include "runtime/core/core.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/platform/platform.h"

int32_t error_line = 0;
int32_t error_sub_line = 0;
const char* error_sub_name = nullptr;

namespace {

struct error_text {
  int32_t code;
  const char* message;
};

constexpr error_text error_table[] = {
    {1, "NEXT without FOR"},
    {2, "Syntax error"},
    {3, "RETURN without GOSUB"},
    {4, "Out of DATA"},
    {5, "Illegal function call"},
    {6, "Overflow"},
    {7, "Out of memory"},
    {8, "Label not defined"},
    {9, "Subscript out of range"},
    {10, "Duplicate definition"},
    {12, "Illegal in direct mode"},
    {13, "Type mismatch"},
    {14, "Out of string space"},
    {16, "String formula too complex"},
    {17, "Cannot continue"},
    {18, "Function not defined"},
    {19, "No RESUME"},
    {20, "RESUME without error"},
    {24, "Device timeout"},
    {25, "Device fault"},
    {26, "FOR without NEXT"},
    {27, "Out of paper"},
    {29, "WHILE without WEND"},
    {30, "WEND without WHILE"},
    {33, "Duplicate label"},
    {35, "Subprogram not defined"},
    {37, "Argument-count mismatch"},
    {38, "Array not defined"},
    {40, "Variable required"},
    {50, "FIELD overflow"},
    {51, "Internal error"},
    {52, "Bad file name or number"},
    {53, "File not found"},
    {54, "Bad file mode"},
    {55, "File already open"},
    {56, "FIELD statement active"},
    {57, "Device I/O error"},
    {58, "File already exists"},
    {59, "Bad record length"},
    {61, "Disk full"},
    {62, "Input past end of file"},
    {63, "Bad record number"},
    {64, "Bad file name"},
    {67, "Too many files"},
    {68, "Device unavailable"},
    {69, "Communication-buffer overflow"},
    {70, "Permission denied"},
    {71, "Disk not ready"},
    {72, "Disk-media error"},
    {73, "Feature unavailable"},
    {74, "Rename across disks"},
    {75, "Path/File access error"},
    {76, "Path not found"},
    {258, "Invalid handle"},
    {300, "Memory region out of range"},
    {301, "Invalid size"},
    {302, "Source memory region out of range"},
    {303, "Destination memory region out of range"},
    {304, "Source and destination memory regions out of range"},
    {305, "Source memory has been freed"},
    {306, "Destination memory has been freed"},
    {307, "Memory already freed"},
    {308, "Memory has been freed"},
    {309, "Memory not initialized"},
    {310, "Source memory not initialized"},
    {311, "Destination memory not initialized"},
    {312, "Source and destination memory not initialized"},
    {313, "Source and destination memory have been freed"},
};

bool is_critical(int32_t n) { return n >= 300 && n <= 313; }

// Fatal kinds: message and caption of their box.
bool fatal_box(int32_t n, const char** message, char* caption, size_t caption_size) {
  if (n == 11) {
    *message = "Division by zero";
    std::snprintf(caption, caption_size, "Critical Error");
    return true;
  }
  if ((n >= 502 && n <= 504) || (n >= 508 && n <= 517)) {
    *message = "Out of memory";
    std::snprintf(caption, caption_size, "Critical Error #%d", n - 500);
    return true;
  }
  return false;
}

// Measures, then formats into a buffer of exactly the text's length plus one.
template <typename... Args>
char* format_exact(const char* format, Args... args) {
  int n = std::snprintf(nullptr, 0, format, args...);
  if (n < 0) return nullptr;
  char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
  if (buffer) std::snprintf(buffer, static_cast<size_t>(n) + 1, format, args...);
  return buffer;
}

}  // namespace

const char* error_message(int32_t n) {
  for (const auto& e : error_table)
    if (e.code == n) return e.message;
  return "Unprintable error";
}

bool error_is_fatal(int32_t n) {
  const char* message;
  char caption[32];
  return fatal_box(n, &message, caption, sizeof caption);
}

int32_t raise_error(int32_t n) {
  const char* message;
  char caption[32];
  if (fatal_box(n, &message, caption, sizeof caption)) {
    message_box(message, caption, 0x1000);
    process_exit(0);
  }
  int32_t pending = pending_error.load();
  if (pending != 0) return pending;
  if (n <= 0) n = 5;
  pending_error.store(n);
  event_pending.store(1);
  return n;
}

bool format_error_dialog(int32_t n, int32_t line, int32_t sub_line, const char* sub_name,
                         error_dialog_text* out) {
  const bool critical = is_critical(n);
  const char* place = "main module";
  uint32_t shown_line = static_cast<uint32_t>(line);
  if (sub_line != 0) {
    shown_line = static_cast<uint32_t>(sub_line);
    place = sub_name ? sub_name : "";
  }
  out->body = format_exact("Line: %u (in %s)\n%s%s", shown_line, place, error_message(n),
                           critical ? "" : "\nContinue?");
  out->caption = format_exact("%s%u", critical ? "Critical Error #" : "Unhandled Error #",
                              static_cast<uint32_t>(n));
  if (out->body && out->caption) return true;
  std::free(out->body);
  std::free(out->caption);
  out->body = out->caption = nullptr;
  return false;
}

void handle_error() {
  const int32_t n = pending_error.load();
  error_dialog_text text{};
  if (!format_error_dialog(n, error_line, error_sub_line, error_sub_name, &text)) process_exit(0);

  if (is_critical(n)) {
    message_box(text.body, text.caption, 0);
    process_exit(0);
  }
  const int32_t answer = message_box(text.body, text.caption, 0x1004);
  std::free(text.body);
  std::free(text.caption);
  if (answer == mb_answer_no || answer == mb_answer_ok) {
    stop_request.store(1);
    stop_program_thread();
  }
  pending_error.store(0);
}

int32_t message_box(const char* text, const char* caption, uint32_t style) {
  return platform_message_box(text, caption, style, window_handle.load());
}

void alert(const char* text) { platform_message_box(text, "Alert", 0, 0); }

void alert_number(int32_t n) {
  char buffer[100] = {};
  std::snprintf(buffer, sizeof buffer, "%d", n);
  alert(buffer);
}

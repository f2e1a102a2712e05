#include "runtime/platform/message_box.h"

#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "runtime/platform/dialog_window.h"

namespace {

std::atomic<message_box_stand_in> stand_in{nullptr};

// s on one line: line breaks shown as " | ", a tab as a space and other control
// bytes as '?' (as the box shows them), so a log stays one line per box and no
// terminal control sequence reaches whoever reads it.
void append_flat(std::string* out, const char* s) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
    if (*p == '\n')
      *out += " | ";
    else if (*p == '\t')
      *out += ' ';
    else if (*p < 0x20 || *p == 0x7f)
      *out += (*p == '\r') ? "" : "?";
    else
      *out += static_cast<char>(*p);
  }
}

// One line per box on stderr, so a log shows what the user was asked.
void log_box(const char* text, const char* caption) {
  std::string line = "[";
  append_flat(&line, caption);
  line += "] ";
  append_flat(&line, text);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void set_message_box_stand_in(message_box_stand_in answer) { stand_in.store(answer); }

int32_t platform_message_box(const char* text, const char* caption, uint32_t style,
                             unsigned long owner_window) {
  if (!text) text = "";
  if (!caption) caption = "";
  const bool yes_no = (style & mb_style_yes_no) != 0;
  log_box(text, caption);
  if (const message_box_stand_in answer = stand_in.load()) return answer(text, caption, style);

  Display* display = XOpenDisplay(nullptr);
  if (!display) return yes_no ? mb_answer_no : mb_answer_ok;
  const int32_t answer = dialog_window_run(display, text, caption, yes_no,
                                           (style & mb_style_system_modal) != 0, owner_window);
  XCloseDisplay(display);
  return answer;
}

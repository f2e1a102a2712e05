#include "runtime/platform/message_box.h"

#include <cstdio>
#include <string>

namespace {
// One line per box on stderr, so a log shows what the user was asked.
void log_box(const char* text, const char* caption) {
  std::string flat;
  for (const char* p = text; *p; ++p) flat += (*p == '\n') ? std::string(" | ") : std::string(1, *p);
  std::fprintf(stderr, "[%s] %s\n", caption, flat.c_str());
  std::fflush(stderr);
}
}  // namespace

int32_t platform_message_box(const char* text, const char* caption, uint32_t style,
                             unsigned long /*owner_window*/) {
  log_box(text, caption);
  return (style & mb_style_yes_no) ? mb_answer_no : mb_answer_ok;
}

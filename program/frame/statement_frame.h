#pragma once
// The frame around every compiled statement: after the statement's work (and the
// release of its temporary strings), one load and compare of event_pending; only
// when it is set does the program thread go to line_event with the source line.
#include <cstdint>

#include "runtime/core/runtime_flags.h"
#include "runtime/strings/string_engine.h"

void line_event(int32_t line, int32_t sub_line, const char* sub_name);

inline void statement_end(int32_t line) {
  if (event_pending.load(std::memory_order_relaxed) != 0) [[unlikely]]
    line_event(line, 0, nullptr);
}

// A statement that made temporary strings releases them back to the routine's
// mark before the event test.
inline void statement_end(int32_t line, uint32_t mark) {
  str_cleanup(mark);
  statement_end(line);
}

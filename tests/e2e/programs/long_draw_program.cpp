// Test program: one DRAW statement that would run for hours (40 sub-strings,
// each running the one before it twice, 2^39 lines across the screen) on
// SCREEN 12. It says "drawing" just before the statement; the test stops the
// program in the middle of it.
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/frame/frame.h"
#include "runtime/graphics/graphics.h"
#include "runtime/host/host.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"

namespace {

// "X", the string type code and a 16-bit offset of a string record.
std::string call(uint16_t record) {
  return {'X', static_cast<char>(reference_string), static_cast<char>(record & 0xFF), static_cast<char>(record >> 8)};
}

}  // namespace

void program_main() {
  program_preamble();
  screen_set(12, 0, 0, 0, 0, 1);  // 1
  statement_end(1);
  // The records and characters sit high in the data segment, clear of the few strings this program makes.
  constexpr uint16_t records = 60000, chars = 61000;
  for (uint16_t k = 0; k < 40; ++k) {
    const uint16_t record = static_cast<uint16_t>(records + 4 * k), at = static_cast<uint16_t>(chars + 12 * k);
    const std::string body = k == 0 ? "R639L639" : call(static_cast<uint16_t>(record - 4)) + call(static_cast<uint16_t>(record - 4));
    const uint16_t fields[2] = {static_cast<uint16_t>(body.size()), at};
    std::memcpy(data_segment.bytes + record, fields, 4);
    std::memcpy(data_segment.bytes + at, body.data(), body.size());
  }
  std::printf("drawing\n");
  std::fflush(stdout);
  const std::string commands = "BM0,240C14" + call(records + 4 * 39);
  turtle_draw_bytes(reinterpret_cast<const uint8_t*>(commands.data()), static_cast<int32_t>(commands.size()));  // 2
  statement_end(2);
  std::printf("finished\n");
  std::fflush(stdout);
  program_end();
}

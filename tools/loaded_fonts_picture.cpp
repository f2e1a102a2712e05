// Shows what the README's loaded-fonts picture holds: a 40 x 12 text screen in
// DejaVu Sans Mono with box-drawing characters around the calculator's worked
// example. It stays until a key or a close request; tools/screenshot_loaded_fonts.py
// photographs it.
#include <string>

#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/input/input.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {

void line_at(int32_t row, int32_t col, const char* text) {
  locate(row, col, 0, 0, 0, 3);
  print_text(str_from_cstr(text), 0);
}

}  // namespace

void program_main() {
  const uint32_t mark = program_preamble();
  width(0, 40, 12, 3);
  color(15, 1, 0, 3);
  cls(0, 0, 0);
  set_image_font(load_font(str_from_cstr("DejaVu Sans Mono"), 24, str_from_cstr("monospace"), 1), 0, 0);
  shared_put(&write_image->cursor_visible, static_cast<uint8_t>(0));
  // Code page 437 box characters: double corners and edges, single rules and tees.
  constexpr int32_t inner = 34;
  const auto row = [](char left, const std::string& middle, char right) {
    std::string text(1, left);
    text += middle;
    text.resize(1 + inner, ' ');
    return text + right;
  };
  const std::string rows[] = {
      row('\xC9', std::string(inner, '\xCD'), '\xBB'),
      row('\xBA', "  Sample rate: 44100    BPM: 120", '\xBA'),
      row('\xC7', std::string(inner, '\xC4'), '\xB6'),
      row('\xBA', "  Measure      88200 samples.", '\xBA'),
      row('\xBA', "  1/4 note     22050 samples.", '\xBA'),
      row('\xBA', "  1/8 note     11025 samples.", '\xBA'),
      row('\xBA', "  1/16 note    5512.5 samples.", '\xBA'),
      row('\xC8', std::string(inner, '\xCD'), '\xBC'),
  };
  for (int32_t i = 0; i < 8; ++i) line_at(2 + i, 4, rows[i].c_str());
  color(14, 1, 0, 3);
  line_at(11, 4, "\x10 DejaVu Sans Mono, 24 pixels \x11");
  statement_end(1, mark);
  while (inkey()->len == 0) {
    statement_end(2, mark);
    platform_sleep(20);
    if (run_flags.shutdown_started.load()) stop_program_thread();
  }
  program_end();
}

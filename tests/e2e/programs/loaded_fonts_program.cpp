// Test program: printing in loaded fonts. Step 1 makes a 32-bit screen and
// prints lines in DejaVu Sans at 24 pixels (plain, bold, italic and
// underlined) and "fj" in italic both PRINTed and drawn; step 2 makes a text screen in DejaVu Sans Mono. Each step shows
// its frame in manual display, writes it to a file in the folder given on the
// command line and reports where the text went. Steps wait for a file named
// by their number in that folder.
#include <cstdio>
#include <string>

#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"
#include "tests/e2e/programs/frame_file.h"
#include "tests/e2e/programs/test_steps.h"

namespace {

// Shows the screen now and writes the frame to frame<n> in the steps folder.
void show_and_save(int n) {
  display_statement();
  frame_done(n);
}

int32_t load(const char* name, int32_t height, const char* options) {
  return load_font(str_from_cstr(name), height, str_from_cstr(options), 1);
}

}  // namespace

void program_main() {
  program_preamble();
  await_step(1);
  const int32_t screen = new_image(640, 200, 32, 1);  // 1: a 32-bit screen
  screen_set(screen, 0, 0, 0, 0, 1);
  statement_end(1);
  const char* line = "Samples per beat: 22050";
  const struct {
    const char* options;
    uint32_t colour;
    float y;
  } lines[] = {
      {"", 0xFFFFFFFF, 40},
      {"bold", 0xFFFFD040, 80},
      {"italic, underline", 0xFF60C0FF, 120},
      {"monospace", 0xC0FF6060, 160},
  };
  for (const auto& l : lines) {
    const int32_t font = load("DejaVu Sans", 24, l.options);  // 2: a font by its family name
    set_image_font(font, 0, 0);
    color(l.colour, 0xFF000020, 0, 3);
    print_at(20, l.y, str_from_cstr(line), 0, 0);
    statement_end(2);
    if (l.y == 40)
      std::printf("font %d height %d width %d\n", font, font_height_query(font, 1),
                  text_width(str_from_cstr(line), 0, 0));
  }
  // "fj" in a slanted face with a background, PRINTed one glyph at a time at
  // x = 400 and drawn as one text at x = 500, both in the top row: the hook
  // of the "f" over the "j" survives in both.
  set_image_font(load("DejaVu Sans", 24, "italic"), 0, 0);
  color(0xFFFFFFFF, 0xFF000020, 0, 3);
  locate(1, 401, 0, 0, 0, 3);
  print_text(str_from_cstr("fj"), 0);
  print_at(500, 0, str_from_cstr("fj"), 0, 0);
  statement_end(7);
  show_and_save(1);
  done(1);

  await_step(2);
  screen_set(0, 0, 0, 0, 0, 1);  // 3: back to a text screen
  statement_end(3);
  const int32_t mono = load("DejaVu Sans Mono", 20, "monospace");
  set_image_font(mono, 0, 0);  // 4: every text page in the loaded font
  statement_end(4);
  shared_put(&write_image->cursor_visible, static_cast<uint8_t>(0));
  color(14, 1, 0, 3);
  locate(2, 3, 0, 0, 0, 3);
  print_text(str_from_cstr("Loaded font: \x10 DejaVu Sans Mono \x11"), 0);  // 5
  statement_end(5);
  std::printf("cell %dx%d\n", font_width_query(mono, 1), font_height_query(mono, 1));
  show_and_save(2);
  done(2);

  await_step(3);
  program_end();  // 6
}

// Window-control tour: asks the window and the desktop what they are, shows
// each answer on the screen, hides the mouse pointer, and on a key minimises
// the window for a moment and brings it back.
#include <quintaro.h>

#include <cstdio>
#include <string>

#include "example_statements.h"

namespace {

using example::print_line;

std::string hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "&H%X", v);
  return text;
}

// PRINT label; TAB(36); value
void show(const std::string& label, const std::string& value, uint32_t mark, int32_t line) {
  print_line(label + std::string(label.size() < 36 ? 36 - label.size() : 1, '.') + " " + value, mark, line);
}

// Waits (a key cuts each step short) up to about ms for minimised_query to answer want.
int32_t minimised_within(int32_t want, int32_t ms, int32_t line) {
  int32_t now = window_minimised_query();
  for (int32_t waited = 0; now != want && waited < ms; waited += 50) {
    example::pause_ms(50, line);
    now = window_minimised_query();
  }
  return now;
}

}  // namespace

void program_main() {
  const uint32_t mark = program_preamble();
  window_set_title("Window tour");
  color(15, 1, 0, 3);
  print_line(" Window-control tour" + std::string(60, ' '), mark, 1);
  color(7, 0, 0, 3);
  print_line("", mark, 2);

  show("desktop size", std::to_string(desktop_width()) + " x " + std::to_string(desktop_height()), mark, 3);
  show("window exists", std::to_string(window_exists_query()), mark, 4);
  show("screen hidden", std::to_string(screen_hidden_query()), mark, 5);
  show("started in", example::text_of(startup_directory()), mark, 6);

  const int32_t picture = new_image(32, 32, 32, 1);  // 7: an image with colours of its own
  set_dest(picture);
  color(0xFF00FF00, 0xFF000080, 0, 3);
  set_dest(0);
  statement_end(7, mark);
  show("colours of the screen", std::to_string(image_colour_query(0, 1)) + " on " +
       std::to_string(image_background_query(0, 1)), mark, 8);
  show("colours of image " + std::to_string(picture), hex(image_colour_query(picture, 1)) + " on " +
       hex(image_background_query(picture, 1)), mark, 9);
  set_source(picture);  // 10: _SOURCE picture
  statement_end(10, mark);
  show("source after choosing the image", std::to_string(source_query()), mark, 11);
  set_source(0);
  show("source after choosing page 0", std::to_string(source_query()), mark, 12);
  free_image(picture, 1);
  statement_end(13, mark);

  console_title("Window tour's console");  // 14: no console window on this system
  console_show(1);
  statement_end(14, mark);
  show("console", "none here: title and show do nothing", mark, 15);
  pointer_hide();  // 16: the pointer is invisible over the window from now on
  statement_end(16, mark);
  show("pointer", "hidden over this window", mark, 17);
  print_line("", mark, 19);
  print_line("Press a key to minimise the window for a second.", mark, 20);
  example::wait_key(mark, 21);
  const int32_t before = window_minimised_query();
  window_minimise();  // 22
  statement_end(22, mark);
  const int32_t minimised = minimised_within(-1, 5000, 23);
  example::pause_ms(1000, 24);
  screen_show();  // 25: shown again
  statement_end(25, mark);
  const int32_t after = minimised_within(0, 5000, 26);
  show("minimised: before, during, after", std::to_string(before) + ", " + std::to_string(minimised) + ", " +
       std::to_string(after), mark, 27);
  print_line("Press a key to end.", mark, 28);
  example::wait_key(mark, 29);
  program_end();
}

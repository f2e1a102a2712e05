// Test program: screens shown in manual display, each frame written to a file
// so that the window's picture can be compared with it: the start-up text
// screen with coloured cells, a 32-bit image as the screen, and that image in
// full screen keeping its aspect. Steps wait for a file named by their number
// in the folder given on the command line.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "tests/e2e/programs/frame_file.h"
#include "tests/e2e/programs/test_steps.h"

void program_main() {
  program_preamble();
  image_record* page = display_link.shown_image.load();
  shared_put(&page->cursor_visible, static_cast<uint8_t>(0));  // 1: no cursor, so the picture holds still
  for (int row = 0; row < 25; ++row)
    for (int col = 0; col < 80; ++col) {
      uint8_t* cell = page->data + (row * 80 + col) * 2;
      shared_store8(cell, static_cast<uint8_t>(row * 80 + col));
      shared_store8(cell + 1, static_cast<uint8_t>((row * 5 + col) & 0x7F));  // every colour, nothing blinks
    }
  statement_end(1);
  await_step(1);
  display_statement();  // 2: manual display from here on, after one more frame
  statement_end(2);
  frame_done(1);

  await_step(2);
  const int32_t handle = new_image(400, 200, 32, 1);  // 3: a 32-bit screen, aspect 2
  image_record* img = image_at(-handle);
  auto* pixels = reinterpret_cast<uint32_t*>(img->data);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 400; ++x)
      shared_store32(pixels + y * 400 + x,
                     0xFF000000u | (0x20 + x * 223 / 399) << 16 | (0x20 + y) << 8 | (0xFF - x * 0xDF / 399));
  screen_set(handle, 0, 0, 0, 0, 1);
  statement_end(3);
  display_statement();  // 4
  statement_end(4);
  frame_done(2);

  await_step(3);
  window_full_screen(3, 0);  // 5: full screen keeping the aspect
  statement_end(5);
  frame_done(3);

  await_step(4);
  window_full_screen(1, 0);  // 6: back to a window
  statement_end(6);
  frame_done(4);

  await_step(5);
  program_end();  // 7
}

// Test program: writes straight into the visible page and lets the main loop
// build frames of it: a text screen with colours and the cursor, then SCREEN 13
// and SCREEN 11. Steps wait for a file named by their number in the folder given
// on the command line.
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
#include "tests/e2e/programs/test_steps.h"

namespace {
void put_cell(int col, int row, char c, uint8_t attribute) {
  image_record* page = display_link.shown_image.load();
  uint8_t* cell = page->data + (static_cast<size_t>(row) * page->width + col) * 2;
  shared_store8(cell, static_cast<uint8_t>(c));
  shared_store8(cell + 1, attribute);
}
}  // namespace

void program_main() {
  program_preamble();
  const char* text = "HELLO";
  for (int i = 0; text[i]; ++i) put_cell(i, 0, text[i], 0x1E);  // 1: yellow on blue
  put_cell(0, 2, '#', 0x8F);                                    // 2: blinking white
  image_record* page = display_link.shown_image.load();
  shared_put(&page->cursor_visible, static_cast<uint8_t>(1));  // 3: cursor at column 10, row 5
  set_cursor(page, 10, 5);
  statement_end(3);
  done(1);

  await_step(2);
  screen_set(13, 0, 0, 0, 0, 1);  // 4: SCREEN 13
  statement_end(4);
  image_record* mode13 = display_link.shown_image.load();
  for (int y = 50; y < 60; ++y)
    for (int x = 100; x < 120; ++x) shared_store8(mode13->data + y * 320 + x, 4);  // 5: a red block
  statement_end(5);
  done(2);

  await_step(3);
  screen_set(11, 0, 0, 0, 0, 1);  // 6: SCREEN 11
  image_record* mode11 = display_link.shown_image.load();
  for (int x = 0; x < 640; ++x) shared_store8(mode11->data + 479 * 640 + x, 1);  // 7: bottom line white
  statement_end(7);
  done(3);

  await_step(4);
  display_statement();  // 8: manual display from here on
  std::printf("auto %d\n", auto_display_query());
  const uint64_t order = frame_ring.latest_order.load();
  for (int x = 0; x < 640; ++x) shared_store8(mode11->data + x, 1);  // 9: top line, not shown yet
  statement_end(9);
  // Two frame steps of the main loop after the line: in automatic display the
  // second would have built a frame of it.
  const int32_t blink = frame_builder.blink_counter.load();
  while (frame_builder.blink_counter.load() - blink < 2) platform_sleep(1);
  std::printf("frames built %d\n", frame_ring.latest_order.load() != order ? 1 : 0);
  done(4);

  await_step(5);
  display_statement();  // 10: now it is
  statement_end(10);
  done(5);

  await_step(6);
  program_end();  // 11
}

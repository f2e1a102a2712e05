#include "runtime/input/input.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/platform/platform.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {

// Entry 0 is unused: the list counts from 1.
std::vector<input_variable> input_list(1);

// The screen side of one INPUT.
struct input_screen {
  int32_t dest_index;        // the destination image the line is typed into
  image_record* dest;
  bool console;              // a console surface: no echo, no copies, no cursor
  int32_t backup_index;      // the destination as it was before INPUT
  int32_t work_index;        // where a redraw is built before it is shown
  int16_t saved_col, saved_row;
  uint8_t saved_held;
  bool cursor_drawn;
};

void echo(const input_screen& scr, uint8_t character) {
  if (!scr.console) print_chars(&character, 1, 0);
}

// The destination as the backup shows it plus the line, built on the work copy
// and copied over the destination in one piece.
void redraw(input_screen& scr, const input_editor& ed) {
  if (scr.console) return;
  page_copy(-static_cast<int64_t>(scr.backup_index), -static_cast<int64_t>(scr.work_index));
  image_record* work = image_at(scr.work_index);
  set_write_image(scr.work_index);
  set_cursor(work, scr.saved_col, scr.saved_row);
  set_line_held(work, scr.saved_held);
  for (int32_t i = 0; i < ed.len; ++i) print_chars(&ed.line[i], 1, 0);
  set_write_image(scr.dest_index);
  page_copy(-static_cast<int64_t>(scr.work_index), -static_cast<int64_t>(scr.dest_index));
  set_cursor(scr.dest, cursor_col_of(work), cursor_row_of(work));
  set_line_held(scr.dest, work->line_held);
}

void show_cursor(input_screen& scr, bool shown) {
  if (scr.console || scr.dest->text || shown == scr.cursor_drawn) return;
  input_cursor_toggle(scr.dest);
  scr.cursor_drawn = shown;
}

void release_copy(int32_t index) {
  if (index <= 1 || !image_index_valid(index)) return;
  if (write_index == index) set_write_image(display_link.shown_index.load());
  if (read_index == index) set_read_image(display_link.shown_index.load());
  image_free_memory(image_at(index));
  image_release(index);
}

// One key for INPUT: a single character, or -1 when INPUT is to end without
// one (the shutdown has begun, or an error became pending and would keep
// INKEY$ empty for good).
int32_t wait_for_key(input_screen& scr, uint32_t mark) {
  uint32_t seen = program_wakes();
  for (;;) {
    show_cursor(scr, input_cursor_wanted(scr.dest, ms_counter()));
    int32_t key = -1;
    if (scr.console) {
      const int c = std::fgetc(stdin);
      if (c == EOF) {
        std::clearerr(stdin);
        platform_sleep(10);
      } else {
        key = c == 10 ? 13 : c;
      }
    } else {
      // A key that waits is taken at once (a paste fills the buffer faster
      // than INPUT takes keys); otherwise up to 10 ms, less when a key arrives
      // (or the shutdown begins).
      const str_desc* k = inkey();
      if (k->len != 1) {
        program_wait(seen, 10);
        seen = program_wakes();
        k = inkey();
      }
      if (k->len == 1) key = k->chars[0];
      event_traps.callback_active.store(1);
      event_dispatch();
      event_traps.callback_active.store(0);
    }
    str_cleanup(mark);
    if (run_flags.shutdown_started.load() || error_report.pending.load()) return -1;
    if (key >= 0) return key;
  }
}

}  // namespace

void input_set_variable(int32_t index, uint32_t type_word, void* target) {
  if (index < 1) return;
  if (static_cast<size_t>(index) >= input_list.size()) input_list.resize(static_cast<size_t>(index) + 1);
  input_list[static_cast<size_t>(index)] = {type_word, target};
}

void input_statement(int32_t count, int32_t end_line) {
  if (error_report.pending.load()) return;
  if (count < 1 || static_cast<size_t>(count) >= input_list.size()) {
    raise_error(err_illegal_function_call);
    return;
  }
  // A copy of the list: an event handler run while INPUT waits may set up an
  // INPUT of its own, which overwrites or grows the shared list.
  const std::vector<input_variable> list(input_list.begin() + 1, input_list.begin() + 1 + count);
  const input_variable* vars = list.data();
  for (int32_t i = 0; i < count; ++i) {
    if (!vars[i].target || !input_type_known(vars[i].type_word)) {
      raise_error(err_illegal_function_call);
      return;
    }
  }
  const uint32_t mark = str_temp_mark();
  const int32_t saved_auto = display_link.automatic.load();
  display_link.automatic.store(1);  // typing shows even in manual display
  const int32_t saved_read = read_index;
  set_read_image(write_index);

  input_screen scr{};
  scr.dest_index = write_index;
  scr.dest = write_image;
  scr.console = scr.dest->console != 0;
  if (!scr.console) {
    // copy_image gives -1 when the copy cannot be made; slot 1 is never an image.
    const int32_t backup = copy_image(-static_cast<int64_t>(scr.dest_index), 0, 0);
    const int32_t work = backup == -1 ? -1 : copy_image(-static_cast<int64_t>(scr.dest_index), 0, 0);
    if (backup == -1 || work == -1) {
      release_copy(static_cast<int32_t>(index_of_handle(backup)));
      raise_error(backup == -1 ? err_input_backup_copy : err_input_work_copy);  // fatal kinds: the process ends with their message
      display_link.automatic.store(saved_auto);
      set_read_image(saved_read);
      return;
    }
    scr.backup_index = static_cast<int32_t>(index_of_handle(backup));
    scr.work_index = static_cast<int32_t>(index_of_handle(work));
  }
  scr.saved_col = cursor_col_of(scr.dest);
  scr.saved_row = cursor_row_of(scr.dest);
  scr.saved_held = scr.dest->line_held;
  const uint8_t saved_visible = shared_get(scr.dest->cursor_visible);
  shared_put(&scr.dest->cursor_visible, static_cast<uint8_t>(1));

  input_editor ed;
  input_editor_begin(&ed, vars, count);

  bool finished = false;  // Enter, rather than the shutdown or an error
  for (;;) {
    const int32_t key = wait_for_key(scr, mark);
    show_cursor(scr, false);
    if (key < 0) break;
    const auto character = static_cast<uint8_t>(key);
    switch (input_key_action_of(character)) {
      case input_key_end:
        finished = true;
        break;
      case input_key_backspace:
        if (input_editor_backspace(&ed)) redraw(scr, ed);
        break;
      case input_key_tab:
        for (int32_t n = input_tab_spaces(&ed); n > 0; --n)
          if (input_editor_type(&ed, ' ')) echo(scr, ' ');
        break;
      case input_key_bell:
        print_chars(&character, 1, 0);
        break;
      case input_key_ignored:
        break;
      case input_key_type:
        if (input_editor_type(&ed, character)) echo(scr, character);
        break;
    }
    if (finished) break;
  }

  if (finished && end_line && !scr.console) {
    static const uint8_t nothing = 0;
    print_chars(&nothing, 0, 1);
  }
  shared_put(&scr.dest->cursor_visible, saved_visible);
  release_copy(scr.backup_index);
  release_copy(scr.work_index);
  if (saved_auto == 0) {
    // Show the finished line once, then back to manual display. Without a
    // running display (or once the shutdown has begun) no frame would come.
    if (display_link.ready.load()) switch_to_manual_display();
    display_link.automatic.store(0);
  }
  if (image_index_valid(saved_read)) set_read_image(saved_read);
  str_cleanup(mark);
}

namespace {
bool one_column(const image_record* img) {
  return font_is_loaded(img->font) || img->mode == 256 || img->mode == 32;
}
}  // namespace

bool input_cursor_blinks(const image_record* img) { return one_column(img); }

bool input_cursor_wanted(const image_record* img, int64_t ms) {
  return !input_cursor_blinks(img) || (ms & 512) == 0;
}

void input_cursor_toggle(image_record* img) {
  if (img->text || img->console || !img->data) return;
  const int32_t fw = font_width_of(img->font);
  const int32_t fh = font_height_of(img->font);
  const int32_t col = cursor_col_of(img), row = cursor_row_of(img);
  // A proportional font counts the column in pixels.
  const int32_t x0 = fw == 0 ? col - 1 : (col - 1) * fw;
  const int32_t w = one_column(img) || fw == 0 ? 1 : fw;
  const int32_t y0 = (row - 1) * fh;
  const int32_t x1 = std::max(x0, 0), x2 = std::min(x0 + w, static_cast<int32_t>(img->width));
  const int32_t y1 = std::max(y0, 0), y2 = std::min(y0 + fh, static_cast<int32_t>(img->height));
  // Stored as computed, never blended.
  for (int32_t y = y1; y < y2; ++y) {
    for (int32_t x = x1; x < x2; ++x) {
      const size_t at = static_cast<size_t>(y) * img->width + static_cast<size_t>(x);
      if (img->bytes_per_pixel == 1) {
        uint8_t* p = img->data + at;
        shared_store8(p, static_cast<uint8_t>((shared_get(*p) ^ img->colour) & img->mask));
      } else {
        // The colour channels only: the pixel keeps its alpha.
        uint32_t* p = reinterpret_cast<uint32_t*>(img->data) + at;
        shared_store32(p, shared_get(*p) ^ (img->colour & 0x00FFFFFF));
      }
    }
  }
}

#include "runtime/text/text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/platform/platform.h"
#include "runtime/text/detail/text_internals.h"
#include "runtime/image/pixels.h"

text_switches_state text_switches;

void text_switches_reset() { text_switches = text_switches_state{}; }

namespace {

constexpr int32_t tab_stop_pixels = 64;   // proportional fonts
constexpr int32_t zone_columns = 14;
constexpr int32_t zone_pixels = 112;      // proportional fonts

bool is_control(uint32_t code) { return code == 7 || (code >= 9 && code <= 13) || (code >= 28 && code <= 31); }

bool proportional(const image_record* img) { return !img->text && font_width_of(img->font) == 0; }

// Cell width used by the right-edge rule: the font width, or 1 (pixels) for a proportional font.
int32_t cell_width(const image_record* img) {
  if (img->text) return 1;
  return std::max(font_width_of(img->font), 1);
}

// Advance of a character in a proportional font (0 when the engine has no glyph).
int32_t char_advance(uint32_t font, uint32_t code) {
  const glyph_coverage* glyph = loaded_glyph(font, code);
  return glyph ? glyph->advance : 0;
}

// Fills pixels x1..x2 of the cursor's character row with the background
// (proportional tab stops and zones).
void fill_cursor_row(image_record* img, int32_t x1, int32_t x2) {
  const int32_t h = font_height_of(img->font);
  const int32_t y1 = (cursor_row_of(img) - 1) * h;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, img->width - 1);
  const int32_t top = std::max(y1, 0), bottom = std::min(y1 + h - 1, img->height - 1);
  fill_pixel_box(img, x1, top, x2, bottom, img->background);
}

// The cursor has passed the last column.
bool past_right_edge(const image_record* img, int32_t col) {
  if (img->text) return col > img->width;
  const int32_t cw = cell_width(img);
  return img->width - cw < cw * (col - 1);
}

// Draws one character and advances. more: a new line follows anyway (more
// characters, or the PRINT ends its line). Returns true when the character
// ended in a new line made by wrapping.
bool draw_and_advance(image_record* img, uint32_t code, bool more) {
  int32_t advance = 1;
  if (proportional(img)) {
    advance = char_advance(img->font, code);
    if (cursor_col_of(img) + advance > img->width) new_line();
  }
  put_char(code);
  if (line_printer.mode.load(std::memory_order_relaxed)) {
    if (++line_printer.column > line_printer.width) {
      new_line();
      line_printer.column = 1;
      return true;
    }
  }
  const int32_t col = cursor_col_of(img) + advance;
  const int32_t row = cursor_row_of(img);
  if (!past_right_edge(img, col)) {
    set_cursor(img, col, row);
    return false;
  }
  if (more) {
    new_line();
    if (line_printer.mode.load(std::memory_order_relaxed)) line_printer.column = 1;
    return true;
  }
  set_cursor(img, img->text ? col - 1 : img->width / cell_width(img), row);
  set_line_held(img, 1);
  return false;
}

// Tab: spaces up to the next column after a multiple of 8, or the next
// 64-pixel stop with a proportional font. Returns true when it ended in a new line.
bool tab(image_record* img, bool more_after) {
  if (proportional(img)) {
    const int32_t x = cursor_col_of(img) - 1;
    const int32_t stop = (x / tab_stop_pixels + 1) * tab_stop_pixels;
    if (stop < img->width) {
      fill_cursor_row(img, x, stop - 1);
      set_cursor(img, stop + 1, cursor_row_of(img));
      return false;
    }
    fill_cursor_row(img, x, img->width - 1);
    new_line();
    return true;
  }
  for (;;) {
    const bool again = cursor_col_of(img) % 8 != 0;
    if (draw_and_advance(img, ' ', more_after || again)) return true;
    if (!again || img->line_held) return false;
  }
}

// Acts on a control character; true when it ended in a new line.
bool control_act(image_record* img, uint32_t code) {
  const bool printing = line_printer.mode.load(std::memory_order_relaxed) != 0;
  const int32_t col = cursor_col_of(img), row = cursor_row_of(img);
  const int32_t columns = image_columns(img);
  switch (code) {
    case 7:
      platform_sleep(250);
      return false;
    case 10:
    case 13:
      new_line();
      if (printing) line_printer.column = 1;
      return true;
    case 11:
      set_cursor(img, 1, img->top_row);
      if (printing) line_printer.column = 1;
      return false;
    case 12:
      if (printing) {
        printer_page_hand_over();
        line_printer.column = 1;
      } else if (text_switches.form_feed_clear) {
        text_switches.form_feed_clear();
      }
      return false;
    case 28:
      if (row < img->bottom_row || col < columns) {
        if (col + 1 > columns)
          set_cursor(img, 1, row + 1);
        else
          set_cursor(img, col + 1, row);
      }
      if (printing && line_printer.column < line_printer.width) ++line_printer.column;
      return false;
    case 29: {
      const bool outside = row < img->top_row || row > img->bottom_row;
      if (!(col == 1 && (row == img->top_row || outside))) {
        if (col - 1 < 1)
          set_cursor(img, columns, row - 1);
        else
          set_cursor(img, col - 1, row);
      }
      if (printing && line_printer.column > 1) --line_printer.column;
      return false;
    }
    case 30:
      if (img->top_row < row && row <= img->bottom_row) set_cursor(img, col, row - 1);
      return false;
    case 31:
      if (img->top_row <= row && row < img->bottom_row) set_cursor(img, col, row + 1);
      return false;
    default:
      return false;
  }
}

}  // namespace

void print_chars(const uint8_t* chars, int32_t len, int32_t newline) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img) return;
  if (len < 0) len = 0;
  if (img->console) {
    console_write(chars, len, newline);
    return;
  }
  if (img->line_held) {
    if (len > 0) {
      set_line_held(img, 0);
      new_line();
    } else if (newline) {
      set_line_held(img, 0);
    }
  }
  const bool unicode = !img->text && img->font < font_slots_max && (font_table.flags[img->font] & font_unicode);
  const int32_t step = unicode ? 4 : 1;
  const bool acting = !text_switches.print_literal && !text_switches.control_chars_off;
  const bool printing = line_printer.mode.load(std::memory_order_relaxed) != 0;
  bool wrapped = false;
  for (int32_t i = 0; i + step <= len; i += step) {
    uint32_t code = chars[i];
    if (unicode) std::memcpy(&code, chars + i, 4);
    const bool more = newline || i + 2 * step <= len;
    if (printing) printer_mark_output();
    if (acting && is_control(code)) {
      if (code == 9) {
        wrapped = tab(img, more);
      } else if (!control_act(img, code)) {
        wrapped = false;
      }
      // A control output (CLS) may have chosen another image for its work; it
      // always puts the write image back.
      img = write_image;
      continue;
    }
    wrapped = draw_and_advance(img, code, more);
  }
  if (newline && !wrapped) new_line();
  if (printing && newline) line_printer.column = 1;
}

void print_text(const str_desc* text, int32_t newline) {
  print_chars(text ? text->chars : nullptr, text ? text->len : 0, newline);
}

void scroll_rows_up(image_record* img, int32_t top, int32_t bottom) {
  end_glyph_run();
  top = std::max(top, 1);
  bottom = std::min(bottom, img->text ? static_cast<int32_t>(img->height) : image_rows(img));
  if (top > bottom) return;
  const int32_t cell_rows = img->text ? 1 : font_height_of(img->font);
  const size_t row_bytes = static_cast<size_t>(img->width) * (img->text ? 2 : img->bytes_per_pixel) * cell_rows;
  uint8_t* first = img->data + static_cast<size_t>(top - 1) * row_bytes;
  uint8_t* last = img->data + static_cast<size_t>(bottom - 1) * row_bytes;
  const size_t moved = static_cast<size_t>(bottom - top) * row_bytes;
  uint32_t blank;
  if (img->text) {
    const uint32_t attribute = ((img->background << 4) & 0x70) | (img->colour & 0x0F) | (((img->colour >> 4) << 7) & 0xFF);
    blank = 32 | attribute << 8;
  } else {
    blank = img->bytes_per_pixel == 1 ? img->background & img->mask : img->background;
  }
  // The printer page (a pixel page) is also cleared by the main loop, so it keeps the atomic stores.
  if ((img->text || !is_printer_page(img)) && begin_plain_writes()) {
    std::memmove(first, first + row_bytes, moved);
    plain_fill(last, repeated_element(blank, img->text ? 2 : img->bytes_per_pixel), row_bytes);
    end_plain_writes();
    return;
  }
  shared_move_down(first, first + row_bytes, moved);
  if (img->text)
    fill_text_rows(img, bottom, bottom, static_cast<uint16_t>(blank));
  else
    fill_pixel_rows(img, (bottom - 1) * cell_rows, bottom * cell_rows - 1, img->background);
}

void new_line() {
  image_record* img = write_image;
  if (!img || img->console) return;
  end_glyph_run();
  const int32_t row = cursor_row_of(img) + 1;
  if (row <= img->bottom_row) {
    set_cursor(img, 1, row);
    return;
  }
  if (line_printer.mode.load(std::memory_order_relaxed) && is_printer_page(img)) {
    printer_page_hand_over();
    return;
  }
  scroll_rows_up(img, img->top_row, img->bottom_row);
  set_cursor(img, 1, img->bottom_row);
}

void make_fit(const str_desc* text) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img || img->console || img->line_held || cursor_col_of(img) == 1) return;
  const int32_t length = text ? text->len : 0;
  const int32_t col = cursor_col_of(img);
  if (img->text) {
    if (col + length - 1 > img->width) new_line();
    return;
  }
  const int64_t end = static_cast<int64_t>(col - 1) * cell_width(img) + text_width(text, 0, 0);
  if (end > img->width) new_line();
}

void next_zone() {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img) return;
  if (img->console) {
    // Standard output keeps no column: the comma separates by one space.
    console_write(reinterpret_cast<const uint8_t*>(" "), 1, 0);
    return;
  }
  if (img->line_held) {
    // The line is full: the next zone is the first one of the next line.
    new_line();
    set_line_held(img, 0);
    return;
  }
  if (proportional(img)) {
    const int32_t x = cursor_col_of(img) - 1;
    const int32_t zone = (x / zone_pixels + 1) * zone_pixels;
    if (zone >= img->width) {
      fill_cursor_row(img, x, img->width - 1);
      new_line();
    } else {
      fill_cursor_row(img, x, zone - 1);
      set_cursor(img, zone + 1, cursor_row_of(img));
    }
    return;
  }
  const int32_t columns = image_columns(img);
  const uint8_t space = ' ';
  for (;;) {
    print_chars(&space, 1, 0);
    if (error_report.pending.load(std::memory_order_relaxed)) return;
    const int32_t col = cursor_col_of(img);
    if (col == 1) return;
    if ((col - 1) % zone_columns == 0 && col <= columns - (zone_columns - 1)) return;
    if (col >= columns) return;
  }
}

void control_chars_set(int32_t mode) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  text_switches.control_chars_off = mode == 2 ? 1 : 0;
}

int32_t control_chars_query() { return text_switches.control_chars_off ? -1 : 0; }

void console_write(const uint8_t* chars, int32_t len, int32_t newline) {
  if (chars && len > 0) {
    // The text is handed on as a C string: it ends at its first zero byte.
    const void* zero = std::memchr(chars, 0, static_cast<size_t>(len));
    const size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - chars) : static_cast<size_t>(len);
    std::fwrite(chars, 1, n, stdout);
  }
  if (newline) {
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
}

line_printer_state line_printer;

namespace {

constexpr int32_t page_width = 640;
constexpr int32_t page_height = 960;
constexpr int32_t page_mode = 13;
constexpr int32_t page_font = 16;
constexpr uint32_t paper_colour = 15;
constexpr uint32_t ink_colour = 0;
constexpr int32_t page_rows = page_height / 16;
constexpr int32_t busy_poll_ms = 64;

std::atomic<int32_t> page_index{0};
std::atomic<int32_t> holds_output{0};
std::atomic<int64_t> last_output_ms{0};  // ms_counter of the last LPRINT, to the millisecond
int32_t saved_write_index = 0;

// The page as text output finds it: blank paper, cursor home, rows 1-60.
void clear_page(image_record* img) {
  fill_pixel_rows(img, 0, img->height - 1, paper_colour);
  img->top_row = 1;
  img->bottom_row = page_rows;
  set_cursor(img, 1, 1);
  set_line_held(img, 0);
}

int32_t make_page() {
  const int32_t index = image_create(page_width, page_height, page_mode);
  if (!index) return 0;
  image_record* img = image_at(index);
  set_font(page_font, img);
  img->colour = ink_colour;
  img->background = paper_colour;
  img->draw_colour = ink_colour;
  clear_page(img);
  return index;
}

}  // namespace

void printer_begin() {
  // Raise line_printer.mode first, then wait out a main-loop step that began before it.
  line_printer.mode.store(1);
  while (line_printer.busy.load()) platform_sleep(busy_poll_ms);
  int32_t index = page_index.load();
  if (!index) {
    index = make_page();
    if (!index) {
      line_printer.mode.store(0);
      raise_error(err_out_of_memory);
      return;
    }
    page_index.store(index);
  }
  saved_write_index = write_index;
  set_write_image(index);
  last_output_ms.store(ms_counter());
}

void printer_end() {
  if (!line_printer.mode.load()) return;
  if (saved_write_index && image_index_valid(saved_write_index)) set_write_image(saved_write_index);
  saved_write_index = 0;
  line_printer.mode.store(0);
}

void lprint_text(const str_desc* text, int32_t newline) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  printer_begin();
  print_text(text, newline);
  printer_end();
}

bool is_printer_page(const image_record* img) {
  const int32_t index = page_index.load(std::memory_order_relaxed);
  return index && image_at(index) == img;
}

void printer_mark_output() { holds_output.store(1, std::memory_order_relaxed); }

void printer_page_hand_over() {
  const int32_t index = page_index.load();
  if (!index) return;
  // The page would go to the printing facility here; this build has none.
  holds_output.store(0);
  clear_page(image_at(index));
}

void printer_page_step() { printer_page_step_at(ms_counter()); }

void printer_page_step_at(int64_t now_ms) {
  line_printer.busy.store(1);
  if (line_printer.mode.load() == 0 && holds_output.load() &&
      now_ms - last_output_ms.load() >= static_cast<int64_t>(printer_idle_seconds * 1000))
    printer_page_hand_over();
  line_printer.busy.store(0);
}

void printer_shutdown_hand_over() {
  if (holds_output.load()) printer_page_hand_over();
}

int32_t printer_column_query(int32_t printer) {
  if (printer < 0 || printer > 3) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  return line_printer.column;
}

int32_t printer_page_index() { return page_index.load(); }
bool printer_page_holds_output() { return holds_output.load() != 0; }

void printer_reset() {
  const int32_t index = page_index.exchange(0);
  if (index && image_index_valid(index)) {
    image_free_memory(image_at(index));
    image_release(index);
  }
  holds_output.store(0);
  line_printer.mode.store(0);
  line_printer.busy.store(0);
  line_printer.column = 1;
  line_printer.width = 80;
  saved_write_index = 0;
}

#include "runtime/screen/screen.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/screen/detail/screen_internals.h"
#include "runtime/image/pixels.h"

key_line_state key_line;

void key_line_reset() { key_line = key_line_state{}; }

namespace {

constexpr int32_t label_length_max = 15;
constexpr int32_t slot_width_min = 8;
constexpr int32_t proportional_slot_min = 64;  // pixels

// Function key 1-12 to its entry: F11 and F12 are kept as 30 and 31.
int32_t entry_of_key(int32_t key) { return key <= 10 ? key : key + 19; }

bool is_fixed_grid(const image_record* img) { return img->text || font_width_of(img->font) != 0; }

void print_string(const std::string& s, int32_t newline) {
  print_chars(reinterpret_cast<const uint8_t*>(s.data()), static_cast<int32_t>(s.size()), newline);
}

// Clears the last row: spaces on a text surface, the background (opaque) on a pixel surface.
void clear_last_row(image_record* img, int32_t rows) {
  set_cursor(img, 1, rows);
  if (img->text) {
    print_string(std::string(static_cast<size_t>(img->width), ' '), 0);
    return;
  }
  const int32_t h = font_height_of(img->font);
  const uint32_t background = img->bytes_per_pixel == 4 ? img->background | 0xFF000000u : img->background;
  fill_pixel_rows(img, (rows - 1) * h, std::min(rows * h, static_cast<int32_t>(img->height)) - 1, background);
}

void draw_labels(image_record* img, int32_t rows) {
  const bool fixed = is_fixed_grid(img);
  const int32_t columns = image_columns(img);
  int32_t slot = fixed ? std::max(columns / 12, slot_width_min) : std::max(columns / 12, proportional_slot_min);
  const int32_t slots = std::min(columns / slot, 12);
  const int32_t label_chars = fixed ? 0 : 6;  // proportional: a fixed number of label characters
  const uint32_t colour = img->colour, background = img->background;
  text_switches.print_literal = 1;
  for (int32_t k = 1; k <= slots; ++k) {
    set_cursor(img, (k - 1) * slot + 1, rows);
    set_line_held(img, 0);
    img->colour = colour;
    img->background = background;
    const std::string number = std::to_string(k);
    print_string(number, 0);
    std::string label = key_label_text(entry_of_key(k));
    for (char& c : label) c = static_cast<char>(key_label_glyph(static_cast<uint8_t>(c)));
    const size_t room = fixed ? static_cast<size_t>(std::max<int32_t>(slot - static_cast<int32_t>(number.size()), 0))
                              : static_cast<size_t>(label_chars);
    label.resize(room, ' ');
    if (img->text) {
      // Labels stand out in reversed colours.
      img->colour = background != 0 ? 7 : 0;
      img->background = background != 0 ? 0 : 7;
    }
    print_string(label, 0);
  }
  text_switches.print_literal = 0;
  img->colour = colour;
  img->background = background;
}

}  // namespace

uint8_t key_label_glyph(uint8_t code) {
  switch (code) {
    case 7: return 14;
    case 8: return 254;
    case 9: return 26;
    case 10: return 60;
    case 11: return 127;
    case 12: return 22;
    case 13: return 27;
    case 28: return 16;
    case 29: return 17;
    case 30: return 24;
    case 31: return 25;
    default: return code;
  }
}

void key_line_redraw(int32_t forced) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  if (forced ? !key_line.wanted : key_line.wanted == key_line.shown) return;
  if (!screen_pages.count || !screen_pages.table[0]) return;
  const int32_t saved_write = write_index;
  set_write_image(screen_pages.table[0]);
  image_record* img = write_image;
  const int16_t col = cursor_col_of(img), row = cursor_row_of(img);
  const uint8_t held = img->line_held;
  const uint32_t colour = img->colour, background = img->background;
  const int32_t rows = image_rows(img);
  if (img->data && !img->console && rows >= 1) {
    clear_last_row(img, rows);
    if (key_line.wanted) draw_labels(img, rows);
  }
  img->colour = colour;
  img->background = background;
  set_cursor(img, col, row);
  set_line_held(img, held);
  set_write_image(saved_write);
  key_line.shown = key_line.wanted;
}

void key_line_set(int32_t on) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  key_line.wanted = on ? 1 : 0;
  key_line_redraw(0);
}

void key_define(int32_t key, const str_desc* text) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  const uint8_t* chars = text ? text->chars : nullptr;
  const int32_t len = text ? std::max(text->len, 0) : 0;
  if ((key >= 1 && key <= 10) || key == 30 || key == 31) {
    if (len > label_length_max) {
      raise_error(err_illegal_function_call);
      return;
    }
    key_label_store(key, chars, len);
    key_line_redraw(1);
    return;
  }
  if (key >= 15 && key <= 29) {
    if (len == 0) {
      user_key_store(key, 0, 0);
      return;
    }
    uint8_t shift = 0;
    for (int32_t i = 0; i + 1 < len; ++i) shift |= chars[i];
    user_key_store(key, chars[len - 1], shift);
    return;
  }
  raise_error(err_illegal_function_call);
}

void key_list() {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  const bool fixed = write_image && is_fixed_grid(write_image);
  for (int32_t k = 1; k <= 12; ++k) {
    std::string line = "F" + std::to_string(k);
    if (fixed)
      line += k <= 9 ? "  " : " ";
    else
      line += k <= 9 ? ")  " : ") ";
    for (char c : key_label_text(entry_of_key(k))) {
      const auto code = static_cast<uint8_t>(c);
      line += (code >= 7 && code <= 13) || (code >= 28 && code <= 31) ? ' ' : c;
    }
    print_string(line, 1);
  }
}

// The labels are the keyboard's soft-key strings and the user-defined keys live
// in the key-trap table, where the key handlers look for them.
namespace {
bool in_range(int32_t entry) { return entry >= 0 && entry < key_trap_count; }
}  // namespace

void key_label_store(int32_t entry, const uint8_t* chars, int32_t len) {
  if (!in_range(entry)) return;
  soft_key_set(entry, std::string_view(reinterpret_cast<const char*>(chars), len > 0 ? static_cast<size_t>(len) : 0));
}

std::string key_label_text(int32_t entry) { return in_range(entry) ? soft_key_text(entry) : std::string(); }

void user_key_store(int32_t entry, uint8_t make, uint8_t shift_mask) {
  if (!in_range(entry)) return;
  event_traps.keys[entry].make.store(make);
  event_traps.keys[entry].shift_mask.store(make ? shift_mask : 0);
}

uint8_t user_key_make(int32_t entry) { return in_range(entry) ? event_traps.keys[entry].make.load() : 0; }
uint8_t user_key_shift_mask(int32_t entry) { return in_range(entry) ? event_traps.keys[entry].shift_mask.load() : 0; }

void key_definitions_reset() {
  for (int32_t i = 0; i < key_trap_count; ++i) {
    soft_key_set(i, {});
    event_traps.keys[i].make.store(0);
    event_traps.keys[i].shift_mask.store(0);
  }
}

namespace {
std::mutex soft_key_mutex;
std::string texts[key_trap_count];
}  // namespace

void soft_key_set(int32_t entry, std::string_view text) {
  if (entry < 0 || entry >= key_trap_count) return;
  std::lock_guard<std::mutex> lock(soft_key_mutex);
  texts[entry].assign(text);
}

std::string soft_key_text(int32_t entry) {
  if (entry < 0 || entry >= key_trap_count) return {};
  std::lock_guard<std::mutex> lock(soft_key_mutex);
  return texts[entry];
}

std::string soft_key_find(int32_t value, int32_t code) {
  std::lock_guard<std::mutex> lock(soft_key_mutex);
  for (int32_t i = 0; i < key_trap_count; ++i) {
    if (texts[i].empty()) continue;
    if (event_traps.keys[i].scan_code.load() == value || event_traps.keys[i].key_code.load() == code)
      return texts[i];
  }
  return {};
}

// Chained programs: the file one program leaves for the next with its working
// directory and screen, reading it back before the first statement, and
// writing it for the CHAIN statement.
//
// The file comes from outside and is read as hostile: every count and size is
// checked against what it describes before anything is made or copied. A file
// that ends early raises 62, one with a value this screen cannot take raises
// 5; either way the screen goes back to the start-up text screen, the
// directory stays and the file is still deleted.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/os/detail/chain_file.h"
#include "runtime/os/detail/file_errors.h"
#include "runtime/os/os.h"
#include "runtime/platform/file_system.h"
#include "runtime/platform/files.h"
#include "runtime/platform/platform.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

namespace {

// Reads the open chain file front to back, never past its end.
struct chain_source {
  int32_t file;
  int64_t left;  // bytes not read yet

  bool take(void* into, int64_t n) {
    if (error_report.pending.load()) return false;
    if (n < 0 || n > left) {
      raise_error(err_input_past_end_of_file);
      return false;
    }
    if (n > 0) get_bytes(file, 0, 0, into, n);
    left -= n;
    return error_report.pending.load() == 0;
  }
  bool take_i32(int32_t* value) {
    uint8_t b[4];
    if (!take(b, 4)) return false;
    *value = static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24);
    return true;
  }
};

bool refuse() {
  raise_error(err_illegal_function_call);
  return false;
}

// A page record in its fixed layout: 32-bit words, floats and doubles as their bits.
struct record_words {
  int32_t w[chain_record_words];
};

int32_t float_bits(float f) {
  int32_t i;
  std::memcpy(&i, &f, 4);
  return i;
}
float bits_float(int32_t i) {
  float f;
  std::memcpy(&f, &i, 4);
  return f;
}
void put_double(int32_t* at, double d) { std::memcpy(at, &d, 8); }
double get_double(const int32_t* at) {
  double d;
  std::memcpy(&d, at, 8);
  return d;
}

// Word positions in the record.
enum record_word : int32_t {
  r_words, r_text, r_width, r_height, r_bytes, r_bits, r_mode, r_colour, r_background, r_draw_colour, r_font,
  r_top_row, r_bottom_row, r_cursor_col, r_cursor_row, r_cursor_visible, r_cursor_first, r_cursor_last,
  r_transparent, r_blend_off, r_line_held, r_print_mode, r_view_x1, r_view_y1, r_view_x2, r_view_y2,
  r_offset_x, r_offset_y, r_gfx_x, r_gfx_y, r_coord_mode, r_scale_x, r_scale_y, r_scale_offset_x,
  r_scale_offset_y, r_window_x1, r_window_y1, r_window_x2, r_window_y2, r_angle, r_scale = r_angle + 2,
  r_end = r_scale + 2
};
static_assert(r_end == chain_record_words);

record_words record_of(const image_record* img) {
  record_words r{};
  int32_t* w = r.w;
  w[r_words] = chain_record_words;
  w[r_text] = img->text;
  w[r_width] = img->width;
  w[r_height] = img->height;
  w[r_bytes] = img->bytes_per_pixel;
  w[r_bits] = img->bits_per_pixel;
  w[r_mode] = img->mode;
  w[r_colour] = static_cast<int32_t>(img->colour);
  w[r_background] = static_cast<int32_t>(img->background);
  w[r_draw_colour] = static_cast<int32_t>(img->draw_colour);
  w[r_font] = static_cast<int32_t>(img->font);
  w[r_top_row] = img->top_row;
  w[r_bottom_row] = img->bottom_row;
  w[r_cursor_col] = cursor_col_of(const_cast<image_record*>(img));
  w[r_cursor_row] = cursor_row_of(const_cast<image_record*>(img));
  w[r_cursor_visible] = img->cursor_visible;
  w[r_cursor_first] = img->cursor_first_line;
  w[r_cursor_last] = img->cursor_last_line;
  w[r_transparent] = img->transparent_colour;
  w[r_blend_off] = img->blend_off;
  w[r_line_held] = img->line_held;
  w[r_print_mode] = img->print_mode;
  w[r_view_x1] = img->view_x1;
  w[r_view_y1] = img->view_y1;
  w[r_view_x2] = img->view_x2;
  w[r_view_y2] = img->view_y2;
  w[r_offset_x] = img->view_offset_x;
  w[r_offset_y] = img->view_offset_y;
  w[r_gfx_x] = float_bits(img->gfx_x);
  w[r_gfx_y] = float_bits(img->gfx_y);
  w[r_coord_mode] = img->coord_mode;
  w[r_scale_x] = float_bits(img->scale_x);
  w[r_scale_y] = float_bits(img->scale_y);
  w[r_scale_offset_x] = float_bits(img->scale_offset_x);
  w[r_scale_offset_y] = float_bits(img->scale_offset_y);
  w[r_window_x1] = float_bits(img->window_x1);
  w[r_window_y1] = float_bits(img->window_y1);
  w[r_window_x2] = float_bits(img->window_x2);
  w[r_window_y2] = float_bits(img->window_y2);
  put_double(w + r_angle, img->draw_angle);
  put_double(w + r_scale, img->draw_scale);
  return r;
}

bool in_range(int32_t v, int32_t low, int32_t high) { return v >= low && v <= high; }

// Whether a stored record fits the page it is for: the same shape, a known
// font, every row, column and corner inside the page, finite coordinates.
bool record_fits(const record_words& r, const image_record* img) {
  const int32_t* w = r.w;
  if (w[r_words] != chain_record_words || w[r_text] != img->text || w[r_width] != img->width ||
      w[r_height] != img->height || w[r_bytes] != img->bytes_per_pixel || w[r_bits] != img->bits_per_pixel ||
      w[r_mode] != img->mode)
    return false;
  image_record probe = {};
  probe.text = img->text;
  probe.width = img->width;
  probe.height = img->height;
  probe.font = img->font;
  if (static_cast<uint32_t>(w[r_font]) < first_loaded_font) {
    if (!font_is_builtin(w[r_font])) return false;
    probe.font = static_cast<uint32_t>(w[r_font]);
  }
  // An image smaller than one character still has row 1 and column 1.
  const int32_t rows = std::max(image_rows(&probe), 1), cols = std::max(image_columns(&probe), 1);
  const bool palette_image = img->bits_per_pixel != 32;
  const int32_t colour_max = palette_image ? 255 : -1;
  for (const int32_t c : {w[r_colour], w[r_background], w[r_draw_colour]})
    if (palette_image && !in_range(c, 0, colour_max)) return false;
  if (palette_image && !in_range(w[r_transparent], -1, static_cast<int32_t>(img->mask))) return false;
  if (!in_range(w[r_top_row], 1, rows) || !in_range(w[r_bottom_row], w[r_top_row], rows) ||
      !in_range(w[r_cursor_row], 1, rows) || !in_range(w[r_cursor_col], 1, cols))
    return false;
  if (!in_range(w[r_cursor_visible], 0, 1) || !in_range(w[r_cursor_first], 0, 31) ||
      !in_range(w[r_cursor_last], 0, 31) || !in_range(w[r_blend_off], 0, 1) || !in_range(w[r_line_held], 0, 2) ||
      !in_range(w[r_print_mode], 1, 3) || !in_range(w[r_coord_mode], 0, 2))
    return false;
  const int32_t right = img->width - 1, bottom = img->height - 1;
  if (!in_range(w[r_view_x1], 0, right) || !in_range(w[r_view_x2], w[r_view_x1], right) ||
      !in_range(w[r_view_y1], 0, bottom) || !in_range(w[r_view_y2], w[r_view_y1], bottom) ||
      !in_range(w[r_offset_x], 0, right) || !in_range(w[r_offset_y], 0, bottom))
    return false;
  for (int32_t i = r_gfx_x; i <= r_window_y2; ++i)
    if (i != r_coord_mode && !std::isfinite(bits_float(w[i]))) return false;
  return std::isfinite(get_double(w + r_angle)) && std::isfinite(get_double(w + r_scale));
}

// Takes a checked record's fields; the memory, the palette and a font number
// above the built-in range stay as this program made them.
void record_apply(const record_words& r, image_record* img) {
  const int32_t* w = r.w;
  img->colour = static_cast<uint32_t>(w[r_colour]);
  img->background = static_cast<uint32_t>(w[r_background]);
  img->draw_colour = static_cast<uint32_t>(w[r_draw_colour]);
  if (static_cast<uint32_t>(w[r_font]) < first_loaded_font) img->font = static_cast<uint32_t>(w[r_font]);
  img->top_row = static_cast<int16_t>(w[r_top_row]);
  img->bottom_row = static_cast<int16_t>(w[r_bottom_row]);
  set_cursor(img, w[r_cursor_col], w[r_cursor_row]);
  img->cursor_visible = static_cast<uint8_t>(w[r_cursor_visible]);
  img->cursor_first_line = static_cast<uint8_t>(w[r_cursor_first]);
  img->cursor_last_line = static_cast<uint8_t>(w[r_cursor_last]);
  img->transparent_colour = w[r_transparent];
  img->blend_off = static_cast<uint8_t>(w[r_blend_off]);
  set_line_held(img, static_cast<uint8_t>(w[r_line_held]));
  img->print_mode = static_cast<uint8_t>(w[r_print_mode]);
  img->view_x1 = w[r_view_x1];
  img->view_y1 = w[r_view_y1];
  img->view_x2 = w[r_view_x2];
  img->view_y2 = w[r_view_y2];
  img->view_offset_x = w[r_offset_x];
  img->view_offset_y = w[r_offset_y];
  img->gfx_x = bits_float(w[r_gfx_x]);
  img->gfx_y = bits_float(w[r_gfx_y]);
  img->coord_mode = static_cast<coordinate_mode>(w[r_coord_mode]);
  img->scale_x = bits_float(w[r_scale_x]);
  img->scale_y = bits_float(w[r_scale_y]);
  img->scale_offset_x = bits_float(w[r_scale_offset_x]);
  img->scale_offset_y = bits_float(w[r_scale_offset_y]);
  img->window_x1 = bits_float(w[r_window_x1]);
  img->window_y1 = bits_float(w[r_window_y1]);
  img->window_x2 = bits_float(w[r_window_x2]);
  img->window_y2 = bits_float(w[r_window_y2]);
  img->draw_angle = get_double(w + r_angle);
  img->draw_scale = get_double(w + r_scale);
}

size_t page_bytes(const image_record* img) {
  return static_cast<size_t>(img->width) * img->height * img->bytes_per_pixel;
}

// Bytes per pixel of a mode an image may be made with (0 for none).
int32_t mode_bytes(int32_t mode) {
  if (mode == 32) return 4;
  if (mode == 0) return 2;
  if (mode == 1 || mode == 2 || (mode >= 7 && mode <= 13) || mode == 256) return 1;
  return 0;
}

// Tag 260: the page, made when it is missing once its bytes are known to be
// in the file, filled, and its record checked (applied at the section's end).
bool restore_page(chain_source& in, std::vector<std::pair<int32_t, record_words>>& records) {
  int32_t page;
  if (!in.take_i32(&page)) return false;
  if (page < 0 || page > page_number_max || !screen_pages.table[0]) return refuse();
  const size_t n = page_bytes(image_at(screen_pages.table[0]));  // every page has page 0's shape
  if (static_cast<int64_t>(n + chain_record_words * 4) > in.left) {
    raise_error(err_input_past_end_of_file);
    return false;
  }
  std::vector<uint8_t> bytes(n);
  if (!in.take(bytes.data(), static_cast<int64_t>(n))) return false;
  const int32_t index = page_image(page);
  if (!index) {
    raise_error(err_out_of_memory);
    return false;
  }
  image_record* img = image_at(index);
  if (page_bytes(img) != n) return refuse();
  shared_put_bytes(img->data, bytes.data(), n);
  note_shared_write();
  record_words r;
  for (int32_t& word : r.w)
    if (!in.take_i32(&word)) return false;
  if (!record_fits(r, img)) return refuse();
  records.emplace_back(page, r);
  return true;
}

bool page_exists(int32_t page) { return page >= 0 && page < screen_pages.count && screen_pages.table[page] != 0; }

// The start-up screen again: mode 0 with 80 columns and 25 rows, its default colours.
void start_up_screen() {
  const int32_t error = error_report.pending.exchange(0);
  screen_setup.text_cols = 80;
  screen_setup.text_rows = 25;
  screen_setup.text_font = 16;
  screen_set(0, 0, 0, 0, 0, 1);
  screen_setup.text_cols = screen_setup.text_rows = screen_setup.text_font = -1;
  screen_setup.untouched = 1;
  if (error) error_report.pending.store(error);
}

int32_t restore_section(chain_source& in) {
  std::vector<std::pair<int32_t, record_words>> records;
  int32_t tag = 0;
  if (!in.take_i32(&tag)) return tag;
  if (tag == chain_tag_mode) {
    int32_t mode;
    if (!in.take_i32(&mode)) return tag;
    // A negative mode would name an image of this program.
    if (mode < 0 || mode_bytes(mode) == 0 || mode == 256 || mode == 32) return refuse(), tag;
    if (mode != 0) screen_set(mode, 0, 0, 0, 0, 1);
    if (!in.take_i32(&tag)) return tag;
    if (tag == chain_tag_width) {
      int32_t cols, rows;
      if (!in.take_i32(&cols) || !in.take_i32(&rows)) return tag;
      width(0, cols, rows, 3);
      if (!in.take_i32(&tag)) return tag;
    }
  } else if (tag == chain_tag_image) {
    int32_t mode, w, h;
    if (!in.take_i32(&mode) || !in.take_i32(&w) || !in.take_i32(&h)) return tag;
    // Page 0's bytes follow in the file: a size it cannot hold is refused before anything is made.
    const int32_t bytes = mode_bytes(mode);
    if (bytes == 0 || !in_range(w, 1, 65535) || !in_range(h, 1, 65535) ||
        static_cast<int64_t>(w) * h * bytes > in.left)
      return refuse(), tag;
    const int32_t handle = new_image(w, h, mode, 1);
    if (handle == -1) raise_error(err_out_of_memory);
    if (handle >= -1) return tag;
    screen_set(handle, 0, 0, 0, 0, 1);
    if (!in.take_i32(&tag)) return tag;
  }
  if (error_report.pending.load()) return tag;
  if (tag == chain_tag_font) {
    int32_t font;
    if (!in.take_i32(&font)) return tag;
    if (static_cast<uint32_t>(font) < first_loaded_font) {
      if (!font_is_builtin(font)) return refuse(), tag;
      set_image_font(font, 0, 1);
    }
    if (!in.take_i32(&tag)) return tag;
  }
  while (tag == chain_tag_page) {
    if (!restore_page(in, records) || !in.take_i32(&tag)) return tag;
  }
  if (tag == chain_tag_pages) {
    int32_t active, visual;
    if (!in.take_i32(&active) || !in.take_i32(&visual)) return tag;
    if (!page_exists(active) || !page_exists(visual)) return refuse(), tag;
    screen_set(0, 0, active, visual, 0, 4 | 8);
    if (!in.take_i32(&tag)) return tag;
  }
  if (tag == chain_tag_palette) {
    uint8_t colours[256 * 4];
    if (!in.take(colours, sizeof colours) || !in.take_i32(&tag)) return tag;
    // Text pages keep a palette each; the pages of a pixel screen share page 0's.
    for (int32_t p = 0; p < screen_pages.count; ++p) {
      if (!screen_pages.table[p]) continue;
      std::atomic<uint32_t>* palette = image_at(screen_pages.table[p])->palette;
      if (!palette) continue;
      for (int32_t i = 0; i < 256; ++i) {
        const uint8_t* c = colours + 4 * i;
        palette_put(palette, i, uint32_t{c[0]} | uint32_t{c[1]} << 8 | uint32_t{c[2]} << 16 | uint32_t{c[3]} << 24);
      }
    }
    note_shared_write();
  }
  if (error_report.pending.load()) return tag;
  // Records last: choosing the pages above resets the colours and print region of the pages chosen.
  display_freeze_wait();
  for (const auto& [page, r] : records)
    if (page_exists(page)) record_apply(r, image_at(screen_pages.table[page]));
  display_link.prev_valid.store(0);
  note_shared_write();
  display_unfreeze();
  return tag;
}

void put_i32(std::string* out, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  const char b[4] = {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                     static_cast<char>(u >> 24)};
  out->append(b, 4);
}

bool name_char(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::string chain_tail_name(std::string_view line) {
  if (line.size() < chain_tail_length) return {};
  const std::string_view tail = line.substr(line.size() - chain_tail_length);
  const std::string_view name = tail.substr(chain_marker.size());
  if (tail.substr(0, chain_marker.size()) != chain_marker || name.substr(0, 5) != "chain" ||
      name.substr(8) != ".tmp" || !name_char(name[5]) || !name_char(name[6]) || !name_char(name[7]))
    return {};
  return std::string(name);
}

int32_t restore_screen_state(int32_t file_number) {
  if (error_report.pending.load()) return 0;
  const int64_t size = file_lof(file_number), at = file_loc(file_number);
  if (error_report.pending.load()) return 0;
  chain_source in{file_number, size - at};
  return restore_section(in);
}

void chain_receive() {
  const std::string name = chain_tail_name(command_line_text());
  if (name.empty()) return;
  // The tail is the runtime's, not the user's: it goes whatever the file holds.
  const int32_t keep = invocation.command_line->len - static_cast<int32_t>(chain_tail_length);
  str_assign(invocation.command_line, str_left(invocation.command_line, keep > 0 ? keep - 1 : 0));
  if (!invocation.arguments.empty()) invocation.arguments.pop_back();
  if (error_report.pending.load()) return;

  // Only a regular file is read: a FIFO would wait for a writer before the
  // first statement, and a link could name anything. It is opened once,
  // without waiting, and read through that descriptor, so nothing put in its
  // place meanwhile is opened. OPEN for binary access would make a missing
  // file; a chain file that is not there stays missing and says so.
  const int checked = open_regular_file(name);
  if (checked == -ENOENT) {
    raise_error(err_file_not_found);
    return;
  }
  if (checked < 0) {
    if (checked == -EINVAL) {
      remove_file(name);  // a link or FIFO goes like any damaged file; a folder stays
      start_up_screen();
      refuse();
    } else {
      raise_error(open_error_number(-checked, true));
    }
    return;
  }
  const std::string through = descriptor_path(checked);
  const int32_t file = file_freefile();
  file_open(str_from_text(through.data(), static_cast<uint32_t>(through.size())), 2, 2, 0, file, -1, 0);
  close_descriptor(checked);
  if (error_report.pending.load()) return;
  chain_source in{file, file_lof(file)};
  int32_t ignored = 0, length = 0;
  std::string directory;
  if (in.take_i32(&ignored) && in.take_i32(&length)) {
    if (!in_range(length, 0, chain_directory_max)) {
      refuse();
    } else {
      directory.resize(static_cast<size_t>(length));
      if (in.take(directory.data(), length)) directory.resize(std::strlen(directory.c_str()));
    }
  }
  if (!error_report.pending.load()) {
    restore_screen_state(file);
    chain_source end{file, file_lof(file) - file_loc(file)};
    end.take_i32(&ignored);
  }
  const int32_t error = error_report.pending.exchange(0);
  file_close(file, 1);
  remove_file(name);
  if (error) {
    start_up_screen();
    error_report.pending.store(0);
    raise_error(error);
    return;
  }
  if (!directory.empty()) chdir_statement(str_from_text(directory.data(), static_cast<uint32_t>(directory.size())));
}

std::string chain_file_bytes(const std::string& directory) {
  std::string out;
  put_i32(&out, 1);
  put_i32(&out, static_cast<int32_t>(directory.size()));
  out += directory;
  const image_record* first = image_at(screen_pages.table[0]);
  if (screen_pages.page0_handed) {
    put_i32(&out, chain_tag_image);
    put_i32(&out, first->mode);
    put_i32(&out, first->width);
    put_i32(&out, first->height);
  } else {
    put_i32(&out, chain_tag_mode);
    put_i32(&out, first->mode);
    if (first->text) {
      put_i32(&out, chain_tag_width);
      put_i32(&out, first->width);
      put_i32(&out, first->height);
    }
  }
  put_i32(&out, chain_tag_font);
  put_i32(&out, static_cast<int32_t>(first->font));
  int32_t active = 0, visual = 0;
  for (int32_t p = 0; p < screen_pages.count; ++p) {
    const int32_t index = screen_pages.table[p];
    if (!index) continue;
    if (index == write_index) active = p;
    if (index == display_link.shown_index.load()) visual = p;
    const image_record* img = image_at(index);
    put_i32(&out, chain_tag_page);
    put_i32(&out, p);
    const size_t at = out.size();
    out.resize(at + page_bytes(img));
    shared_get_bytes(reinterpret_cast<uint8_t*>(out.data() + at), img->data, page_bytes(img));
    const record_words r = record_of(img);
    for (const int32_t word : r.w) put_i32(&out, word);
  }
  put_i32(&out, chain_tag_pages);
  put_i32(&out, active);
  put_i32(&out, visual);
  // The palette the user sees: text pages keep one each, pixel pages share page 0's.
  const image_record* shown = image_at(screen_pages.table[visual]);
  if (shown->palette) {
    put_i32(&out, chain_tag_palette);
    for (int32_t i = 0; i < 256; ++i) put_i32(&out, static_cast<int32_t>(palette_get(shown->palette, i)));
  }
  put_i32(&out, chain_end_marker);
  put_i32(&out, 0);
  return out;
}

std::string chain_file_write(const std::string& folder) {
  if (error_report.pending.load()) return {};
  // The receiver refuses a longer directory text: refuse it here, before the
  // program is replaced.
  const std::string directory = current_directory();
  if (directory.empty() || directory.size() > static_cast<size_t>(chain_directory_max)) {
    refuse();
    return {};
  }
  const std::string bytes = chain_file_bytes(directory);
  // Names are tried from a random start so that programs chaining at the same
  // time in one folder rarely meet; the file is made only where none exists.
  constexpr int32_t names = 36 * 36 * 36;
  const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  const int32_t start = static_cast<int32_t>(static_cast<uint64_t>(ms_counter()) * 2654435761u % names);
  for (int32_t k = 0; k < names; ++k) {
    const int32_t n = (start + k) % names;
    std::string name = "chain";
    name += digits[n / 1296];
    name += digits[n / 36 % 36];
    name += digits[n % 36];
    name += ".tmp";
    const std::string path = folder.empty() ? name : folder + "/" + name;
    platform_file file;
    const int e = platform_create_new_file(path.c_str(), &file);
    if (e == EEXIST) continue;
    if (e != 0) {
      raise_error(open_error_number(e, true));
      return {};
    }
    size_t done = 0;
    int w = platform_write_at(file.fd, 0, bytes.data(), bytes.size(), &done);
    const int c = platform_close_file(&file);
    if (w == 0) w = c;
    if (w != 0) {
      remove_file(path);
      raise_error(byte_error_number(byte_result_of(w)));
      return {};
    }
    return name;
  }
  raise_error(err_path_file_access_error);
  return {};
}

#include "runtime/screen/printer_page.h"

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/image_create.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/surface_fill.h"
#include "runtime/screen/text_output.h"

std::atomic<int32_t> printer_mode{0};
std::atomic<int32_t> printer_busy{0};
int32_t printer_column = 1;
int32_t printer_width = 80;

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
  // Raise printer_mode first, then wait out a main-loop step that began before it.
  printer_mode.store(1);
  while (printer_busy.load()) platform_sleep(busy_poll_ms);
  int32_t index = page_index.load();
  if (!index) {
    index = make_page();
    if (!index) {
      printer_mode.store(0);
      raise_error(7);
      return;
    }
    page_index.store(index);
  }
  saved_write_index = write_index;
  set_write_image(index);
  last_output_ms.store(ms_counter());
}

void printer_end() {
  if (!printer_mode.load()) return;
  if (saved_write_index && image_index_valid(saved_write_index)) set_write_image(saved_write_index);
  saved_write_index = 0;
  printer_mode.store(0);
}

void lprint_text(const str_desc* text, int32_t newline) {
  if (pending_error.load(std::memory_order_relaxed)) return;
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
  printer_busy.store(1);
  if (printer_mode.load() == 0 && holds_output.load() &&
      now_ms - last_output_ms.load() >= static_cast<int64_t>(printer_idle_seconds * 1000))
    printer_page_hand_over();
  printer_busy.store(0);
}

void printer_shutdown_hand_over() {
  if (holds_output.load()) printer_page_hand_over();
}

int32_t printer_column_query(int32_t printer) {
  if (printer < 0 || printer > 3) {
    raise_error(5);
    return 0;
  }
  return printer_column;
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
  printer_mode.store(0);
  printer_busy.store(0);
  printer_column = 1;
  printer_width = 80;
  saved_write_index = 0;
}

#include "runtime/display/display.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/display/detail/indexed_pixels.h"
#include "runtime/gpu/gpu.h"
#include "runtime/platform/platform.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

frame_ring_state frame_ring;

void frame_ring_reset() {
  for (auto& f : frame_ring.frames) {
    f.state.store(sf_free);
    f.order.store(0);
    std::free(f.pixels);
    f.pixels = nullptr;
    f.width = f.height = f.capacity = 0;
  }
  frame_ring.latest_order.store(0);
  frame_ring.rendered_order.store(0);
}

bool frame_for_display(bool* newer) {
  uint64_t shown = 0, newest = 0;
  bool any = false;
  for (auto& f : frame_ring.frames) {
    const int32_t state = f.state.load();
    if (state == sf_shown) shown = std::max(shown, f.order.load()), any = true;
    if (state == sf_ready) newest = std::max(newest, f.order.load()), any = true;
  }
  *newer = newest > shown;
  return any;
}

software_frame* take_frame_for_display(bool* is_new) {
  *is_new = false;
  for (;;) {
    software_frame* shown = nullptr;
    for (auto& f : frame_ring.frames)
      if (f.state.load() == sf_shown) shown = &f;
    const uint64_t floor = shown ? shown->order.load() : 0;
    software_frame* newest = nullptr;
    for (auto& f : frame_ring.frames)
      if (f.state.load() == sf_ready && f.order.load() > floor &&
          (!newest || f.order.load() > newest->order.load()))
        newest = &f;
    if (!newest) return shown;
    // The builder may reuse a ready frame (3 -> 2) at any moment: take it only
    // while it is still ready, else look again.
    int32_t ready = sf_ready;
    if (!newest->state.compare_exchange_strong(ready, sf_shown)) continue;
    const uint64_t order = newest->order.load();
    for (auto& f : frame_ring.frames) {
      if (&f == newest || f.order.load() >= order) continue;
      // Older ready frames are dropped unseen; only the builder leaves state 2.
      int32_t state = f.state.load();
      if (state == sf_ready || state == sf_shown) f.state.compare_exchange_strong(state, sf_free);
    }
    *is_new = true;
    return newest;
  }
}

#ifdef __SSE2__
#include <emmintrin.h>
#endif

frame_builder_state frame_builder;

void frame_builder_reset() {
  frame_builder.build_done.store(0);
  frame_builder.blink_counter.store(0);
}

namespace {

// Comparison copies of the last frame built (builder only).
uint32_t last_palette[256];
std::vector<uint8_t> last_index_bytes(1);
std::vector<uint16_t> last_text_cells;
int32_t last_cursor_col = -1, last_cursor_row = -1;
int32_t last_blink_phase = -1, last_cursor_phase = -1;
// The last text frame drawn showed something that changes with the blink
// phase: a cell with the blink bit, or the cursor. Without it a new phase
// alone draws nothing new, and no frame is made for it.
bool last_phase_shown = true;

// Whether image memory or a palette may have been written since the
// comparison copies were last brought up to date, and the image they hold.
bool writes_pending = true;
const image_record* last_image = nullptr;

// What each frame of the ring holds, so that a text update redraws into a
// frame only the cells that differ from the newest frame (builder only).
std::vector<uint16_t> text_now;          // the cells read by this build
std::vector<uint64_t> cell_drawn_order;  // order of the frame that last drew each cell
uint64_t full_text_order = 0;            // order of the last frame drawn whole
uint64_t frame_text_order[3] = {};       // per frame: order it was published with as a text picture, 0 = none

// Whether the first n entries of an image palette equal last_palette.
bool palette_same(std::atomic<uint32_t>* palette, int32_t n) {
  uint32_t diff = 0;
  for (int32_t i = 0; i < n; ++i) diff |= palette_get(palette, i) ^ last_palette[i];
  return diff == 0;
}

bool software_screen_drawn() { return render_layers.pass[layer_software].load() != 0; }

void answer_freeze() {
  display_freeze_state asked = freeze_asked;
  if (display_link.freeze.load() == freeze_asked && display_link.freeze.compare_exchange_strong(asked, freeze_standing)) {
    display_link.freeze_answers.fetch_add(1, std::memory_order_release);
    wake_word_waiters(display_link.freeze_answers);
  }
}

software_frame* newest_finished_frame() {
  software_frame* newest = nullptr;
  for (auto& f : frame_ring.frames) {
    const int32_t state = f.state.load();
    if ((state == sf_ready || state == sf_shown) && (!newest || f.order.load() > newest->order.load()))
      newest = &f;
  }
  return newest;
}

// A free frame (the highest-numbered wins), else the oldest ready one; taken into state 2.
software_frame* take_frame() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    software_frame* chosen = nullptr;
    const uint64_t counter = frame_order.counter.load();
    for (auto& f : frame_ring.frames)
      if (f.state.load() == sf_ready && f.order.load() < counter && (!chosen || f.order.load() < chosen->order.load()))
        chosen = &f;
    for (auto& f : frame_ring.frames)
      if (f.state.load() == sf_free) chosen = &f;
    if (!chosen) return nullptr;
    int32_t state = chosen->state.load();
    if ((state == sf_free || state == sf_ready) && chosen->state.compare_exchange_strong(state, sf_filling)) {
      chosen->order.store(frame_order.counter.fetch_add(1));
      return chosen;
    }
  }
  return nullptr;
}

bool size_frame(software_frame* f, int32_t width, int32_t height) {
  const int64_t bytes = int64_t{width} * height * 4;
  if (bytes <= 0 || bytes > INT32_MAX) return false;
  if (f->capacity < bytes) {
    std::free(f->pixels);
    f->pixels = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(bytes)));
    f->capacity = f->pixels ? static_cast<int32_t>(bytes) : 0;
    if (!f->pixels) return false;
  }
  f->width = width;
  f->height = height;
  return true;
}

// 32-bit images: the pixels as they are, when they differ from the newest frame.
bool fill_32bit(software_frame* f, image_record* img, int32_t w, int32_t h, screen_read_turn& turn) {
  const size_t bytes = static_cast<size_t>(w) * h * 4;
  software_frame* prev = newest_finished_frame();
  const bool render = full_screen_settings.force_full_refresh.load() || !prev || !display_link.prev_valid.load() ||
                      int64_t{prev->width} * prev->height != int64_t{w} * h;
  if (!render) {
    if (!software_screen_drawn()) return false;
    if (!writes_pending) return false;
    turn.take();
    if (shared_bytes_equal(img->data, reinterpret_cast<const uint8_t*>(prev->pixels), bytes)) {
      writes_pending = false;
      return false;
    }
  }
  if (!size_frame(f, w, h)) return false;
  turn.take();
  shared_get_bytes(reinterpret_cast<uint8_t*>(f->pixels), img->data, bytes);
  writes_pending = false;
  return true;
}

// Indexed images: one byte per pixel through the palette.
bool fill_indexed(software_frame* f, image_record* img, int32_t w, int32_t h, screen_read_turn& turn) {
  const size_t n = static_cast<size_t>(w) * h;
  const int32_t entries = img->bits_per_pixel >= 8 ? 256 : 1 << img->bits_per_pixel;
  std::atomic<uint32_t>* palette = img->palette;
  if (!palette) return false;
  if (img->mode == 10) {
    // The monochrome screen's colours alternate every 512 ms.
    const int phase = (ms_counter() >> 9) & 1;
    for (int k = 0; k < 4; ++k) {
      const uint32_t attribute = palette_get(palette, k + 4);
      if (attribute < 9) palette_put(palette, k, mono_attribute_table[phase][attribute] | 0xFF000000u);
    }
  }
  if (n != last_index_bytes.size()) {
    last_index_bytes.assign(n, 0);
  } else if (!full_screen_settings.force_full_refresh.load()) {
    if (!software_screen_drawn()) return false;
    if (display_link.prev_valid.load()) {
      if (!writes_pending) return false;
      turn.take();
      if (palette_same(palette, entries) && shared_bytes_equal(img->data, last_index_bytes.data(), n)) {
        writes_pending = false;
        return false;
      }
    }
  }
  if (!size_frame(f, w, h)) return false;
  turn.take();
  writes_pending = false;
  for (int i = 0; i < entries; ++i) last_palette[i] = palette_get(palette, i);
  convert_indexed(best_index_path(), f->pixels, last_index_bytes.data(), img->data, n, last_palette,
                  static_cast<uint32_t>(entries - 1));
  return true;
}

// The glyph of character c in a built-in font: 8 bytes a row, non-zero = foreground.
const uint8_t* glyph_of(int32_t font, uint8_t c) { return builtin_glyph_of(static_cast<uint32_t>(font), c).pixels; }

// For each pattern of eight glyph pixels (bit 7 the leftmost), all ones where set.
struct row_masks {
  alignas(16) uint32_t of[256][8];
  row_masks() {
    for (int bits = 0; bits < 256; ++bits)
      for (int x = 0; x < 8; ++x) of[bits][x] = (bits >> (7 - x)) & 1 ? 0xFFFFFFFFu : 0u;
  }
};
const row_masks masks;

// The pattern of a glyph row of eight bytes, non-zero = set.
uint32_t glyph_row_bits(const uint8_t* row) {
  uint64_t v;
  std::memcpy(&v, row, 8);
  // Fold every byte into its lowest bit, then gather those bits, the first byte highest.
  v |= (v >> 4) & 0x0F0F0F0F0F0F0F0Full;
  v |= (v >> 2) & 0x0303030303030303ull;
  v |= (v >> 1) & 0x0101010101010101ull;
  v &= 0x0101010101010101ull;
  if constexpr (std::endian::native == std::endian::little)
    return static_cast<uint32_t>((v * 0x8040201008040201ull) >> 56);
  else
    return static_cast<uint32_t>((v * 0x0102040810204080ull) >> 56);
}

// One text cell, a row at a time: the glyph in fg on bg, each glyph column twice when doubled.
void draw_cell(uint32_t* out, size_t stride, const uint8_t* glyph, int32_t ch, bool doubled, uint32_t fg,
               uint32_t bg) {
#ifdef __SSE2__
  if (glyph && !doubled) {
    const __m128i bgs = _mm_set1_epi32(static_cast<int>(bg));
    const __m128i flip = _mm_xor_si128(bgs, _mm_set1_epi32(static_cast<int>(fg)));
    for (int32_t y = 0; y < ch; ++y, out += stride) {
      const uint32_t* m = masks.of[glyph_row_bits(glyph + y * 8)];
      const __m128i left = _mm_load_si128(reinterpret_cast<const __m128i*>(m));
      const __m128i right = _mm_load_si128(reinterpret_cast<const __m128i*>(m + 4));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_xor_si128(bgs, _mm_and_si128(flip, left)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_xor_si128(bgs, _mm_and_si128(flip, right)));
    }
    return;
  }
#endif
  const uint32_t flip = fg ^ bg;
  for (int32_t y = 0; y < ch; ++y, out += stride) {
    const uint32_t* m = glyph ? masks.of[glyph_row_bits(glyph + y * 8)] : masks.of[0];
    for (int32_t x = 0; x < 8; ++x) {
      const uint32_t pixel = bg ^ (flip & m[x]);
      if (doubled) {
        out[2 * x] = out[2 * x + 1] = pixel;
      } else {
        out[x] = pixel;
      }
    }
  }
}

// One text cell of a loaded font: each pixel mixed from bg to fg by the
// glyph's coverage in every channel; all bg without cells.
void draw_coverage_cell(uint32_t* out, size_t stride, const uint8_t* coverage, int32_t cw, int32_t ch, uint32_t fg,
                        uint32_t bg) {
  for (int32_t y = 0; y < ch; ++y, out += stride) {
    const uint8_t* row = coverage ? coverage + static_cast<size_t>(y) * cw : nullptr;
    for (int32_t x = 0; x < cw; ++x) {
      const uint32_t c = row ? row[x] : 0;
      if (c == 0 || c == 255) {
        out[x] = c ? fg : bg;
        continue;
      }
      out[x] = coverage_mix(fg, bg, c);
    }
  }
}

// Text images: per cell, only what changed (plus the cursor and blinking cells).
// slot is the frame's place in the ring and held what it held as a text picture.
bool fill_text(software_frame* f, image_record* img, int32_t w, int32_t h, size_t slot, uint64_t held,
               screen_read_turn& turn) {
  const int32_t font = static_cast<int32_t>(img->font);
  const int32_t cw = font_width_of(font), ch = font_height_of(font);
  // A loaded font's glyphs come cut to cells by the font engine (by the
  // characters' Unicode code points); they stay as they are while the font is shown.
  const bool loaded = font >= first_loaded_font;
  const uint8_t* loaded_cells = loaded ? font_text_cells(font) : nullptr;
  const size_t cell_pixels = static_cast<size_t>(cw) * ch;
  const int32_t cols = img->width, rows = img->height;
  const size_t cells = static_cast<size_t>(cols) * rows;

  bool valid = display_link.prev_valid.load() != 0 && full_screen_settings.force_full_refresh.load() == 0;
  bool changed = false;
  if (last_text_cells.size() != cells) {
    last_text_cells.assign(cells, 0);
    cell_drawn_order.assign(cells, 0);
    text_now.resize(cells);
    valid = false;
  }
  if (!software_screen_drawn() && valid) {
    frame_text_order[slot] = held;
    return false;
  }

  // With nothing written since the last comparison, cells and palette are as they were.
  const bool compare = !valid || writes_pending;
  if (compare) turn.take();
  if (!valid) {
    for (int i = 0; i < 256; ++i) last_palette[i] = img->palette ? palette_get(img->palette, i) : 0;
  } else if (compare && img->palette && !palette_same(img->palette, 256)) {
    for (int i = 0; i < 256; ++i) last_palette[i] = palette_get(img->palette, i);
    valid = false;
  }

  if (valid && compare &&
      !shared_bytes_equal(img->data, reinterpret_cast<const uint8_t*>(last_text_cells.data()), cells * 2))
    changed = true;

  const int32_t phase = (frame_builder.blink_counter.load() >> 3) & 1;
  int32_t cursor_col = cursor_col_of(img) - 1, cursor_row = cursor_row_of(img) - 1;
  if (shared_get(img->line_held) == 2 && cursor_row < rows - 1) {
    cursor_col = 0;
    cursor_row += 1;
  }
  const bool blink_moved = phase != last_blink_phase;
  const bool cursor_moved = cursor_col != last_cursor_col || cursor_row != last_cursor_row;
  const bool phase_shown = last_phase_shown || shared_get(img->cursor_visible) != 0;
  if (!valid || (blink_moved && phase_shown) || cursor_moved) changed = true;
  if (!changed) {
    writes_pending = false;  // compared: the same as drawn
    frame_text_order[slot] = held;
    return false;
  }
  // The frame keeps its picture when it has the size already (no new buffer).
  const bool frame_holds = held != 0 && held >= full_text_order && f->pixels && f->width == w && f->height == h;
  if (!size_frame(f, w, h)) return false;
  const size_t stride = static_cast<size_t>(w);

  if (valid) {
    software_frame* prev = newest_finished_frame();
    if (prev && prev != f && prev->width == w && prev->height == h) {
      if (frame_holds) {
        // Only the cells drawn since this frame was shown last differ from the newest frame.
        for (size_t i = 0; i < cells; ++i) {
          if (cell_drawn_order[i] <= held) continue;
          const size_t at = (i / cols) * ch * stride + (i % cols) * cw;
          for (int32_t y = 0; y < ch; ++y)
            std::memcpy(f->pixels + at + y * stride, prev->pixels + at + y * stride, static_cast<size_t>(cw) * 4);
        }
      } else {
        std::memcpy(f->pixels, prev->pixels, stride * h * 4);
      }
    } else {
      alert("Text Screen Update: Failed to locate previous frame's data for comparison");
      valid = false;
    }
  }

  turn.take();
  writes_pending = false;
  shared_get_bytes(reinterpret_cast<uint8_t*>(text_now.data()), img->data, cells * 2);
  const uint64_t order = f->order.load();
  const bool blinking = display_link.blink_enabled.load() != 0;
  const bool doubled = font == 9 || font == 15 || font == 17;
  const bool cursor_shown = shared_get(img->cursor_visible) != 0;
  bool blink_cells = false;
  for (int32_t row = 0; row < rows; ++row) {
    for (int32_t col = 0; col < cols; ++col) {
      const size_t i = static_cast<size_t>(row) * cols + col;
      const uint16_t cell = text_now[i];
      const uint8_t c = static_cast<uint8_t>(cell & 0xFF), attr = static_cast<uint8_t>(cell >> 8);
      if (attr & 0x80) blink_cells = true;
      const bool is_cursor = col == cursor_col && row == cursor_row;
      const bool was_cursor = col == last_cursor_col && row == last_cursor_row;
      if (valid && cell == last_text_cells[i] && (!(attr & 0x80) || !blink_moved) &&
          (!is_cursor || !blink_moved) && (!was_cursor || !cursor_moved))
        continue;
      last_text_cells[i] = cell;
      cell_drawn_order[i] = order;
      uint32_t fg = last_palette[attr & 0x0F];
      uint32_t bg;
      if (blinking) {
        bg = last_palette[(attr >> 4) & 0x07];
        if ((attr & 0x80) && phase == 1) fg = bg;
      } else {
        bg = last_palette[(attr >> 4) & 0x0F];
      }
      uint32_t* out = f->pixels + static_cast<size_t>(row) * ch * stride + static_cast<size_t>(col) * cw;
      if (loaded)
        draw_coverage_cell(out, stride, loaded_cells ? loaded_cells + c * cell_pixels : nullptr, cw, ch, fg, bg);
      else
        draw_cell(out, stride, glyph_of(font, c), ch, doubled, fg, bg);
      if (is_cursor && cursor_shown && phase == 1) {
        const cursor_span span =
            cursor_rows(shared_get(img->cursor_first_line), shared_get(img->cursor_last_line), ch);
        const uint32_t colour = last_palette[attr & 0x0F];
        for (int32_t y = std::max(span.first, 0); y < span.first + span.count && y < ch; ++y)
          for (int32_t x = 0; x < cw; ++x) out[y * stride + x] = colour;
      }
    }
  }
  if (!valid) full_text_order = order;
  last_blink_phase = phase;
  last_cursor_phase = phase;
  last_phase_shown = blink_cells || cursor_shown;
  last_cursor_col = cursor_col;
  last_cursor_row = cursor_row;
  frame_text_order[slot] = order;
  return true;
}

// A copy of the page's text asked for by another thread: asked and answered
// under capture_lock; capture_wanted lets the builder skip the lock otherwise.
std::mutex capture_lock;
std::condition_variable capture_done;
std::atomic<bool> capture_wanted{false};
uint64_t captures_asked = 0, captures_answered = 0;
std::vector<std::string> captured_rows;

void answer_text_capture() {
  std::vector<std::string> rows;
  {
    screen_read_turn turn;
    turn.take();
    rows = image_text_rows(display_link.shown_image.load());
  }
  {
    std::lock_guard<std::mutex> hold(capture_lock);
    captured_rows = std::move(rows);
    captures_answered = captures_asked;
    capture_wanted.store(false);
  }
  capture_done.notify_all();
}

}  // namespace

cursor_span cursor_rows(int32_t s, int32_t e, int32_t ch) {
  // n rows upward from the bottom: from ch - 1, or from row 14 in a 16-row cell.
  auto bottom = [ch](int32_t n) {
    const int32_t last = ch - 1 == 15 ? 14 : ch - 1;
    return cursor_span{last - n + 1, n};
  };
  auto down = [ch](int32_t r, int32_t n) { return r >= ch ? cursor_span{0, 0} : cursor_span{r, n}; };
  auto to_bottom = [ch, &down](int32_t r) { return down(r, ch - r); };
  if (e == 0 && s != 0) return {0, 0};
  if (e == 0 && s == 0) return down(0, 1);
  if (e < s) return to_bottom(e);
  if (s == e && s <= 3) return down(s, 1);
  if (s == e) return bottom(1);
  if (s >= 3 && e == s + 1) return bottom(2);
  if (s >= 3 && e == s + 2) return bottom(3);
  if (s >= 3) return {ch - ch / 2, ch / 2};
  if (s <= 1 && e <= 3) return down(s, e - s + 1);
  if (s <= 1) return to_bottom(s);
  if (s == 2 && e == 3) return down(2, 2);
  if (s == 2 && e == 4) return bottom(3);
  return to_bottom(2);
}

void build_software_frame() {
  answer_freeze();
  if (capture_wanted.load() && display_link.freeze.load() == freeze_off) answer_text_capture();
  if (window_presence.hidden.load()) {
    frame_builder.build_done.store(1);
    return;
  }
  if (display_link.freeze.load() == freeze_off) {
    software_frame* f = take_frame();
    if (!f) {
      alert("Software frame buffer: Failed to find available frame");
      return;
    }
    // A switch to manual display asked before this point ends with this frame.
    int32_t asked = auto_display_switch_asked;
    display_link.automatic.compare_exchange_strong(asked, auto_display_switching);
    image_record* img = display_link.shown_image.load();
    // Only a text build that leaves the frame untouched keeps what it held.
    const size_t slot = static_cast<size_t>(f - frame_ring.frames);
    const uint64_t held = frame_text_order[slot];
    frame_text_order[slot] = 0;
    bool publish = false;
    // Writes seen here are ordered before the reads below; later ones set the flag again.
    if (shared_memory_written.exchange(false, std::memory_order_acquire)) writes_pending = true;
    if (img != last_image) {
      writes_pending = true;
      last_image = img;
    }
    screen_read_turn turn;
    if (img && img->valid && img->data) {
      int32_t w = img->width, h = img->height;
      if (img->text) {
        const int32_t font = static_cast<int32_t>(img->font);
        w = img->width * font_width_of(font);
        h = img->height * font_height_of(font);
      }
      if (w > 0 && h > 0) {
        if (img->text)
          publish = fill_text(f, img, w, h, slot, held, turn);
        else if (img->bits_per_pixel == 32)
          publish = fill_32bit(f, img, w, h, turn);
        else
          publish = fill_indexed(f, img, w, h, turn);
      }
    }
    const uint64_t order = f->order.load();
    if (publish) {
      full_screen_settings.force_full_refresh.store(0);
      display_link.prev_valid.store(1);
      f->state.store(sf_ready);
      frame_ring.latest_order.store(order);
    } else {
      frame_ring.latest_order.store(order);
      f->state.store(sf_free);
    }
    // The window thread sleeps until there is something new to draw: a frame,
    // or hardware-layer commands it has not drawn (or must now drop).
    if (publish || frame_order.newest_command.load() >= frame_ring.rendered_order.load()) wake_signal();
  }
  answer_freeze();
  int32_t switching = auto_display_switching;
  if (display_link.automatic.compare_exchange_strong(switching, 0)) program_wake();  // switch_to_manual_display waits
  frame_builder.build_done.store(1);
}

void switch_to_manual_display() {
  if (display_link.automatic.load() == 0) return;
  display_link.automatic.store(auto_display_switch_asked);
  // The builder wakes the program thread once the switch is made; no frames
  // come once the shutdown has begun (which wakes it too).
  for (;;) {
    const uint32_t seen = program_wakes();
    if (display_link.automatic.load() == 0 || run_flags.shutdown_started.load() != 0) break;
    program_wait(seen, -1);
  }
}

void display_statement() {
  if (window_presence.hidden.load()) return;
  if (display_link.automatic.load() != 0) {
    switch_to_manual_display();
    return;
  }
  build_software_frame();
}

void auto_display_statement() { display_link.automatic.store(1); }

void display_frame_step() {
  if (display_link.automatic.load() != 0) build_software_frame();
  frame_builder.blink_counter.fetch_add(1);
}

int32_t auto_display_query() { return display_link.automatic.load() != 0 ? -1 : 0; }

bool display_text_capture(std::vector<std::string>* rows, int32_t timeout_ms) {
  std::unique_lock<std::mutex> hold(capture_lock);
  const uint64_t number = ++captures_asked;
  capture_wanted.store(true);
  const bool answered = capture_done.wait_for(hold, std::chrono::milliseconds(timeout_ms),
                                              [number] { return captures_answered >= number; });
  if (answered) *rows = captured_rows;
  return answered;
}

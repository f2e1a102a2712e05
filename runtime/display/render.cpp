#include "runtime/display/display.h"

#include "runtime/core/core.h"
#include "runtime/gpu/gpu.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"

namespace {

// Window-thread state of the render.
bool render_busy = false;
std::atomic<bool> damaged{true};
bool resized = true;
int32_t screen_w = 640, screen_h = 400;
int32_t screen_image = 0;  // hardware image of the shown frame
int32_t letterbox_image = 0;
// What the last render drew over the software screen.
int32_t drawn_overlay = 0;
int32_t drawn_display_order[5] = {};

// Whether a render of frame order render_order can show anything other than the
// last render did, beyond a new software frame: commands tagged with the last
// rendered order (which this render would drop) or later, or another overlay or
// display order. The frame numbering moves on every frame step, also when the
// builder found nothing new; redrawing the same picture for that alone would
// keep the window redrawing about 30 times a second.
bool same_view(const view_mapping& a, const view_mapping& b) {
  return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1 && a.scale_x == b.scale_x &&
         a.scale_y == b.scale_y && a.letterbox == b.letterbox && a.smooth == b.smooth;
}

bool layers_changed(uint64_t render_order) {
  const uint64_t rendered = frame_ring.rendered_order.load();
  if (render_order != rendered && frame_order.newest_command.load() >= rendered) return true;
  if (render_layers.overlay.load() != drawn_overlay) return true;
  for (int32_t kind = 1; kind <= 4; ++kind)
    if (render_layers.pass[kind].load() != drawn_display_order[kind]) return true;
  return false;
}

void draw_software_screen(software_frame* frame, bool is_new, int32_t pass) {
  if (!frame) return;
  if (is_new || screen_image == 0) {
    if (screen_image) free_hardware_img(screen_image);
    screen_image = make_hardware_img(frame->width, frame->height, frame->pixels, 0);
    if (screen_image == 0) {
      alert("Invalid software_screen_hardware_frame!!");
      return;
    }
  }
  if (!hardware_img_get(screen_image)) {
    alert("Invalid software_screen_hardware_frame!");
    return;
  }
  draw_rect(0, 0, static_cast<float>(frame->width - 1), static_cast<float>(frame->height - 1), screen_image, 0,
            0, 0, static_cast<float>(frame->width - 1), static_cast<float>(frame->height - 1), pass > 1 ? 1 : 0,
            render_layers.view.smooth ? 1 : 0);
  flush_batch();
}

// Black bars beside or above and below a picture that keeps its aspect. They
// cover the window outside view_rect exactly (mapped from screen coordinates,
// the rounding of the view would let them reach one row into the picture).
void draw_letterbox() {
  const view_mapping& v = render_layers.view;
  if (v.letterbox == 0) return;
  if (letterbox_image == 0) {
    uint32_t black = 0;
    letterbox_image = make_hardware_img(1, 1, &black, 0);
  }
  const int32_t ww = window_size.width.load(), wh = window_size.height.load();
  if (v.letterbox == 1) {
    if (v.x0 > 0) draw_window_rect(0, 0, v.x0 - 1, wh - 1, letterbox_image);
    if (v.x1 < ww - 1) draw_window_rect(v.x1 + 1, 0, ww - 1, wh - 1, letterbox_image);
  } else {
    if (v.y0 > 0) draw_window_rect(0, 0, ww - 1, v.y0 - 1, letterbox_image);
    if (v.y1 < wh - 1) draw_window_rect(0, v.y1 + 1, ww - 1, wh - 1, letterbox_image);
  }
  flush_batch();
}

void draw_overlay() {
  const int32_t index = hardware_index_of(render_layers.overlay.load());
  hardware_img* img = index ? hardware_img_get(index) : nullptr;
  if (!img) return;
  draw_rect(0, 0, static_cast<float>(screen_w - 1), static_cast<float>(screen_h - 1), index, 0, 0, 0,
            static_cast<float>(img->width - 1), static_cast<float>(img->height - 1), 1, 0);
  flush_batch();
}

// Where the shown frame lands in the window with the present size and settings.
view_mapping window_view() {
  return compute_view(screen_w, screen_h, window_size.width.load(), window_size.height.load(), full_screen_settings.mode.load(),
                      full_screen_settings.smooth.load(), window_size.scaling.load());
}

}  // namespace

bool render_frame() {
  if (render_busy) return false;
  render_busy = true;
  bool drawn = false;

  bool is_new = false;
  software_frame* frame = take_frame_for_display(&is_new);
  const uint64_t render_order = frame_ring.latest_order.load();
  const bool full_screen_pending = full_screen_settings.request.load() != full_screen_no_request;
  // Nothing is drawn before the first frame exists.
  const bool redraw = frame && damaged.exchange(false);
  if (frame) {
    // Also without a new picture: the window follows the resize settings.
    screen_w = frame->width;
    screen_h = frame->height;
    window_size_step(screen_w, screen_h);
  }
  const view_mapping view = window_view();
  if (frame && (is_new || full_screen_pending || resized || redraw || !same_view(view, render_layers.view) ||
                layers_changed(render_order))) {
    // Taken before drawing: a change during the render makes the next one draw again.
    drawn_overlay = render_layers.overlay.load();
    for (int32_t kind = 1; kind <= 4; ++kind) drawn_display_order[kind] = render_layers.pass[kind].load();
    render_layers.view = view;
    resized = false;
    set_window_size(window_size.width.load(), window_size.height.load());

    set_target(0);
    set_projection(projection_reset);
    set_projection(projection_2d);
    clear_target();
    begin_command_passes(render_order);
    for (int32_t pass = 1; pass <= 4; ++pass) {
      for (int32_t kind = 1; kind <= 4; ++kind) {
        if (render_layers.pass[kind].load() != pass) continue;
        if (kind == layer_software)
          draw_software_screen(frame, is_new, pass);
        else if (kind == layer_hardware_1 || kind == layer_hardware_2)
          run_layer_commands(kind);
      }
    }
    draw_letterbox();
    draw_overlay();
    frame_ring.rendered_order.store(render_order);
    drawn = true;
  }
  render_busy = false;
  return drawn;
}

bool render_wanted() {
  if (render_busy) return false;
  bool newer = false;
  if (!frame_for_display(&newer)) return false;
  if (newer || damaged.load() || resized || full_screen_settings.request.load() != full_screen_no_request) return true;
  window_size_step(screen_w, screen_h);  // screen_w/h: the frame shown, set by the last render
  const view_mapping view = window_view();
  return !same_view(view, render_layers.view) || layers_changed(frame_ring.latest_order.load());
}

void window_resized() { resized = true; }

void window_damaged() { damaged.store(true); }

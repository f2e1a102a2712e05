#pragma once
// Hardware images (images held as OpenGL textures), the render commands the
// program issues against them, and the OpenGL drawing the window thread does
// with both. The program thread makes and releases images and issues commands;
// everything that touches OpenGL runs on the window thread.
#include <atomic>
#include <cstdint>

#include "runtime/core/core.h"

// Where the emulated screen lands in the window: scaling, aspect and letterbox.

struct view_mapping {
  int32_t x0 = 0, y0 = 0, x1 = 639, y1 = 399;  // view_rect in window pixels
  float scale_x = 1.0f, scale_y = 1.0f;
  int32_t letterbox = 0;  // 0 none, 1 bars left and right, 2 bars above and below
  bool smooth = false;
};

// How the screen fills the window in full screen: not at all (a window),
// stretched over the display, or stretched keeping its aspect ratio between
// black bars. A request word uses full_screen_no_request when none is pending.
enum full_screen_kind : int32_t {
  full_screen_no_request = -1,
  full_screen_off = 0,
  full_screen_stretched = 1,
  full_screen_keep_aspect = 2,
};

// How a window of another size than the screen shows it: unscaled, scaled,
// or scaled with linear filtering.
enum resize_scaling : int32_t { resize_unscaled = 0, resize_scaled = 1, resize_scaled_smooth = 2 };

// The mapping for a screen of sw x sh in a window of ww x wh.
view_mapping compute_view(int32_t sw, int32_t sh, int32_t ww, int32_t wh, full_screen_kind full_screen_mode,
                          int32_t full_screen_smooth, resize_scaling resize_mode);

struct window_rect {
  int32_t left, top, right, bottom;
};

// A screen-space rectangle (a, b)-(c, d) in window pixels.
window_rect map_to_window(const view_mapping& v, float a, float b, float c, float d);

// Images held as OpenGL textures. The records live in a locked handle list; the
// textures are made, drawn and deleted on the window thread only.

// The size a texture was made at: the image's own, padded to powers of two,
// or scaled by the mipmap builder (which always filters linearly).
enum texture_size : int32_t { texture_exact = 0, texture_padded = 1, texture_mipmapped = 2 };

struct hardware_img {
  int32_t width = 0, height = 0;
  uint32_t texture = 0;        // 0 while the upload is deferred
  uint32_t framebuffer = 0;    // 0 until first used as a render target
  uint32_t depth_texture = 0;  // 0 until a depth clear needs it
  uint32_t* pixels = nullptr;  // pixels waiting for a deferred upload
  int32_t blend_off = 0;
  std::atomic<int32_t> valid{0};
  std::atomic<int32_t> released{0};  // the program let go of its handle; freed once its commands ran
  int32_t mag_filter = -1, min_filter = -1, wrap = -1;  // cached texture parameters
  texture_size size_mode = texture_exact;
  int32_t texture_width = 0, texture_height = 0;
  int32_t target_projection = -1;  // cached projection while this image is the target
};

constexpr int32_t hardware_handle_base = 16777216;

// Flags of make_hardware_img.
constexpr int32_t hw_defer_upload = 1;  // keep the pixels; the texture is made when first used
constexpr int32_t hw_copy_pixels = 2;   // with deferring: take a private copy, else take over the buffer

void hardware_images_init();

// A new record; without deferring the texture is made at once (window thread).
int32_t make_hardware_img(int32_t width, int32_t height, uint32_t* pixels, int32_t flags);
hardware_img* hardware_img_get(int32_t index);
void upload_deferred(int32_t index);
void free_hardware_img(int32_t index);

// Program handles: index - 16777216, valid from -16777216 up to -8388608 (exclusive).
int32_t hardware_handle_of(int32_t index);
// The record's index for a live handle the program still holds, else 0.
int32_t hardware_index_of(int64_t handle);
// Program side: marks a held handle released (0 when it named no held image, else the index).
int32_t hardware_release_handle(int64_t handle);

// Render commands: issued by the program thread, tagged with the frame order
// current at the time, executed by the display callback in the layer passes.

constexpr int32_t hgc_draw_rect = 1;
constexpr int32_t hgc_release_image = 2;
constexpr int32_t hgc_free_image = 3;
constexpr int32_t hgc_draw_triangle = 4;
constexpr int32_t hgc_draw_triangle_depth = 5;
constexpr int32_t hgc_clear_depth = 6;

struct hgc {
  uint64_t order = 0;
  std::atomic<int32_t> next{0};  // index of the next command, 0 = last
  int32_t kind = 0;
  int32_t variant = 0;  // only 0 is executed
  int32_t source = 0;   // hardware image index drawn from
  int32_t target = 0;   // 0 first layer, -1 second layer, > 0 hardware image drawn into
  float dest[9] = {};   // rectangle: x1, y1, x2, y2; triangles: three points (x, y, z)
  float src[8] = {};    // rectangle: x1, y1, x2, y2; triangles: three points (x, y)
  int32_t smooth = 0;
  int32_t cull = 0;
  int32_t depth_mode = 0;
  int32_t blend = 0;
  std::atomic<int32_t> rendered{0};
};

// The frame order: every software frame the display takes gets the next number,
// and every render command is tagged with the number current when it is issued,
// so a render runs the commands of the frame it shows. Larger is newer. Any
// thread reads it; the frame builder advances counter, the program thread
// (issuing commands) stores newest_command.
struct frame_order_record {
  std::atomic<uint64_t> counter{1};
  // The order the newest render command was tagged with (0 before the first).
  // A render of a later frame looks at it to tell whether the hardware layers
  // can differ from those of the last render.
  std::atomic<uint64_t> newest_command{0};
};
extern frame_order_record frame_order;

// Layer kinds of the display order.
constexpr int32_t layer_software = 1;
constexpr int32_t layer_hardware_1 = 2;
constexpr int32_t layer_hardware_2 = 3;
constexpr int32_t layer_reserved = 4;

// How a render puts the layers together: set by the program thread's
// statements, read by the window thread, which alone writes view.
struct render_layers_record {
  // Pass number (1-4, 0 = not drawn) of each layer kind, indexed by kind.
  std::atomic<int32_t> pass[5] = {0, 1, 2, 4, 3};
  // Hardware image handle drawn over the whole screen after every pass (0 = none).
  std::atomic<int32_t> overlay{0};
  view_mapping view;  // the mapping of the last render (window thread)
};
extern render_layers_record render_layers;

// The layers in their start-up order, no overlay, the view of a 640 x 400
// window. Only where no other thread runs.
void render_layers_reset();

void render_commands_init();

// Program thread: drops executed commands (turning releases into frees) and
// appends a copy of command, tagged with the current order. Returns its index.
int32_t issue_command(const hgc& command);
void purge_commands();

// The overlay statement: a held hardware image handle, or 0 for none (error 258 otherwise).
void set_overlay_image(int64_t handle);

// The display-order statement: the layer kinds in pass order, 0 = empty slot.
void set_display_order(int32_t a, int32_t b, int32_t c, int32_t d);

// Window thread, inside a render whose latest order is render_order.
void begin_command_passes(uint64_t render_order);
void run_layer_commands(int32_t layer_kind);

// The commands kept in the list, oldest first, and one command by index (null when none).
int32_t commands_kept();
const hgc* command_at(int32_t index);

// Drawing with OpenGL on the window thread: the render target, the projection,
// cached state, and rectangles and triangles gathered into one vertex batch.

constexpr int32_t projection_2d = 0;
constexpr int32_t projection_3d = 1;
constexpr int32_t projection_reset = 2;

// The window's size in pixels, for drawing onto it: set by the render before
// it draws (window thread).
void set_window_size(int32_t width, int32_t height);

// Render target: 0 the window, > 0 a hardware image (drawn into through a framebuffer object).
void set_target(int32_t index);
void set_projection(int32_t mode);

// Clears the current target to opaque black, colour and depth.
void clear_target();

// The largest viewport side the OpenGL context can draw (the smaller of its
// width and height limits); 0 when it does not say.
int32_t max_viewport_side();

// Cached state setters: each flushes the batch before it changes anything.
void set_blend(int32_t on);
void set_depth_mode(int32_t mode);  // 0 off, 1 test and write, 2 test only
void set_cull(int32_t mode);        // 0 off, 1 clockwise front faces, 2 counter-clockwise
void forget_bound_texture();
void forget_image_state(int32_t index);  // the image is about to be freed

// Rectangle from a source image into the target (0 the window: screen pixels
// mapped through the view). Corners may come in any order; a source running
// backwards mirrors the picture.
void draw_rect(float dx1, float dy1, float dx2, float dy2, int32_t source, int32_t target, float sx1,
               float sy1, float sx2, float sy2, int32_t blend, int32_t smooth);

// Pixel (0, 0) of a source drawn over window pixels (x1, y1)-(x2, y2), without
// blending or smoothing: the letterbox bars.
void draw_window_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t source);

// Triangle from three source points into three destination points; with depth
// the destination points carry z, drawn with the given depth and cull modes.
void draw_triangle(const float dest[9], bool with_depth, int32_t source, int32_t target, const float src[6],
                   int32_t blend, int32_t smooth, int32_t depth_mode, int32_t cull);

// Clears the depth of a target (an image gets a depth texture first).
void clear_depth(int32_t target);

void flush_batch();

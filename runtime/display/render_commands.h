#pragma once
// Render commands: issued by the program thread, tagged with the frame order
// current at the time, executed by the display callback in the layer passes.
#include <atomic>
#include <cstdint>

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

// Layer kinds of the display order.
constexpr int32_t layer_software = 1;
constexpr int32_t layer_hardware_1 = 2;
constexpr int32_t layer_hardware_2 = 3;
constexpr int32_t layer_reserved = 4;

// Pass number (1-4, 0 = not drawn) of each layer kind, indexed by kind.
extern std::atomic<int32_t> display_order[5];
// Hardware image handle drawn over the whole screen after every pass (0 = none).
extern std::atomic<int32_t> overlay_image;

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

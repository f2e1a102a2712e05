#include "runtime/gpu/gpu.h"

#include <new>

#include "runtime/core/core.h"
#include "runtime/platform/platform.h"

frame_order_record frame_order;

namespace {

list* hgc_list = nullptr;
std::atomic<int32_t> first_command{0};   // oldest command still kept
std::atomic<int32_t> last_command{0};    // tail, for appending (program thread)
std::atomic<int32_t> last_executed{0};   // newest command executed by a catch-up
// The order of the oldest kept command, kept beside first_command so that the
// window thread can report it without reading a record the program thread may
// be dropping.
std::atomic<uint64_t> first_order{0};

// Per render (window thread).
uint64_t current_order = 0;
int32_t pass_start = 0;  // first command of the render's own order
bool first_hardware_pass = true;
bool chain_broken = false;

hgc* command(int32_t index) { return index ? static_cast<hgc*>(list_get(hgc_list, index)) : nullptr; }

void report_missing(int32_t index) {
  alert_number(static_cast<int32_t>(current_order));
  alert_number(static_cast<int32_t>(first_order.load()));
  alert_number(index);
  alert("Renderer: Command does not exist.");
  chain_broken = true;  // nothing more is executed in this render
}

bool targets_image(const hgc& c) { return c.target > 0; }

void execute(const hgc& c) {
  switch (c.kind) {
    case hgc_free_image:
      free_hardware_img(c.source);
      break;
    case hgc_draw_rect:
      draw_rect(c.dest[0], c.dest[1], c.dest[2], c.dest[3], c.source, c.target, c.src[0], c.src[1], c.src[2],
                c.src[3], c.blend, c.smooth);
      break;
    case hgc_draw_triangle:
    case hgc_draw_triangle_depth: {
      float dest[9] = {c.dest[0], c.dest[1], c.dest[2], c.dest[3], c.dest[4],
                       c.dest[5], c.dest[6], c.dest[7], c.dest[8]};
      draw_triangle(dest, c.kind == hgc_draw_triangle_depth, c.source, c.target, c.src, c.blend, c.smooth,
                    c.depth_mode, c.cull);
      break;
    }
    case hgc_clear_depth:
      clear_depth(c.target);
      break;
    default:
      break;  // a release waits for the purge to turn it into a free
  }
}

// Commands of earlier frames: only their work on hardware images is left to do.
void catch_up() {
  int32_t index = first_command.load();
  if (const int32_t executed = last_executed.load()) {
    const hgc* last = command(executed);
    if (!last) {
      alert("Rendering: Last HGC is NULL!");
      chain_broken = true;
      return;
    }
    index = last->next.load();
  }
  while (index != 0) {
    hgc* c = command(index);
    if (!c) {
      report_missing(index);
      return;
    }
    if (c->order >= current_order) break;
    if (c->variant == 0 && !c->rendered.load() && (c->kind == hgc_free_image || targets_image(*c)))
      execute(*c);
    c->rendered.store(1);
    last_executed.store(index);
    int32_t none = 0;
    if (first_command.compare_exchange_strong(none, index)) first_order.store(c->order);
    index = c->next.load();
  }
  pass_start = index;
}

}  // namespace

void render_commands_init() {
  if (!hgc_list) hgc_list = list_new(sizeof(hgc));
}

int32_t issue_command(const hgc& fields) {
  purge_commands();
  const int32_t index = list_add(hgc_list);
  if (index == 0) return 0;
  hgc* c = new (list_get(hgc_list, index)) hgc;
  c->kind = fields.kind;
  c->variant = fields.variant;
  c->source = fields.source;
  c->target = fields.target;
  for (int i = 0; i < 9; ++i) c->dest[i] = fields.dest[i];
  for (int i = 0; i < 8; ++i) c->src[i] = fields.src[i];
  c->smooth = fields.smooth;
  c->cull = fields.cull;
  c->depth_mode = fields.depth_mode;
  c->blend = fields.blend;
  c->order = frame_order.counter.load();
  frame_order.newest_command.store(c->order);
  // Linked only once filled: the window thread may follow the chain at any time.
  const int32_t tail = last_command.load();
  if (hgc* t = command(tail))
    t->next.store(index);
  last_command.store(index);
  int32_t none = 0;
  if (first_command.compare_exchange_strong(none, index)) first_order.store(c->order);
  return index;
}

void purge_commands() {
  const int32_t executed = last_executed.load();
  if (executed == 0) return;
  // Everything before the last executed command has been executed and is no
  // longer read by the window thread.
  for (int32_t index = first_command.load(); index != 0 && index != executed;) {
    hgc* c = command(index);
    if (!c) break;
    const int32_t next = c->next.load();
    if (c->kind == hgc_release_image) {
      const int32_t freed = list_add(hgc_list);
      if (freed) {
        hgc* f = new (list_get(hgc_list, freed)) hgc;
        f->kind = hgc_free_image;
        f->source = c->source;
        f->order = frame_order.counter.load();
        frame_order.newest_command.store(f->order);
        if (hgc* t = command(last_command.load())) t->next.store(freed);
        last_command.store(freed);
      }
    }
    const hgc* following = command(next);
    first_order.store(following ? following->order : 0);
    first_command.store(next);
    list_remove(hgc_list, index);
    index = next;
  }
}

void set_display_order(int32_t a, int32_t b, int32_t c, int32_t d) {
  if (error_report.pending.load()) return;
  const int32_t slots[4] = {a, b, c, d};
  for (int i = 0; i < 4; ++i) {
    if (slots[i] < 0 || slots[i] > 4) {
      raise_error(err_illegal_function_call);
      return;
    }
    for (int j = i + 1; j < 4; ++j)
      if (slots[i] != 0 && slots[i] == slots[j]) {
        raise_error(err_illegal_function_call);
        return;
      }
  }
  for (int kind = 1; kind <= 4; ++kind) render_layers.pass[kind].store(0);
  for (int i = 0; i < 4; ++i)
    if (slots[i]) render_layers.pass[slots[i]].store(i + 1);
  wake_signal();
}

void set_overlay_image(int64_t handle) {
  if (error_report.pending.load()) return;
  if (handle != 0 && hardware_index_of(handle) == 0) {
    raise_error(err_invalid_handle);
    return;
  }
  render_layers.overlay.store(static_cast<int32_t>(handle));
  wake_signal();
}

void begin_command_passes(uint64_t render_order) {
  current_order = render_order;
  first_hardware_pass = true;
  chain_broken = false;
  pass_start = 0;
}

void run_layer_commands(int32_t layer_kind) {
  if (first_hardware_pass) catch_up();
  const int32_t layer_target = layer_kind == layer_hardware_1 ? 0 : -1;
  for (int32_t index = pass_start; index != 0 && !chain_broken;) {
    hgc* c = command(index);
    if (!c) {
      report_missing(index);
      break;
    }
    if (c->order != current_order) break;
    if (c->variant == 0) {
      const bool image_work = c->kind == hgc_free_image || targets_image(*c);
      if (image_work) {
        if (first_hardware_pass && !c->rendered.load()) execute(*c);
      } else if (c->target == layer_target) {
        execute(*c);
      }
    }
    if (first_hardware_pass) c->rendered.store(1);
    index = c->next.load();
  }
  flush_batch();
  first_hardware_pass = false;
}

int32_t commands_kept() {
  int32_t n = 0;
  for (int32_t index = first_command.load(); index != 0; index = command(index) ? command(index)->next.load() : 0)
    ++n;
  return n;
}

const hgc* command_at(int32_t index) { return hgc_list ? command(index) : nullptr; }

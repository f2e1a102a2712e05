#include "runtime/display/software_frames.h"

#include <cstdlib>

software_frame software_frames[3];
std::atomic<uint64_t> order_counter{1};
std::atomic<uint64_t> latest_order{0};
std::atomic<uint64_t> rendered_order{0};

void software_frames_init() {
  for (auto& f : software_frames) {
    f.state.store(sf_free);
    f.order.store(0);
    std::free(f.pixels);
    f.pixels = nullptr;
    f.width = f.height = f.capacity = 0;
  }
}

software_frame* take_frame_for_display(bool* is_new) {
  *is_new = false;
  for (;;) {
    software_frame* shown = nullptr;
    for (auto& f : software_frames)
      if (f.state.load() == sf_shown) shown = &f;
    const uint64_t floor = shown ? shown->order.load() : 0;
    software_frame* newest = nullptr;
    for (auto& f : software_frames)
      if (f.state.load() == sf_ready && f.order.load() > floor &&
          (!newest || f.order.load() > newest->order.load()))
        newest = &f;
    if (!newest) return shown;
    // The builder may reuse a ready frame (3 -> 2) at any moment: take it only
    // while it is still ready, else look again.
    int32_t ready = sf_ready;
    if (!newest->state.compare_exchange_strong(ready, sf_shown)) continue;
    const uint64_t order = newest->order.load();
    for (auto& f : software_frames) {
      if (&f == newest || f.order.load() >= order) continue;
      // Older ready frames are dropped unseen; only the builder leaves state 2.
      int32_t state = f.state.load();
      if (state == sf_ready || state == sf_shown) f.state.compare_exchange_strong(state, sf_free);
    }
    *is_new = true;
    return newest;
  }
}

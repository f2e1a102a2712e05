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

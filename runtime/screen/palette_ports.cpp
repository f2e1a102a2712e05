#include "runtime/screen/palette_ports.h"

#include <algorithm>
#include <cmath>

#include "runtime/core/runtime_flags.h"
#include "runtime/screen/display_sync.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/pixel_access.h"

int32_t palette_read_index = 0;
int32_t palette_read_component = 0;
int32_t palette_write_index = 0;
int32_t palette_write_component = 0;
bool unhandled_port_used = false;

void port_out(int32_t port, int32_t value) {
  if (pending_error.load()) return;
  switch (port) {
    case 0x3C7:
      palette_read_index = value & 0xFF;
      palette_read_component = 0;
      break;
    case 0x3C8:
      palette_write_index = value & 0xFF;
      palette_write_component = 0;
      break;
    case 0x3C9: {
      std::atomic<uint32_t>* palette = write_image->palette;
      if (!palette) break;
      // 6-bit level to 8 bits; the rounding (ties to even) gives 0 for 0 and 255 for 63.
      const double level = (value & 63) * 4.0634918212890625 - 0.49999991059303284;
      const uint32_t byte = static_cast<uint32_t>(std::min(std::max(std::nearbyint(level), 0.0), 255.0));
      const int32_t shift = 16 - 8 * palette_write_component;
      const uint32_t old = palette_get(palette, palette_write_index);
      palette_put(palette, palette_write_index, (old & ~(0xFFu << shift)) | byte << shift);
      if (++palette_write_component == 3) {
        palette_write_component = 0;
        palette_write_index = (palette_write_index + 1) & 0xFF;
      }
      break;
    }
    case 0x3C0:
      blink_enabled.store((value >> 3) & 1);
      break;
    default:
      unhandled_port_used = true;
      break;
  }
}

void blink_set(int32_t on) {
  if (pending_error.load()) return;
  blink_enabled.store(on == 1 ? 1 : 0);
}

int32_t blink_query() { return blink_enabled.load() ? -1 : 0; }

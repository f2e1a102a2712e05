#include "runtime/screen/pixel_store.h"

uint8_t blend_scale[256][256];
bool blend_tables_ready = false;

void blend_tables_build() {
  if (blend_tables_ready) return;
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t v = 0; v < 256; ++v) blend_scale[a][v] = static_cast<uint8_t>((v * a + 127) / 255);
  blend_tables_ready = true;
}

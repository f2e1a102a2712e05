#pragma once
// The window's icon, drawn from the runtime's two icon images (the double note,
// white on transparent): each laid on the black of the text screen, so that the
// note shows on light and dark panels alike. Captured once at start-up, before
// the other threads run; read by the window thread when the window is made and
// by the icon generator of the install.
#include <cstdint>
#include <vector>

struct window_icon_image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> argb;  // rows top first, 0xAARRGGBB, every pixel opaque
};

// Copies the icon images made by screen_icons_init into the icon sizes (small
// first). A missing or malformed image leaves its size out.
void window_icon_capture();

// The sizes captured last (empty before window_icon_capture).
const std::vector<window_icon_image>& window_icon_images();

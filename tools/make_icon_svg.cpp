// Writes the desktop icon (hicolor theme, scalable) as SVG: the 16 x 16 window
// icon drawn as squares, so that menus and task bars show the same picture.
// Usage: make_icon_svg OUTPUT.svg
#include <cstdio>

#include "runtime/screen/screen.h"

namespace {

void colour_text(uint32_t argb, char* out, size_t size) {
  std::snprintf(out, size, "#%06x", static_cast<unsigned>(argb & 0xFFFFFFu));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon_svg OUTPUT.svg\n");
    return 2;
  }
  screen_tables_init();
  screen_palettes_init();
  screen_icons_init();
  window_icon_capture();
  const auto& icons = window_icon_images();
  if (icons.empty()) {
    std::fprintf(stderr, "make_icon_svg: the runtime made no icon image\n");
    return 1;
  }
  const window_icon_image& icon = icons.front();
  FILE* out = std::fopen(argv[1], "w");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(out,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\" "
               "viewBox=\"0 0 %d %d\" shape-rendering=\"crispEdges\">\n",
               icon.width, icon.height);
  // One rectangle per run of equal pixels in a row.
  for (int32_t y = 0; y < icon.height; ++y) {
    for (int32_t x = 0; x < icon.width;) {
      const uint32_t pixel = icon.argb[static_cast<size_t>(y) * icon.width + x];
      int32_t end = x + 1;
      while (end < icon.width && icon.argb[static_cast<size_t>(y) * icon.width + end] == pixel) ++end;
      char colour[16];
      colour_text(pixel, colour, sizeof colour);
      std::fprintf(out, "  <rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"1\" fill=\"%s\"/>\n", x, y,
                   end - x, colour);
      x = end;
    }
  }
  std::fprintf(out, "</svg>\n");
  return std::fclose(out) == 0 ? 0 : 1;
}

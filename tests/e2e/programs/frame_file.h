#pragma once
// Step-by-step test programs in manual display: the newest frame written to a
// file in the steps folder, so that the window's picture can be compared with it.
#include <cstdio>
#include <string>

#include "runtime/display/display.h"
#include "runtime/os/os.h"

// Writes the newest frame (in manual display only the program thread builds
// frames) as raw 0xAARRGGBB words to "frame<n>" and reports the step with the
// frame's size.
inline void frame_done(int n) {
  const software_frame* newest = nullptr;
  for (const auto& f : frame_ring.frames) {
    const int32_t state = f.state.load();
    if ((state == sf_ready || state == sf_shown) && (!newest || f.order.load() > newest->order.load())) newest = &f;
  }
  const std::string path = command_line_text() + "/frame" + std::to_string(n);
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(newest->pixels, 4, static_cast<size_t>(newest->width) * newest->height, out);
    std::fclose(out);
  }
  std::printf("step %d %dx%d\n", n, newest->width, newest->height);
  std::fflush(stdout);
}

#include "runtime/display/display_callbacks.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "runtime/display/window_control.h"
#include "runtime/platform/clock.h"

std::atomic<int32_t> blink_counter{0};
std::atomic<int32_t> force_full_refresh{0};

namespace {
constexpr double display_rate = 60.0;
bool resized = true;
}  // namespace

// Until the frame pipeline exists there is no page to show: the window is kept
// black at the size of the start-up screen (80 x 25 characters of 8 x 16).
void display_callback() {
  window_size_step(640, 400);
  if (resized) {
    glViewport(0, 0, window_width.load(), window_height.load());
    resized = false;
  }
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glutSwapBuffers();
}

void redisplay_timer(int) {
  glutPostRedisplay();
  platform_sleep(4);
  int interval = static_cast<int>(1000.0 / display_rate) - 4;
  if (interval <= 0) interval = 1;
  glutTimerFunc(static_cast<unsigned>(interval), redisplay_timer, 0);
}

void window_resized() { resized = true; }

void display_frame_step() { blink_counter.fetch_add(1); }

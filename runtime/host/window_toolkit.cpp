// The window toolkit's side of the window: the operations the display asks of
// the window, and the reshape and mouse callbacks, each a thin wrapper over
// freeglut. Window thread only.
#include "runtime/host/detail/window_thread.h"

#include <GL/freeglut.h>
#include <GL/glx.h>

#include "runtime/display/display.h"
#include "runtime/input/input.h"
#include "runtime/platform/desktop_window.h"

static_assert(pointer_none == GLUT_CURSOR_NONE, "the display's pointer numbers are freeglut's");

namespace {

void set_title(const char* title) { glutSetWindowTitle(title); }
void show() { glutShowWindow(); }
void hide() { glutHideWindow(); }
void iconify() { glutIconifyWindow(); }
void position(int32_t x, int32_t y) { glutPositionWindow(x, y); }
void set_pointer(int32_t shape) { glutSetCursor(shape); }

void reshape(int32_t w, int32_t h) {
  glutReshapeWindow(w, h);
  glutPostRedisplay();
}

void full_screen(bool on) {
  if (on)
    glutFullScreen();
  else
    glutLeaveFullScreen();
}

void size_hints(unsigned long window, int32_t w, int32_t h, bool locked, int32_t max_side) {
  desktop_window_size_hints(glXGetCurrentDisplay(), window, w, h, locked, max_side);
}


void reshape_callback(int width, int height) {
  window_size_changed(width, height);
  window_resized();
}

}  // namespace

void mouse_button_callback(int button, int state, int x, int y) {
  mouse_button_event(button + 1, state == GLUT_DOWN, x, y);
}

void mouse_motion_callback(int x, int y) { mouse_motion_event(x, y); }

void mouse_wheel_callback(int wheel, int direction, int x, int y) {
  if (wheel != 0) return;  // only the first wheel turns buttons 4 and 5
  mouse_wheel_event(direction, x, y);
}

void window_toolkit_register() {
  window_toolkit_install({set_title, show, hide, iconify, position, set_pointer, reshape, full_screen, size_hints});
  glutMouseFunc(mouse_button_callback);
  glutMotionFunc(mouse_motion_callback);
  glutPassiveMotionFunc(mouse_motion_callback);
  glutReshapeFunc(reshape_callback);
  glutMouseWheelFunc(mouse_wheel_callback);
}

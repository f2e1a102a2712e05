// X errors while the window is made: freeglut asks the window manager's check
// window about what the manager supports, and a manager that died leaves the
// root naming a window that is gone. Xlib's default handler ends the process
// on the BadWindow that follows; this one writes the first error to stderr and
// lets the window open.
#include <atomic>
#include <cstdio>

#include "runtime/platform/desktop_window.h"

namespace {

std::atomic<bool> reported{false};
XErrorHandler previous_handler = nullptr;

int report_once(Display* display, XErrorEvent* error) {
  if (!reported.exchange(true)) {
    char text[160] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr,
                 "quintaro: X error while opening the window, ignored: %s "
                 "(request %u, resource 0x%lx)\n",
                 text, static_cast<unsigned>(error->request_code), error->resourceid);
  }
  return 0;
}

}  // namespace

void window_creation_errors_trap() { previous_handler = XSetErrorHandler(report_once); }

void window_creation_errors_release(Display* display) {
  // Errors of requests already sent arrive before the handler goes.
  if (display) XSync(display, False);
  const XErrorHandler current = XSetErrorHandler(previous_handler);
  // A handler that someone set meanwhile stays.
  if (current != report_once) XSetErrorHandler(current);
}

// X errors while the window is made: freeglut asks the window manager's check
// window about what the manager supports, and a manager that died leaves the
// root naming a window that is gone. Xlib's default handler ends the process
// on the BadWindow that follows; this one writes the first error to stderr and
// lets the window open. Once the window is there, errors (a request about a
// window another program closed, say) are written out, the first few, and the
// program goes on: Xlib's default would call exit() from whichever thread saw
// the error while the others still run, and lose the program's file data.
#include <atomic>
#include <cstdio>

#include "runtime/platform/desktop_window.h"

namespace {

std::atomic<bool> reported{false};
std::atomic<int> reported_later{0};
constexpr int reported_later_max = 10;

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

int report_and_go_on(Display* display, XErrorEvent* error) {
  if (reported_later.fetch_add(1) < reported_later_max) {
    char text[160] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "quintaro: X error, ignored: %s (request %u, resource 0x%lx)\n", text,
                 static_cast<unsigned>(error->request_code), error->resourceid);
  }
  return 0;
}

}  // namespace

void window_creation_errors_trap() { XSetErrorHandler(report_once); }

void window_creation_errors_release(Display* display) {
  // Errors of requests already sent arrive before the handler changes.
  if (display) XSync(display, False);
  const XErrorHandler current = XSetErrorHandler(report_and_go_on);
  // A handler that someone set meanwhile stays.
  if (current != report_once) XSetErrorHandler(current);
}

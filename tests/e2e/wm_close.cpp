// Sends a window manager's close request (WM_DELETE_WINDOW) to a window, as a
// desktop's close button does.
// Usage: wm_close WINDOW-ID
//        wm_close --on-create   (prints "watching", then sends the request to the
//                                first top-level window made after that, at once)
#include <X11/Xlib.h>
#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

Status send_close(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  return sent;
}

// The first window created on the root after the watch began; 0 after 30 s.
Window first_created(Display* display) {
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  std::printf("watching\n");
  std::fflush(stdout);
  for (int waited_ms = 0; waited_ms < 30000;) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == CreateNotify) return event.xcreatewindow.window;
    }
    pollfd p{ConnectionNumber(display), POLLIN, 0};
    poll(&p, 1, 100);
    waited_ms += 100;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wm_close WINDOW-ID | --on-create\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "wm_close: cannot open display\n");
    return 1;
  }
  Window window = 0;
  if (std::strcmp(argv[1], "--on-create") == 0) {
    window = first_created(display);
    if (!window) {
      std::fprintf(stderr, "wm_close: no window was made\n");
      XCloseDisplay(display);
      return 1;
    }
  } else {
    window = std::strtoul(argv[1], nullptr, 0);
  }
  const Status sent = send_close(display, window);
  XCloseDisplay(display);
  return sent ? 0 : 1;
}

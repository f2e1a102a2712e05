#include "runtime/platform/desktop_window.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlibint.h>  // XESetError: errors of one connection only
#include <X11/Xutil.h>
#undef min
#undef max

namespace {

// Largest icon side sent: a 256 x 256 icon is already a 256 KiB property.
constexpr int32_t max_icon_side = 256;

// A query about a window that is gone (a stale check window) fails with
// BadWindow; on the probing connection that is an answer, not a fatal error.
int ignore_error(Display*, xError*, XExtCodes*, int* ret_code) {
  *ret_code = 0;
  return 1;
}

// The window a property names, or None. The type is not checked: some
// managers store the check window as a CARDINAL.
Window window_property(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  Window named = None;
  if (XGetWindowProperty(display, window, property, 0, 1, False, AnyPropertyType, &type, &format,
                         &items, &after, &data) == Success &&
      data) {
    // Format-32 data arrives as longs, whatever the size of a long.
    if (format == 32 && items == 1) named = reinterpret_cast<unsigned long*>(data)[0];
    XFree(data);
  }
  return named;
}

// A root that names a check window which no longer exists (its manager died)
// is taken as it stands by freeglut, whose query of that window fails and ends
// the process. The stale name is removed, under a server grab so that a
// manager starting meanwhile keeps the name it sets.
void forget_dead_check_window(Display* display, Window root, Atom check, Window named) {
  XGrabServer(display);
  XWindowAttributes attributes;
  if (window_property(display, root, check) == named && !XGetWindowAttributes(display, named, &attributes)) {
    XDeleteProperty(display, root, check);
    std::fprintf(stderr, "quintaro: the window manager's check window 0x%lx is gone; its name on the root "
                 "is removed\n", named);
  }
  XUngrabServer(display);
  XSync(display, False);
}

}  // namespace

bool desktop_window_manager_running(Display* display) {
  if (!display) return false;
  if (XExtCodes* codes = XAddExtension(display)) XESetError(display, codes->extension, ignore_error);
  const int screen = DefaultScreen(display);

  // A window manager that follows the inter-client conventions owns WM_Sn.
  char selection[32];
  std::snprintf(selection, sizeof selection, "WM_S%d", screen);
  if (XGetSelectionOwner(display, XInternAtom(display, selection, False)) != None) return true;

  // Others name a check window on the root, which names itself while the
  // manager runs; a manager that died leaves the root's property behind.
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  const Window root = RootWindow(display, screen);
  const Window named = window_property(display, root, check);
  if (named == None) return false;
  if (window_property(display, named, check) == named) return true;
  forget_dead_check_window(display, root, check, named);
  return false;
}

void desktop_screen_size(Display* display, int32_t* width, int32_t* height) {
  const int screen = display ? DefaultScreen(display) : 0;
  *width = display ? DisplayWidth(display, screen) : 0;
  *height = display ? DisplayHeight(display, screen) : 0;
}

void desktop_centred_origin(int32_t screen_width, int32_t screen_height, int32_t width,
                            int32_t height, int32_t* x, int32_t* y) {
  *x = std::max<int32_t>(0, (screen_width - width) / 2);
  *y = std::max<int32_t>(0, (screen_height - height) / 2);
}

void desktop_window_identify(Display* display, Window window, const desktop_identity& identity) {
  if (!display || window == None) return;

  XClassHint hint{};
  hint.res_name = const_cast<char*>(identity.instance);
  hint.res_class = const_cast<char*>(identity.class_name);
  XSetClassHint(display, window, &hint);

  // _NET_WM_PID means something only together with the host it belongs to.
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    char* names[] = {host};
    XTextProperty text{};
    if (XStringListToTextProperty(names, 1, &text)) {
      XSetWMClientMachine(display, window, &text);
      XFree(text.value);
    }
  }
  const unsigned long pid = static_cast<unsigned long>(getpid());
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);

  // _NET_WM_ICON: width, height, then the pixels, for each size in turn.
  std::vector<unsigned long> icon_data;
  for (int32_t i = 0; i < identity.icon_count && identity.icons; ++i) {
    const desktop_icon& icon = identity.icons[i];
    if (!icon.argb || icon.width < 1 || icon.height < 1 || icon.width > max_icon_side ||
        icon.height > max_icon_side)
      continue;
    icon_data.push_back(static_cast<unsigned long>(icon.width));
    icon_data.push_back(static_cast<unsigned long>(icon.height));
    icon_data.insert(icon_data.end(), icon.argb, icon.argb + icon.width * icon.height);
  }
  if (!icon_data.empty())
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(icon_data.data()),
                    static_cast<int>(icon_data.size()));
  XFlush(display);
}

void desktop_window_remap(Display* display, Window window) {
  if (!display || window == None) return;
  XWithdrawWindow(display, window, DefaultScreen(display));
  XMapWindow(display, window);
  XFlush(display);
}

void desktop_window_size_hints(Display* display, Window window, int32_t width, int32_t height,
                               bool locked, int32_t max_side) {
  if (!display || window == None || width < 1 || height < 1) return;
  XSizeHints* hints = XAllocSizeHints();
  if (!hints) return;
  long supplied = 0;
  if (!XGetWMNormalHints(display, window, hints, &supplied)) hints->flags = 0;
  hints->flags &= ~(PSize | PMinSize | PMaxSize);
  hints->flags |= PSize | PMaxSize;
  hints->width = width;
  hints->height = height;
  hints->max_width = locked ? width : max_side;
  hints->max_height = locked ? height : max_side;
  if (locked) {
    hints->flags |= PMinSize;
    hints->min_width = width;
    hints->min_height = height;
  }
  XSetWMNormalHints(display, window, hints);
  XFree(hints);
  XFlush(display);
}

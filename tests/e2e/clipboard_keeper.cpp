// A minimal clipboard manager for the end-to-end tests: owns CLIPBOARD_MANAGER;
// asked for SAVE_TARGETS, it fetches the CLIPBOARD text (UTF8_STRING, in one
// piece), answers, takes CLIPBOARD over and serves that text as UTF8_STRING
// until it is killed. Prints "ready" once it owns CLIPBOARD_MANAGER and
// "saved N" once it has the text.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_connection_t* c;
xcb_window_t window;

xcb_atom_t atom(const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t a = r->atom;
  std::free(r);
  return a;
}

template <typename T>
T* wait_for(uint8_t type) {
  for (;;) {
    xcb_generic_event_t* e = xcb_wait_for_event(c);
    if (!e) std::exit(1);
    if ((e->response_type & 0x7F) == type) return reinterpret_cast<T*>(e);
    std::free(e);
  }
}

void answer(const xcb_selection_request_event_t* r, xcb_atom_t property) {
  xcb_selection_notify_event_t n{};
  n.response_type = XCB_SELECTION_NOTIFY;
  n.time = r->time;
  n.requestor = r->requestor;
  n.selection = r->selection;
  n.target = r->target;
  n.property = property;
  xcb_send_event(c, 0, r->requestor, 0, reinterpret_cast<const char*>(&n));
  xcb_flush(c);
}

}  // namespace

int main() {
  c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  window = xcb_generate_id(c);
  xcb_create_window(c, 0, window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0,
                    nullptr);
  const xcb_atom_t manager = atom("CLIPBOARD_MANAGER"), save = atom("SAVE_TARGETS"), clipboard = atom("CLIPBOARD"),
                   utf8 = atom("UTF8_STRING"), kept = atom("KEEPER_TEXT");
  xcb_set_selection_owner(c, window, manager, XCB_CURRENT_TIME);
  xcb_flush(c);
  std::printf("ready\n");
  std::fflush(stdout);

  std::string text;
  bool saved = false;
  for (;;) {
    auto* r = wait_for<xcb_selection_request_event_t>(XCB_SELECTION_REQUEST);
    if (!saved && r->selection == manager && r->target == save) {
      xcb_convert_selection(c, window, clipboard, utf8, kept, XCB_CURRENT_TIME);
      xcb_flush(c);
      auto* n = wait_for<xcb_selection_notify_event_t>(XCB_SELECTION_NOTIFY);
      if (n->property != XCB_ATOM_NONE) {
        xcb_get_property_reply_t* p =
            xcb_get_property_reply(c, xcb_get_property(c, 1, window, kept, utf8, 0, 1 << 20), nullptr);
        if (p) text.assign(static_cast<const char*>(xcb_get_property_value(p)), xcb_get_property_value_length(p));
        std::free(p);
      }
      std::free(n);
      answer(r, r->property);
      xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
      xcb_flush(c);
      saved = true;
      std::printf("saved %zu\n", text.size());
      std::fflush(stdout);
    } else if (saved && r->selection == clipboard && r->target == utf8) {
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, utf8, 8,
                          static_cast<uint32_t>(text.size()), text.data());
      answer(r, r->property);
    } else {
      answer(r, XCB_ATOM_NONE);
    }
    std::free(r);
  }
}

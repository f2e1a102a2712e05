#include "runtime/platform/clipboard.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "runtime/platform/platform.h"

// Both sides use XCB rather than Xlib: an X error (a requestor window that went
// away, say) comes back as an event on this connection alone, where Xlib would
// hand it to the process-wide error handler, whose default ends the process.

namespace {

using steady = std::chrono::steady_clock;
using text_ptr = std::shared_ptr<const std::string>;

struct atom_set {
  xcb_atom_t clipboard, targets, utf8_string, text, incr, manager, save_targets, transfer;
  xcb_atom_t utf8_mime;  // text/plain;charset=utf-8, which toolkit programs ask for first
};

// One X connection with an unmapped window that sees property changes.
struct x_link {
  xcb_connection_t* c = nullptr;
  xcb_window_t window = 0;
  atom_set atoms{};
};

int32_t ms_until(steady::time_point t) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - steady::now()).count();
  return ms < 0 ? 0 : static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX));
}

bool open_link(x_link* link, const char* transfer_property) {
  int screen_number = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screen_number);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return false;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen_number && it.rem; ++i) xcb_screen_next(&it);
  if (!it.rem) {
    xcb_disconnect(c);
    return false;
  }
  const xcb_window_t window = xcb_generate_id(c);
  const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, it.data->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    it.data->root_visual, XCB_CW_EVENT_MASK, &events);

  const char* names[] = {"CLIPBOARD", "TARGETS", "UTF8_STRING", "TEXT", "INCR", "CLIPBOARD_MANAGER",
                         "SAVE_TARGETS", transfer_property, "text/plain;charset=utf-8"};
  constexpr size_t count = sizeof names / sizeof names[0];
  xcb_intern_atom_cookie_t cookies[count];
  for (size_t i = 0; i < count; ++i)
    cookies[i] = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(names[i])), names[i]);
  xcb_atom_t found[count] = {};
  for (size_t i = 0; i < count; ++i) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, cookies[i], nullptr);
    found[i] = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
  }
  if (std::count(found, found + count, XCB_ATOM_NONE) != 0) {
    xcb_disconnect(c);
    return false;
  }
  link->c = c;
  link->window = window;
  link->atoms = {found[0], found[1], found[2], found[3], found[4], found[5], found[6], found[7], found[8]};
  return true;
}

xcb_window_t selection_owner(xcb_connection_t* c, xcb_atom_t selection) {
  xcb_get_selection_owner_reply_t* r = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
  const xcb_window_t owner = r ? r->owner : xcb_window_t{XCB_WINDOW_NONE};
  std::free(r);
  return owner;
}

// Latin-1 for the STRING target: characters above U+00FF (and bytes that are
// not UTF-8) become "?".
std::string latin1_from_utf8(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<uint8_t>(utf8[i]);
    size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (i + length > utf8.size()) length = 1;
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else if (length == 2 && b <= 0xC3 && (static_cast<uint8_t>(utf8[i + 1]) & 0xC0) == 0x80) {
      out += static_cast<char>(((b & 0x03) << 6) | (static_cast<uint8_t>(utf8[i + 1]) & 0x3F));
    } else {
      out += '?';
    }
    i += length;
  }
  return out;
}

std::string utf8_from_latin1(const uint8_t* data, size_t length) {
  std::string out;
  out.reserve(length + length / 4);
  for (size_t i = 0; i < length; ++i) {
    const uint8_t b = data[i];
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// The owner: one thread serving the text until another program takes CLIPBOARD.
//
// Other threads talk to it through `lock`: they post an offer or a hand-over,
// write a byte to the wake pipe, and wait on `answered`. Only the owner thread
// uses the connection once it has started.

// A text going out in pieces to one requestor's property.
struct outgoing {
  xcb_window_t requestor;
  xcb_atom_t property;
  xcb_atom_t type;
  std::shared_ptr<const std::string> data;
  size_t offset;
  steady::time_point last_step;
};

constexpr int32_t transfer_idle_ms = 5000;   // a requestor that stops taking pieces is dropped
constexpr int32_t hand_over_cap_ms = 10000;  // the hand-over ends by then in any case

struct owner_service {
  std::mutex lock;
  std::condition_variable answered;
  // Under lock.
  text_ptr offered;          // the text of the newest offer
  bool offered_primary = false;  // the newest offer is for PRIMARY as well
  uint64_t offers = 0;       // offers posted
  uint64_t offers_done = 0;  // offers the thread has answered
  bool offer_taken = false;  // the answer to the newest offer
  text_ptr served;           // the text served, null while another program owns CLIPBOARD
  text_ptr served_primary;   // the same for PRIMARY
  bool hand_over_asked = false;
  bool hand_over_done = false;
  int32_t hand_over_ms = 0;
  bool dead = false;  // the connection broke: nothing is served any more
  int wake[2] = {-1, -1};

  // Owner thread only.
  x_link link;
  size_t piece_size = 0;  // larger texts go in pieces of this size
  std::vector<outgoing> transfers;
  bool handing_over = false;
  steady::time_point hand_over_deadline, hand_over_cap;
};

owner_service* owner = nullptr;
std::once_flag owner_once;

void wake_owner() {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(owner->wake[1], &byte, 1);
}

void notify_selection(const xcb_selection_request_event_t* request, xcb_atom_t property) {
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request->time;
  notify.requestor = request->requestor;
  notify.selection = request->selection;
  notify.target = request->target;
  notify.property = property;
  xcb_send_event(owner->link.c, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
}

// Answers one request for the selection: the list of targets, or the text in
// the form asked for, whole or in pieces.
void serve_request(const xcb_selection_request_event_t* request) {
  owner_service& o = *owner;
  const atom_set& a = o.link.atoms;
  xcb_connection_t* c = o.link.c;
  // Requestors from before the property convention name no property: use the target.
  const xcb_atom_t property = request->property != XCB_ATOM_NONE ? request->property : request->target;
  text_ptr text;
  {
    std::lock_guard<std::mutex> hold(o.lock);
    text = request->selection == a.clipboard         ? o.served
           : request->selection == XCB_ATOM_PRIMARY ? o.served_primary
                                                     : nullptr;
  }
  if (!text || request->owner != o.link.window) {
    notify_selection(request, XCB_ATOM_NONE);
    return;
  }
  if (request->target == a.targets) {
    const xcb_atom_t targets[] = {a.targets, a.utf8_mime, a.utf8_string, XCB_ATOM_STRING, a.text};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, property, XCB_ATOM_ATOM, 32,
                        sizeof targets / sizeof targets[0], targets);
    notify_selection(request, property);
    return;
  }
  std::shared_ptr<const std::string> data;
  xcb_atom_t type;
  if (request->target == a.utf8_string || request->target == a.text) {
    data = text;
    type = a.utf8_string;
  } else if (request->target == a.utf8_mime) {
    data = text;
    type = a.utf8_mime;
  } else if (request->target == XCB_ATOM_STRING) {
    data = std::make_shared<const std::string>(latin1_from_utf8(*text));
    type = XCB_ATOM_STRING;
  } else {
    notify_selection(request, XCB_ATOM_NONE);
    return;
  }
  if (data->size() <= o.piece_size) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, property, type, 8,
                        static_cast<uint32_t>(data->size()), data->data());
    notify_selection(request, property);
    return;
  }
  // In pieces: announce the size under INCR; each time the requestor deletes
  // the property, the next piece follows; an empty piece ends the text.
  const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(c, request->requestor, XCB_CW_EVENT_MASK, &events);
  const uint32_t size = static_cast<uint32_t>(std::min<size_t>(data->size(), UINT32_MAX));
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, property, a.incr, 32, 1, &size);
  notify_selection(request, property);
  o.transfers.push_back({request->requestor, property, type, data, 0, steady::now()});
}

void stop_watching(xcb_window_t requestor) {
  for (const outgoing& t : owner->transfers)
    if (t.requestor == requestor) return;
  const uint32_t none = 0;
  xcb_change_window_attributes(owner->link.c, requestor, XCB_CW_EVENT_MASK, &none);
}

void step_transfer(const xcb_property_notify_event_t* e) {
  owner_service& o = *owner;
  if (e->state != XCB_PROPERTY_DELETE) return;
  for (size_t i = 0; i < o.transfers.size(); ++i) {
    outgoing& t = o.transfers[i];
    if (t.requestor != e->window || t.property != e->atom) continue;
    const size_t piece = std::min(o.piece_size, t.data->size() - t.offset);
    xcb_change_property(o.link.c, XCB_PROP_MODE_REPLACE, t.requestor, t.property, t.type, 8,
                        static_cast<uint32_t>(piece), t.data->data() + t.offset);
    t.offset += piece;
    t.last_step = steady::now();
    if (o.handing_over) o.hand_over_deadline = std::min(o.hand_over_cap, t.last_step + std::chrono::seconds(1));
    if (piece == 0) {
      const xcb_window_t requestor = t.requestor;
      o.transfers.erase(o.transfers.begin() + static_cast<std::ptrdiff_t>(i));
      stop_watching(requestor);
    }
    return;
  }
}

void set_served(xcb_atom_t selection, text_ptr text) {
  std::lock_guard<std::mutex> hold(owner->lock);
  (selection == XCB_ATOM_PRIMARY ? owner->served_primary : owner->served) = std::move(text);
}

void finish_hand_over() {
  owner->handing_over = false;
  {
    std::lock_guard<std::mutex> hold(owner->lock);
    owner->hand_over_done = true;
  }
  owner->answered.notify_all();
}

void handle_event(xcb_generic_event_t* event) {
  owner_service& o = *owner;
  switch (event->response_type & 0x7F) {
    case XCB_SELECTION_REQUEST:
      serve_request(reinterpret_cast<xcb_selection_request_event_t*>(event));
      if (o.handing_over) o.hand_over_deadline = std::min(o.hand_over_cap, steady::now() + std::chrono::seconds(1));
      break;
    case XCB_SELECTION_CLEAR: {
      // Another program owns the selection now, unless an offer made since took it back.
      const auto* e = reinterpret_cast<xcb_selection_clear_event_t*>(event);
      if ((e->selection == o.link.atoms.clipboard || e->selection == XCB_ATOM_PRIMARY) &&
          selection_owner(o.link.c, e->selection) != o.link.window)
        set_served(e->selection, nullptr);
      break;
    }
    case XCB_PROPERTY_NOTIFY:
      step_transfer(reinterpret_cast<xcb_property_notify_event_t*>(event));
      break;
    case XCB_SELECTION_NOTIFY: {
      const auto* e = reinterpret_cast<xcb_selection_notify_event_t*>(event);
      if (o.handing_over && e->selection == o.link.atoms.manager) finish_hand_over();
      break;
    }
    default:
      break;  // errors (a requestor window that went away) and other events change nothing
  }
}

void take_offer() {
  owner_service& o = *owner;
  text_ptr text;
  uint64_t number;
  bool primary;
  {
    std::lock_guard<std::mutex> hold(o.lock);
    if (o.offers_done == o.offers) return;
    text = o.offered;
    number = o.offers;
    primary = o.offered_primary;
  }
  xcb_set_selection_owner(o.link.c, o.link.window, o.link.atoms.clipboard, XCB_CURRENT_TIME);
  if (primary) xcb_set_selection_owner(o.link.c, o.link.window, XCB_ATOM_PRIMARY, XCB_CURRENT_TIME);
  const bool taken = selection_owner(o.link.c, o.link.atoms.clipboard) == o.link.window;
  const bool taken_primary = primary && selection_owner(o.link.c, XCB_ATOM_PRIMARY) == o.link.window;
  {
    std::lock_guard<std::mutex> hold(o.lock);
    o.served = taken ? text : nullptr;
    if (primary) o.served_primary = taken_primary ? text : nullptr;
    o.offer_taken = taken;
    o.offers_done = number;
  }
  o.answered.notify_all();
}

void start_hand_over(int32_t timeout_ms) {
  owner_service& o = *owner;
  const atom_set& a = o.link.atoms;
  bool serving;
  {
    std::lock_guard<std::mutex> hold(o.lock);
    serving = o.served != nullptr;
  }
  if (!serving || selection_owner(o.link.c, a.manager) == XCB_WINDOW_NONE) {
    finish_hand_over();
    return;
  }
  // The targets the manager is to keep, as the convention asks, on our window.
  const xcb_atom_t keep[] = {a.utf8_mime, a.utf8_string, XCB_ATOM_STRING};
  xcb_change_property(o.link.c, XCB_PROP_MODE_REPLACE, o.link.window, a.transfer, XCB_ATOM_ATOM, 32,
                      sizeof keep / sizeof keep[0], keep);
  xcb_convert_selection(o.link.c, o.link.window, a.manager, a.save_targets, a.transfer, XCB_CURRENT_TIME);
  o.handing_over = true;
  const steady::time_point now = steady::now();
  o.hand_over_cap = now + std::chrono::milliseconds(std::max(timeout_ms, hand_over_cap_ms));
  o.hand_over_deadline = now + std::chrono::milliseconds(timeout_ms);
}

void owner_loop() {
  name_this_thread("clipboard");
  owner_service& o = *owner;
  const int fd = xcb_get_file_descriptor(o.link.c);
  for (;;) {
    take_offer();
    bool hand_over = false;
    int32_t hand_over_ms = 0;
    {
      std::lock_guard<std::mutex> hold(o.lock);
      hand_over = o.hand_over_asked && !o.handing_over && !o.hand_over_done;
      hand_over_ms = o.hand_over_ms;
    }
    if (hand_over) start_hand_over(hand_over_ms);
    while (xcb_generic_event_t* event = xcb_poll_for_event(o.link.c)) {
      handle_event(event);
      std::free(event);
    }
    const steady::time_point now = steady::now();
    std::erase_if(o.transfers, [now](const outgoing& t) {
      return now - t.last_step > std::chrono::milliseconds(transfer_idle_ms);
    });
    if (o.handing_over && now >= o.hand_over_deadline) finish_hand_over();
    xcb_flush(o.link.c);
    if (xcb_connection_has_error(o.link.c)) break;

    int32_t timeout = -1;  // nothing pending: sleep until an event or a wake-up
    if (!o.transfers.empty()) timeout = 500;
    if (o.handing_over) timeout = std::min(timeout < 0 ? INT32_MAX : timeout, ms_until(o.hand_over_deadline) + 1);
    pollfd waits[2] = {{fd, POLLIN, 0}, {o.wake[0], POLLIN, 0}};
    poll(waits, 2, timeout);
    char drain[64];
    while (read(o.wake[0], drain, sizeof drain) > 0) {
    }
  }
  // The server went away: answer everyone still waiting, serve nothing more.
  std::lock_guard<std::mutex> hold(o.lock);
  o.dead = true;
  o.served = nullptr;
  o.served_primary = nullptr;
  o.offers_done = o.offers;
  o.offer_taken = false;
  o.hand_over_done = true;
  o.answered.notify_all();
}

// Starts the owner thread once; false when there is no X display.
bool owner_started() {
  std::call_once(owner_once, [] {
    auto* o = new owner_service;
    if (!open_link(&o->link, "QUINTARO_SELECTION") || pipe2(o->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
      if (o->link.c) xcb_disconnect(o->link.c);
      delete o;
      return;
    }
    // Pieces well under the smallest request limit a server has (256 KiB without big requests).
    const size_t request_bytes = static_cast<size_t>(xcb_get_maximum_request_length(o->link.c)) * 4;
    o->piece_size = std::min<size_t>(256 * 1024, request_bytes) - 1024;
    owner = o;
    std::thread(owner_loop).detach();
  });
  return owner != nullptr;
}

// ---------------------------------------------------------------------------
// The reader: asks the owner for the text on a connection of its own.

// One read at a time (the program's clipboard statement, the paste key).
std::mutex reader_lock;
x_link reader;
bool reader_tried = false;

// Waits for an event that match accepts; the others are dropped. Null when the
// deadline passes or the connection breaks; the caller frees the event.
template <typename Match>
xcb_generic_event_t* wait_event(xcb_connection_t* c, steady::time_point deadline, Match match) {
  for (;;) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      if (match(event)) return event;
      std::free(event);
    }
    if (xcb_connection_has_error(c)) return nullptr;
    const int32_t left = ms_until(deadline);
    if (left == 0) return nullptr;
    pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
    poll(&p, 1, left);
  }
}

// The property's value, deleted as it is read; null when it cannot be read.
xcb_get_property_reply_t* take_property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
  const uint32_t longs = static_cast<uint32_t>(clipboard_read_limit / 4 + 1);
  return xcb_get_property_reply(c, xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, longs),
                                nullptr);
}

bool append_value(xcb_get_property_reply_t* r, std::string* out) {
  if (r->format != 8 || r->bytes_after != 0) return false;
  const auto length = static_cast<size_t>(xcb_get_property_value_length(r));
  if (out->size() + length > clipboard_read_limit) return false;
  out->append(static_cast<const char*>(xcb_get_property_value(r)), length);
  return true;
}

// A text that comes in pieces: each new value of the property is the next
// piece, taken by deleting it, until an empty one.
bool read_pieces(std::string* out, xcb_atom_t* type, steady::time_point cap) {
  xcb_connection_t* c = reader.c;
  for (;;) {
    const steady::time_point deadline = std::min(cap, steady::now() + std::chrono::milliseconds(clipboard_answer_ms));
    xcb_generic_event_t* event = wait_event(c, deadline, [](xcb_generic_event_t* e) {
      if ((e->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
      const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
      return p->window == reader.window && p->atom == reader.atoms.transfer && p->state == XCB_PROPERTY_NEW_VALUE;
    });
    if (!event) return false;
    std::free(event);
    xcb_get_property_reply_t* r = take_property(c, reader.window, reader.atoms.transfer);
    if (!r) return false;
    const bool last = xcb_get_property_value_length(r) == 0;
    if (!last) *type = r->type;  // the pieces carry the text's own type
    const bool kept = append_value(r, out);
    std::free(r);
    if (!kept) return false;
    if (last) return true;
  }
}

// Asks for the text as target; true with the text in out (as the owner sent it).
bool ask(xcb_atom_t target, steady::time_point deadline, std::string* out, xcb_atom_t* type) {
  xcb_connection_t* c = reader.c;
  xcb_convert_selection(c, reader.window, reader.atoms.clipboard, target, reader.atoms.transfer, XCB_CURRENT_TIME);
  xcb_flush(c);
  xcb_generic_event_t* event = wait_event(c, deadline, [target](xcb_generic_event_t* e) {
    if ((e->response_type & 0x7F) != XCB_SELECTION_NOTIFY) return false;
    const auto* n = reinterpret_cast<xcb_selection_notify_event_t*>(e);
    return n->requestor == reader.window && n->selection == reader.atoms.clipboard && n->target == target;
  });
  if (!event) return false;
  const xcb_atom_t property = reinterpret_cast<xcb_selection_notify_event_t*>(event)->property;
  std::free(event);
  if (property == XCB_ATOM_NONE) return false;
  xcb_get_property_reply_t* r = take_property(c, reader.window, property);
  if (!r) return false;
  out->clear();
  *type = r->type;
  if (r->type == reader.atoms.incr) {
    const steady::time_point cap = steady::now() + std::chrono::milliseconds(clipboard_read_total_ms);
    std::free(r);
    // Deleting the INCR property (take_property did) asks for the first piece.
    xcb_flush(c);
    return property == reader.atoms.transfer && read_pieces(out, type, cap);
  }
  const bool kept = append_value(r, out);
  std::free(r);
  return kept;
}

}  // namespace

bool clipboard_offer(const std::string& utf8, bool with_primary) {
  if (!owner_started()) return false;
  std::unique_lock<std::mutex> hold(owner->lock);
  if (owner->dead) return false;
  owner->offered = std::make_shared<const std::string>(utf8);
  owner->offered_primary = with_primary;
  const uint64_t number = ++owner->offers;
  wake_owner();
  owner->answered.wait_for(hold, std::chrono::seconds(2), [number] { return owner->offers_done >= number; });
  return owner->offers_done >= number && owner->offer_taken;
}

bool clipboard_read(std::string* utf8) {
  utf8->clear();
  std::lock_guard<std::mutex> reading(reader_lock);
  if (!reader.c && !reader_tried) {
    reader_tried = true;
    open_link(&reader, "QUINTARO_PASTE");
  }
  const bool linked = reader.c && !xcb_connection_has_error(reader.c);
  if (owner) {
    // Our own text, unless the server says another program has taken CLIPBOARD
    // over: the owner thread may not have heard of that yet.
    const xcb_window_t current =
        linked ? selection_owner(reader.c, reader.atoms.clipboard) : xcb_window_t{XCB_WINDOW_NONE};
    std::lock_guard<std::mutex> hold(owner->lock);
    if (owner->served && (!linked || current == owner->link.window)) {
      *utf8 = *owner->served;
      return true;
    }
  }
  if (!linked) return false;
  // Replies to an earlier request that ran out of time are dropped first.
  xcb_delete_property(reader.c, reader.window, reader.atoms.transfer);
  std::free(xcb_get_input_focus_reply(reader.c, xcb_get_input_focus(reader.c), nullptr));
  while (xcb_generic_event_t* event = xcb_poll_for_event(reader.c)) std::free(event);

  const steady::time_point deadline = steady::now() + std::chrono::milliseconds(clipboard_answer_ms);
  std::string got;
  xcb_atom_t type = XCB_ATOM_NONE;
  if (ask(reader.atoms.utf8_string, deadline, &got, &type) || ask(XCB_ATOM_STRING, deadline, &got, &type)) {
    *utf8 = type == XCB_ATOM_STRING ? utf8_from_latin1(reinterpret_cast<const uint8_t*>(got.data()), got.size())
                                    : std::move(got);
    return true;
  }
  return false;
}

void clipboard_hand_over(int32_t timeout_ms) {
  if (!owner) return;
  std::unique_lock<std::mutex> hold(owner->lock);
  if (owner->dead || !owner->served) return;
  owner->hand_over_asked = true;
  owner->hand_over_done = false;
  owner->hand_over_ms = timeout_ms;
  wake_owner();
  const auto limit = std::chrono::milliseconds(std::max(timeout_ms, hand_over_cap_ms) + 500);
  owner->answered.wait_for(hold, limit, [] { return owner->hand_over_done; });
}

#include "runtime/platform/platform.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#undef min
#undef max

#include "runtime/platform/detail/dialog.h"

namespace {

std::atomic<message_box_stand_in> stand_in{nullptr};

// s on one line: line breaks shown as " | ", a tab as a space and other control
// bytes as '?' (as the box shows them), so a log stays one line per box and no
// terminal control sequence reaches whoever reads it.
void append_flat(std::string* out, const char* s) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
    if (*p == '\n')
      *out += " | ";
    else if (*p == '\t')
      *out += ' ';
    else if (*p < 0x20 || *p == 0x7f)
      *out += (*p == '\r') ? "" : "?";
    else
      *out += static_cast<char>(*p);
  }
}

// One line per box on stderr, so a log shows what the user was asked.
void log_box(const char* text, const char* caption) {
  std::string line = "[";
  append_flat(&line, caption);
  line += "] ";
  append_flat(&line, text);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void set_message_box_stand_in(message_box_stand_in answer) { stand_in.store(answer); }

int32_t platform_message_box(const char* text, const char* caption, uint32_t style,
                             unsigned long owner_window) {
  if (!text) text = "";
  if (!caption) caption = "";
  const bool yes_no = (style & mb_style_yes_no) != 0;
  log_box(text, caption);
  if (const message_box_stand_in answer = stand_in.load()) return answer(text, caption, style);

  Display* display = XOpenDisplay(nullptr);
  if (!display) return yes_no ? mb_answer_no : mb_answer_ok;
  const int32_t answer = dialog_window_run(display, text, caption, yes_no,
                                           (style & mb_style_system_modal) != 0, owner_window);
  XCloseDisplay(display);
  return answer;
}

namespace {

// The text stands on a white area; the buttons sit right-aligned in a grey strip below it.
constexpr int padding = 20;
constexpr int strip_padding = 12;
constexpr int button_spacing = 10;
constexpr int button_min_width = 84;
constexpr int min_window_width = 280;
constexpr int max_columns = 72;
constexpr int max_lines_cap = 50;
constexpr size_t max_title_bytes = 200;  // a title property far longer would not fit one request

// Errors on this connection (an owner window that went away, a focus change the
// server refuses) are not fatal to the box. The hook sees only this connection's
// errors; the process-wide handler, which freeglut replaces, is left alone.
int ignore_error(Display*, xError*, XExtCodes*, int* ret_code) {
  *ret_code = 0;
  return 1;
}

struct dialog_look {
  unsigned long background, strip, text, face, face_pressed, border, focus;
};

unsigned long colour(Display* d, int screen, unsigned r, unsigned g, unsigned b,
                     unsigned long fallback) {
  XColor c{};
  c.red = static_cast<unsigned short>(r * 257);
  c.green = static_cast<unsigned short>(g * 257);
  c.blue = static_cast<unsigned short>(b * 257);
  c.flags = DoRed | DoGreen | DoBlue;
  return XAllocColor(d, DefaultColormap(d, screen), &c) ? c.pixel : fallback;
}

dialog_look make_look(Display* d, int screen) {
  const unsigned long white = WhitePixel(d, screen), black = BlackPixel(d, screen);
  return {white,
          colour(d, screen, 0xF0, 0xF0, 0xF0, white),
          colour(d, screen, 0x1E, 0x1E, 0x1E, black),
          colour(d, screen, 0xFA, 0xFA, 0xFA, white),
          colour(d, screen, 0xC8, 0xC8, 0xC8, white),
          colour(d, screen, 0x8C, 0x8C, 0x8C, black),
          colour(d, screen, 0x2F, 0x6D, 0xB5, black)};
}

// A font loaded by name, or the server's default font when none of the names exists.
struct dialog_font {
  XFontStruct* font = nullptr;
  bool loaded = false;  // false: only queried, freed with XFreeFontInfo
};

dialog_font load_font(Display* d, int screen, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (XFontStruct* f = XLoadQueryFont(d, name)) return {f, true};
  return {XQueryFont(d, XGContextFromGC(DefaultGC(d, screen))), false};
}

void free_font(Display* d, const dialog_font& f) {
  if (!f.font) return;
  if (f.loaded)
    XFreeFont(d, f.font);
  else
    XFreeFontInfo(nullptr, f.font, 1);
}

// Advance of every byte in the font, 0 for bytes it has no glyph for.
void glyph_widths(const XFontStruct* f, int out[256]) {
  std::fill(out, out + 256, 0);
  if (!f || f->min_byte1 != 0) return;  // an 8-bit string only reaches row 0 of the font
  const unsigned first = f->min_char_or_byte2;
  for (unsigned b = first; b <= f->max_char_or_byte2 && b < 256; ++b)
    out[b] = f->per_char ? f->per_char[b - first].width : f->max_bounds.width;
}

int font_height(const XFontStruct* f) { return f ? f->ascent + f->descent : 13; }

struct dialog_geometry {
  int width = 0, height = 0;
  int text_x = 0, first_baseline = 0, line_height = 0;
  int strip_y = 0;
  int button_y = 0, button_width = 0, button_height = 0;
  int button_x[2] = {0, 0};
};

int hit_button(const dialog_geometry& g, int buttons, int x, int y) {
  if (y < g.button_y || y >= g.button_y + g.button_height) return -1;
  for (int i = 0; i < buttons; ++i)
    if (x >= g.button_x[i] && x < g.button_x[i] + g.button_width) return i;
  return -1;
}

// Where the box goes: centred over the owner when it is on the screen, else
// over the screen, and kept inside the screen.
void place(Display* d, int screen, unsigned long owner, int width, int height, int* x, int* y) {
  int area_x = 0, area_y = 0;
  int area_w = DisplayWidth(d, screen), area_h = DisplayHeight(d, screen);
  XWindowAttributes wa;
  Window child;
  int ox, oy;
  if (owner != 0 && XGetWindowAttributes(d, owner, &wa) && wa.map_state == IsViewable &&
      XTranslateCoordinates(d, owner, wa.root, 0, 0, &ox, &oy, &child)) {
    area_x = ox;
    area_y = oy;
    area_w = wa.width;
    area_h = wa.height;
  }
  *x = area_x + (area_w - width) / 2;
  *y = area_y + (area_h - height) / 2;
  *x = std::max(0, std::min(*x, DisplayWidth(d, screen) - width));
  *y = std::max(0, std::min(*y, DisplayHeight(d, screen) - height));
}

// The caption as UTF-8 for _NET_WM_NAME, reading its bytes as Latin-1 like the font does.
std::string latin1_to_utf8(const char* s) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
    if (*p < 0x80) {
      out += static_cast<char>(*p);
    } else {
      out += static_cast<char>(0xC0 | (*p >> 6));
      out += static_cast<char>(0x80 | (*p & 0x3F));
    }
  }
  return out;
}

void set_window_properties(Display* d, Window w, const char* full_caption, unsigned long owner,
                           bool keep_above, int x, int y, int width, int height) {
  std::string title(full_caption, strnlen(full_caption, max_title_bytes + 1));
  if (title.size() > max_title_bytes) title.replace(max_title_bytes - 3, std::string::npos, "...");
  const char* caption = title.c_str();
  XStoreName(d, w, caption);
  XSetIconName(d, w, caption);
  const std::string utf8 = latin1_to_utf8(caption);
  const Atom utf8_string = XInternAtom(d, "UTF8_STRING", False);
  XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), utf8_string, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8.data()),
                  static_cast<int>(utf8.size()));

  char res_name[] = "quintaro-dialog";
  char res_class[] = "Quintaro";
  XClassHint class_hint{res_name, res_class};
  XSetClassHint(d, w, &class_hint);

  XSizeHints size{};
  size.flags = USPosition | PPosition | PSize | PMinSize | PMaxSize;
  size.x = x;
  size.y = y;
  size.width = size.min_width = size.max_width = width;
  size.height = size.min_height = size.max_height = height;
  XSetWMNormalHints(d, w, &size);

  XWMHints hints{};
  hints.flags = InputHint | StateHint;
  hints.input = True;
  hints.initial_state = NormalState;
  XSetWMHints(d, w, &hints);

  if (owner != 0) XSetTransientForHint(d, w, owner);
  const Atom dialog_type = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(d, w, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&dialog_type), 1);
  Atom states[2];
  int state_count = 0;
  if (owner != 0) states[state_count++] = XInternAtom(d, "_NET_WM_STATE_MODAL", False);
  if (keep_above) states[state_count++] = XInternAtom(d, "_NET_WM_STATE_ABOVE", False);
  if (state_count > 0)
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states), state_count);
}

struct dialog {
  Display* d;
  Window window;
  GC gc;
  dialog_look look;
  dialog_font text_font, label_font;
  dialog_text_layout layout;
  dialog_geometry g;
  dialog_controls controls;
  const char* labels[2];
};

void draw(const dialog& b) {
  Display* d = b.d;
  XSetForeground(d, b.gc, b.look.background);
  XFillRectangle(d, b.window, b.gc, 0, 0, static_cast<unsigned>(b.g.width),
                 static_cast<unsigned>(b.g.height));
  XSetForeground(d, b.gc, b.look.strip);
  XFillRectangle(d, b.window, b.gc, 0, b.g.strip_y, static_cast<unsigned>(b.g.width),
                 static_cast<unsigned>(b.g.height - b.g.strip_y));
  XSetForeground(d, b.gc, b.look.face_pressed);
  XDrawLine(d, b.window, b.gc, 0, b.g.strip_y, b.g.width, b.g.strip_y);

  XSetForeground(d, b.gc, b.look.text);
  if (b.text_font.font) XSetFont(d, b.gc, b.text_font.font->fid);
  int baseline = b.g.first_baseline;
  for (const std::string& line : b.layout.lines) {
    XDrawString(d, b.window, b.gc, b.g.text_x, baseline, line.data(),
                static_cast<int>(line.size()));
    baseline += b.g.line_height;
  }

  const XFontStruct* label_font = b.label_font.font;
  if (label_font) XSetFont(d, b.gc, label_font->fid);
  const unsigned bw = static_cast<unsigned>(b.g.button_width);
  const unsigned bh = static_cast<unsigned>(b.g.button_height);
  for (int i = 0; i < b.controls.buttons; ++i) {
    const int x = b.g.button_x[i], y = b.g.button_y;
    XSetForeground(d, b.gc, b.controls.armed == i ? b.look.face_pressed : b.look.face);
    XFillRectangle(d, b.window, b.gc, x, y, bw, bh);
    if (b.controls.focused == i) {
      XSetForeground(d, b.gc, b.look.focus);
      XDrawRectangle(d, b.window, b.gc, x, y, bw - 1, bh - 1);
      XDrawRectangle(d, b.window, b.gc, x + 1, y + 1, bw - 3, bh - 3);
    } else {
      XSetForeground(d, b.gc, b.look.border);
      XDrawRectangle(d, b.window, b.gc, x, y, bw - 1, bh - 1);
    }
    const char* label = b.labels[i];
    const int length = static_cast<int>(std::char_traits<char>::length(label));
    const int label_width =
        label_font ? XTextWidth(const_cast<XFontStruct*>(label_font), label, length) : length * 7;
    const int ascent = label_font ? label_font->ascent : 10;
    XSetForeground(d, b.gc, b.look.text);
    XDrawString(d, b.window, b.gc, x + (b.g.button_width - label_width) / 2,
                y + (b.g.button_height - font_height(label_font)) / 2 + ascent, label, length);
  }
}

void lay_out(dialog* b, const char* text, int screen) {
  Display* d = b->d;
  const int screen_w = DisplayWidth(d, screen), screen_h = DisplayHeight(d, screen);
  int widths[256];
  glyph_widths(b->text_font.font, widths);
  const int column = widths[int{'M'}] > 0 ? widths[int{'M'}] : 7;
  const int text_height = font_height(b->text_font.font);
  const XFontStruct* label_font = b->label_font.font;

  b->g.line_height = text_height + 3;
  b->g.button_height = font_height(label_font) + 14;
  int label_width = 0;
  for (int i = 0; i < b->controls.buttons; ++i) {
    const int length = static_cast<int>(std::char_traits<char>::length(b->labels[i]));
    label_width =
        std::max(label_width,
                 label_font ? XTextWidth(const_cast<XFontStruct*>(label_font), b->labels[i], length)
                            : length * 7);
  }
  b->g.button_width = std::max(button_min_width, label_width + 28);
  const int buttons_width =
      b->controls.buttons * b->g.button_width + (b->controls.buttons - 1) * button_spacing;

  const int max_text_width =
      std::max(column * 20, std::min(column * max_columns, screen_w - 2 * padding - 40));
  const int strip_height = b->g.button_height + 2 * strip_padding;
  const int room = screen_h - 2 * padding - strip_height - 60;
  const int max_lines = std::clamp(room / b->g.line_height, 1, max_lines_cap);
  b->layout = layout_dialog_text(text, widths, max_text_width, max_lines);

  const int text_block = static_cast<int>(b->layout.lines.size()) * b->g.line_height;
  b->g.width = std::max(
      {min_window_width, b->layout.widest + 2 * padding, buttons_width + 2 * strip_padding});
  b->g.strip_y = padding + text_block + padding;
  b->g.height = b->g.strip_y + strip_height;
  b->g.text_x = padding;
  b->g.first_baseline = padding + (b->text_font.font ? b->text_font.font->ascent : 10);
  b->g.button_y = b->g.strip_y + strip_padding;
  const int left = b->g.width - strip_padding - buttons_width;
  for (int i = 0; i < b->controls.buttons; ++i)
    b->g.button_x[i] = left + i * (b->g.button_width + button_spacing);
}

// Keys down now are the user's typing for another window; see dialog_controls.
void note_held_keys(Display* d, dialog_controls* c) {
  char keys[32];
  XQueryKeymap(d, keys);
  for (unsigned code = 0; code < 256; ++code)
    if (keys[code / 8] & (1 << (code % 8))) c->held[code] = true;
}

}  // namespace

int32_t dialog_window_run(Display* d, const char* text, const char* caption, bool yes_no,
                          bool keep_above, unsigned long owner) {
  if (XExtCodes* codes = XAddExtension(d)) XESetError(d, codes->extension, ignore_error);
  const int screen = DefaultScreen(d);

  dialog b{};
  b.d = d;
  b.look = make_look(d, screen);
  b.text_font = load_font(d, screen,
                          {"7x13", "-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1", "fixed"});
  b.label_font =
      load_font(d, screen,
                {"7x13bold", "-misc-fixed-bold-r-normal--13-*-*-*-*-*-iso8859-1", "7x13", "fixed"});
  b.controls = dialog_controls_new(yes_no);
  b.labels[0] = yes_no ? "Yes" : "OK";
  b.labels[1] = "No";
  lay_out(&b, text, screen);

  int x, y;
  place(d, screen, owner, b.g.width, b.g.height, &x, &y);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = b.look.strip;
  attributes.border_pixel = b.look.border;
  attributes.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                          ButtonReleaseMask | StructureNotifyMask;
  b.window = XCreateWindow(d, RootWindow(d, screen), x, y, static_cast<unsigned>(b.g.width),
                           static_cast<unsigned>(b.g.height), 1, CopyFromParent, InputOutput,
                           CopyFromParent, CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
  set_window_properties(d, b.window, caption, owner, keep_above, x, y, b.g.width, b.g.height);
  const Atom wm_protocols = XInternAtom(d, "WM_PROTOCOLS", False);
  Atom delete_window = XInternAtom(d, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(d, b.window, &delete_window, 1);
  b.gc = XCreateGC(d, b.window, 0, nullptr);

  // Key repeats arrive as presses only, so a held key cannot be mistaken for a new one.
  XkbSetDetectableAutoRepeat(d, True, nullptr);
  Window previous_focus = None;
  int previous_revert = RevertToParent;
  XGetInputFocus(d, &previous_focus, &previous_revert);
  note_held_keys(d, &b.controls);
  XMapRaised(d, b.window);

  bool focus_taken = false;
  int32_t answer = 0;
  while (answer == 0) {
    XEvent event;
    XNextEvent(d, &event);
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) draw(b);
        // The window is viewable now: take the keyboard (there may be no window manager to give
        // it).
        if (!focus_taken) {
          focus_taken = true;
          XSetInputFocus(d, b.window, RevertToParent, CurrentTime);
        }
        break;
      case KeyPress: {
        KeySym keysym = NoSymbol;
        char ignored[8];
        XLookupString(&event.xkey, ignored, sizeof ignored, &keysym, nullptr);
        answer = dialog_key_press(&b.controls, event.xkey.keycode, keysym);
        draw(b);
        break;
      }
      case KeyRelease:
        dialog_key_release(&b.controls, event.xkey.keycode);
        break;
      case ButtonPress:
        if (event.xbutton.button == Button1) {
          dialog_pointer_press(
              &b.controls, hit_button(b.g, b.controls.buttons, event.xbutton.x, event.xbutton.y));
          draw(b);
        }
        break;
      case ButtonRelease:
        if (event.xbutton.button == Button1) {
          answer = dialog_pointer_release(
              &b.controls, hit_button(b.g, b.controls.buttons, event.xbutton.x, event.xbutton.y));
          draw(b);
        }
        break;
      case ClientMessage:
        if (event.xclient.message_type == wm_protocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == delete_window)
          answer = dialog_close_answer(b.controls);
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == b.window) answer = dialog_close_answer(b.controls);
        break;
      default:
        break;
    }
  }

  // Give the keyboard back to the window that had it, if the box still holds it.
  Window focus = None;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  if (focus == b.window && previous_focus != None && previous_focus != b.window)
    XSetInputFocus(d, previous_focus, previous_revert, CurrentTime);
  XFreeGC(d, b.gc);
  XDestroyWindow(d, b.window);
  free_font(d, b.text_font);
  free_font(d, b.label_font);
  XSync(d, False);
  return answer;
}

namespace {

constexpr char replacement = '?';
constexpr const char* ellipsis = "...";

int width_of(unsigned char c, const int glyph_width[256]) {
  return glyph_width[c] > 0 ? glyph_width[c] : 1;
}

// The byte as drawn: control bytes and bytes without a glyph become '?'.
char shown(unsigned char c, const int glyph_width[256]) {
  if (c == '\t') c = ' ';
  if (c < 0x20 || c == 0x7f || glyph_width[c] <= 0) return replacement;
  return static_cast<char>(c);
}

class line_builder {
 public:
  line_builder(const int* glyph_width, int max_width, int max_lines, dialog_text_layout* out)
      : glyph_width_(glyph_width), max_width_(max_width), max_lines_(max_lines), out_(out) {}

  bool full() const { return out_->cut; }

  void add(char c) {
    const int w = width_of(static_cast<unsigned char>(c), glyph_width_);
    if (!line_.empty() && width_ + w > max_width_) {
      if (c == ' ') {  // the break falls on a space: it is dropped
        emit();
        return;
      }
      const size_t space = line_.rfind(' ');
      if (space != std::string::npos && space > 0) {
        std::string rest = line_.substr(space + 1);
        line_.resize(space);
        emit();
        if (full()) return;
        line_ = std::move(rest);
        width_ = dialog_text_width(line_, glyph_width_);
        add(c);  // the carried word and c may still not fit together
        return;
      } else {
        emit();
        if (full()) return;
      }
    }
    line_ += c;
    width_ += w;
  }

  // The end of the text: a last empty line is not worth a cut.
  void finish() {
    if (line_.empty() && static_cast<int>(out_->lines.size()) == max_lines_) return;
    emit();
  }

  // Ends the current line (also an empty one).
  void emit() {
    if (full()) return;
    if (static_cast<int>(out_->lines.size()) == max_lines_) {
      cut_last_line();
      return;
    }
    out_->lines.push_back(std::move(line_));
    line_.clear();
    width_ = 0;
  }

 private:
  void cut_last_line() {
    out_->cut = true;
    std::string& last = out_->lines.back();
    const int tail = dialog_text_width(ellipsis, glyph_width_);
    while (!last.empty() && dialog_text_width(last, glyph_width_) + tail > max_width_)
      last.pop_back();
    last += ellipsis;
  }

  const int* glyph_width_;
  int max_width_;
  int max_lines_;
  dialog_text_layout* out_;
  std::string line_;
  int width_ = 0;
};

}  // namespace

int dialog_text_width(const std::string& s, const int glyph_width[256]) {
  int w = 0;
  for (unsigned char c : s) w += width_of(c, glyph_width);
  return w;
}

dialog_text_layout layout_dialog_text(const char* text, const int glyph_width[256], int max_width,
                                      int max_lines) {
  dialog_text_layout out;
  if (max_lines < 1) max_lines = 1;
  line_builder builder(glyph_width, max_width, max_lines, &out);
  for (const char* p = text ? text : ""; *p && !builder.full(); ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\n')
      builder.emit();
    else if (c != '\r')
      builder.add(shown(c, glyph_width));
  }
  builder.finish();
  for (const std::string& line : out.lines) {
    const int w = dialog_text_width(line, glyph_width);
    if (w > out.widest) out.widest = w;
  }
  return out;
}

dialog_controls dialog_controls_new(bool yes_no) {
  dialog_controls c;
  c.buttons = yes_no ? 2 : 1;
  return c;
}

int32_t dialog_button_answer(const dialog_controls& c, int index) {
  if (c.buttons == 1) return mb_answer_ok;
  return index == 0 ? mb_answer_yes : mb_answer_no;
}

int32_t dialog_close_answer(const dialog_controls& c) {
  return c.buttons == 1 ? mb_answer_ok : mb_answer_no;
}

int32_t dialog_key_press(dialog_controls* c, unsigned keycode, unsigned long keysym) {
  if (keycode < c->held.size() && c->held[keycode]) return 0;
  const bool yes_no = c->buttons == 2;
  switch (keysym) {
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
    case XK_KP_Space:
      return dialog_button_answer(*c, c->focused);
    case XK_Escape:
      return dialog_close_answer(*c);
    case XK_y:
    case XK_Y:
      return yes_no ? mb_answer_yes : 0;
    case XK_n:
    case XK_N:
      return yes_no ? mb_answer_no : 0;
    case XK_Tab:
    case XK_Right:
    case XK_Down:
    case XK_KP_Right:
    case XK_KP_Down:
      c->focused = (c->focused + 1) % c->buttons;
      return 0;
    case XK_ISO_Left_Tab:
    case XK_Left:
    case XK_Up:
    case XK_KP_Left:
    case XK_KP_Up:
      c->focused = (c->focused + c->buttons - 1) % c->buttons;
      return 0;
    default:
      return 0;
  }
}

void dialog_key_release(dialog_controls* c, unsigned keycode) {
  if (keycode < c->held.size()) c->held[keycode] = false;
}

void dialog_pointer_press(dialog_controls* c, int index) {
  c->armed = index;
  if (index >= 0) c->focused = index;
}

int32_t dialog_pointer_release(dialog_controls* c, int index) {
  const int armed = c->armed;
  c->armed = -1;
  return (armed >= 0 && armed == index) ? dialog_button_answer(*c, index) : 0;
}

#include "runtime/graphics/graphics.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/core/core.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

namespace {

constexpr double degrees_to_radians = 0.0174532925199433;

struct vec {
  double x, y;
};
vec operator-(vec v) { return {-v.x, -v.y}; }

struct command_string {
  const uint8_t* text;
  int32_t length;
  int32_t at;
};

// The strings suspended by X, innermost last.
command_string suspended[turtle_nesting_max];

struct turtle {
  image_record* img;
  double pen_x, pen_y;  // pixels, unrounded
  uint32_t colour;
  double scale;
  double aspect, inverse;  // pixel aspect of the mode and its inverse
  vec up, right, up_right, down_right;
  bool blank;      // the next move draws nothing
  bool no_update;  // the next move leaves the pen where it is
  command_string current;
  int32_t depth;  // strings suspended
};

// The direction vectors for an angle in degrees: unrotated, then turned.
void set_angle(turtle& t, double degrees) {
  const double a = t.aspect;
  t.up = {0, -1};
  t.right = {a, 0};
  t.up_right = {a, -1};
  t.down_right = {a, 1};
  if (degrees == 0) return;
  const double s = std::sin(degrees * degrees_to_radians), c = std::cos(degrees * degrees_to_radians);
  for (vec* v : {&t.up, &t.right, &t.up_right, &t.down_right}) *v = {v->x * c + v->y * s, v->y * c - v->x * s};
}

int32_t peek(const turtle& t) { return t.current.at < t.current.length ? t.current.text[t.current.at] : -1; }
bool is_blank(int32_t c) { return c == ' ' || c == '\t'; }
void skip_blanks(turtle& t) {
  while (is_blank(peek(t))) ++t.current.at;
}
// Takes c when it comes next.
bool take(turtle& t, int32_t c) {
  if (peek(t) != c) return false;
  ++t.current.at;
  return true;
}

// The three bytes of a reference: type code and 16-bit offset. False when the string ends first.
bool take_reference(turtle& t, uint8_t* type, uint32_t* offset) {
  if (t.current.length - t.current.at < 3) return false;
  const uint8_t* b = t.current.text + t.current.at;
  *type = b[0];
  *offset = b[1] | static_cast<uint32_t>(b[2]) << 8;
  t.current.at += 3;
  return true;
}

template <typename T>
bool load_value(uint32_t offset, double* out) {
  const uint8_t* p = data_segment_bytes(offset, sizeof(T));
  if (!p) return false;
  T v;
  std::memcpy(&v, p, sizeof(T));
  *out = static_cast<double>(v);
  return true;
}

// The value of the numeric variable a reference names; false for an unknown
// type code or a variable that does not lie wholly inside the data segment.
bool referenced_value(uint8_t type, uint32_t offset, double* out) {
  switch (type) {
    case reference_int8: return load_value<int8_t>(offset, out);
    case reference_uint8: return load_value<uint8_t>(offset, out);
    case reference_int16: return load_value<int16_t>(offset, out);
    case reference_uint16: return load_value<uint16_t>(offset, out);
    case reference_int32: return load_value<int32_t>(offset, out);
    case reference_uint32: return load_value<uint32_t>(offset, out);
    case reference_int64: return load_value<int64_t>(offset, out);
    case reference_uint64: return load_value<uint64_t>(offset, out);
    case reference_single: return load_value<float>(offset, out);
    case reference_double: return load_value<double>(offset, out);
    case reference_extended: {
      // 80-bit extended: the x87 format of long double on this machine, rounded to double.
      static_assert(std::numeric_limits<long double>::digits == 64, "long double must be the x87 extended format");
      const uint8_t* p = data_segment_bytes(offset, 10);
      if (!p) return false;
      long double v = 0;
      std::memcpy(&v, p, 10);
      *out = static_cast<double>(v);
      return true;
    }
    default:
      return false;
  }
}

enum class number_kind { value, none, bad };
struct number {
  number_kind kind;
  double value;
};

// A number at the current position: digits with an optional point and leading
// signs (spaces and tabs skipped anywhere), or "=" and a variable reference.
number draw_number(turtle& t) {
  skip_blanks(t);
  if (take(t, '=')) {
    uint8_t type;
    uint32_t offset;
    double value;
    if (!take_reference(t, &type, &offset) || !referenced_value(type, offset, &value)) return {number_kind::bad, 0};
    return {number_kind::value, value};
  }
  double value = 0, place = 0.1, sign = 1;
  bool signs = false, digits = false, point = false, digits_after_point = false;
  for (;;) {
    const int32_t c = peek(t);
    if (is_blank(c)) {
      ++t.current.at;
    } else if (c == '=') {
      return {number_kind::bad, 0};
    } else if (c == '+' || c == '-') {
      if (digits || point) return {number_kind::bad, 0};
      if (c == '-') sign = -sign;
      signs = true;
      ++t.current.at;
    } else if (c == '.' && !point) {
      point = true;
      ++t.current.at;
    } else if (c >= '0' && c <= '9') {
      if (point) {
        value += (c - '0') * place;
        place /= 10;
        digits_after_point = true;
      } else {
        value = value * 10 + (c - '0');
      }
      digits = true;
      ++t.current.at;
    } else {
      break;
    }
  }
  if ((signs && !digits) || (point && digits && !digits_after_point)) return {number_kind::bad, 0};
  if (!digits) return {number_kind::none, 0};
  return {number_kind::value, sign * value};
}

// A number that must be there and be good.
bool required_number(turtle& t, double* out) {
  const number n = draw_number(t);
  *out = n.value;
  return n.kind == number_kind::value;
}

// A whole number that fits a colour (negative values wrap as 32-bit integers).
bool whole_colour(double v, uint32_t* out) {
  if (!(v == std::trunc(v)) || v < -2147483648.0 || v > 4294967295.0) return false;
  *out = v < 0 ? static_cast<uint32_t>(static_cast<int64_t>(v)) : static_cast<uint32_t>(v);
  return true;
}

// A move to (x, y): a line from the pen unless blank, then the pen moves unless no-update.
void move_to(turtle& t, double x, double y) {
  if (!t.blank) pixel_line(t.img, t.pen_x, t.pen_y, x, y, t.colour);
  if (!t.no_update) {
    t.pen_x = x;
    t.pen_y = y;
  }
  t.blank = t.no_update = false;
}

// U, D, L, R, E, F, G, H: count steps along v (one without a count), stretched across by 1/aspect.
bool move_along(turtle& t, vec v) {
  const number n = draw_number(t);
  if (n.kind == number_kind::bad) return false;
  const double count = n.kind == number_kind::value ? n.value : 1;
  move_to(t, t.pen_x + t.scale * count * v.x * t.inverse, t.pen_y + t.scale * count * v.y);
  return true;
}

// M x,y: absolute pixels, or relative (a sign first) through scale and rotation.
bool move_command(turtle& t) {
  skip_blanks(t);
  const bool relative = peek(t) == '+' || peek(t) == '-';
  double x, y;
  if (!required_number(t, &x)) return false;
  skip_blanks(t);
  if (!take(t, ',') || !required_number(t, &y)) return false;
  if (relative)
    move_to(t, t.pen_x + t.scale * (x * t.right.x - y * t.up.x) * t.inverse,
            t.pen_y + t.scale * (x * t.right.y - y * t.up.y));
  else
    move_to(t, x, y);
  return true;
}

// P f,b: fills from the pen with colour f up to border b.
bool paint_command(turtle& t) {
  double f, b;
  uint32_t fill, border;
  if (!required_number(t, &f) || !whole_colour(f, &fill)) return false;
  skip_blanks(t);
  if (!take(t, ',') || !required_number(t, &b) || !whole_colour(b, &border)) return false;
  const float x = static_cast<float>(logical_x(t.img, t.pen_x)), y = static_cast<float>(logical_y(t.img, t.pen_y));
  paint_fill(x, y, fill, border, paint_colour_given | paint_border_given);
  t.colour = fill;
  return true;
}

// X and a string reference: the string's commands run before the rest of this one.
// Returns 0, or the error to raise.
int32_t substring_command(turtle& t) {
  constexpr int32_t bad = err_illegal_function_call;
  uint8_t type;
  uint32_t offset;
  if (!take_reference(t, &type, &offset) || type != reference_string) return bad;
  const uint8_t* record = data_segment_bytes(offset, 4);
  if (!record) return bad;
  const uint32_t length = record[0] | static_cast<uint32_t>(record[1]) << 8;
  const uint8_t* text = data_segment_bytes(record[2] | static_cast<uint32_t>(record[3]) << 8, length);
  if (!text) return bad;
  if (t.depth == turtle_nesting_max) return err_overflow;
  suspended[t.depth++] = t.current;
  t.current = {text, static_cast<int32_t>(length), 0};
  return 0;
}

// One command at the current position; 0, or the error to raise.
int32_t command(turtle& t) {
  constexpr int32_t bad = err_illegal_function_call;
  int32_t c = t.current.text[t.current.at++];
  if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
  double n;
  switch (c) {
    case ' ':
    case '\t':
    case ';':
      return 0;
    case 'U': return move_along(t, t.up) ? 0 : bad;
    case 'D': return move_along(t, -t.up) ? 0 : bad;
    case 'L': return move_along(t, -t.right) ? 0 : bad;
    case 'R': return move_along(t, t.right) ? 0 : bad;
    case 'E': return move_along(t, t.up_right) ? 0 : bad;
    case 'F': return move_along(t, t.down_right) ? 0 : bad;
    case 'G': return move_along(t, -t.up_right) ? 0 : bad;
    case 'H': return move_along(t, -t.down_right) ? 0 : bad;
    case 'M': return move_command(t) ? 0 : bad;
    case 'B':
      t.blank = true;
      return 0;
    case 'N':
      t.no_update = true;
      return 0;
    case 'C':
      if (!required_number(t, &n) || !whole_colour(n, &t.colour)) return bad;
      t.img->draw_colour = t.colour;
      return 0;
    case 'S':
      if (!required_number(t, &n) || !(n >= 0)) return bad;
      t.scale = n / 4;
      t.img->draw_scale = t.scale;
      return 0;
    case 'A':
      if (!required_number(t, &n) || !(n == 0 || n == 1 || n == 2 || n == 3)) return bad;
      t.img->draw_angle = n * 90;
      set_angle(t, n * 90);
      return 0;
    case 'T':
      skip_blanks(t);
      if (!take(t, 'A') && !take(t, 'a')) return bad;
      if (!required_number(t, &n)) return bad;
      t.img->draw_angle = n;
      set_angle(t, n);
      return 0;
    case 'P':
      return paint_command(t) ? 0 : bad;
    case 'X':
      return substring_command(t);
    default:
      return bad;
  }
}

// Runs the command strings to their end; false once an error has been raised
// or the program is to stop (sub-strings may ask for more work than a
// lifetime holds, so every command looks).
bool run(turtle& t) {
  for (;;) {
    if (t.current.at >= t.current.length) {
      if (t.depth == 0) return true;
      t.current = suspended[--t.depth];
      continue;
    }
    if (statement_stopping()) return false;
    const int32_t error = command(t);
    if (error) {
      raise_error(error);
      return false;
    }
    if (error_report.pending.load(std::memory_order_relaxed)) return false;  // a fill ran out of memory
  }
}

}  // namespace

void turtle_draw_bytes(const uint8_t* text, int32_t length) {
  image_record* img = graphics_statement_image();
  if (!img) return;
  turtle t{};
  t.img = img;
  t.scale = img->draw_scale;
  t.aspect = mode_aspect(img->mode);
  t.inverse = 1 / t.aspect;
  set_angle(t, img->draw_angle);
  t.pen_x = exact_pixel_x(img, img->gfx_x);
  t.pen_y = exact_pixel_y(img, img->gfx_y);
  t.colour = img->draw_colour;
  t.current = {text, text && length > 0 ? length : 0, 0};
  const note_write_at_exit mark;
  if (!run(t)) return;
  img->gfx_x = static_cast<float>(logical_x(img, t.pen_x));
  img->gfx_y = static_cast<float>(logical_y(img, t.pen_y));
}

void turtle_draw(const str_desc* commands) {
  turtle_draw_bytes(commands ? commands->chars : nullptr, commands ? commands->len : 0);
}

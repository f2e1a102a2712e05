#include "runtime/os/os.h"

#include <cstring>
#include <string>

#include "runtime/core/core.h"
#include "runtime/platform/clipboard.h"
#include "runtime/strings/strings.h"

namespace {

// How long the end of the program waits for a clipboard manager to take the text.
constexpr int32_t hand_over_ms = 2000;

size_t up_to_zero(const uint8_t* text, size_t length) {
  const void* zero = std::memchr(text, 0, length);
  return zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - text) : length;
}

std::string without_carriage_returns(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

std::string with_carriage_returns(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

void clipboard_set(const str_desc* text) {
  if (error_report.pending.load() != 0) return;
  const uint8_t* chars = text && text->len > 0 ? text->chars : nullptr;
  const size_t length = chars ? up_to_zero(chars, static_cast<size_t>(text->len)) : 0;
  clipboard_offer(without_carriage_returns(cp437_to_utf8(chars, length)));
}

str_desc* clipboard_get() {
  std::string utf8;
  if (error_report.pending.load() != 0 || !clipboard_read(&utf8)) return str_new(0, true);
  const size_t length = up_to_zero(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
  const std::string text = with_carriage_returns(utf8_to_cp437(utf8.data(), length));
  str_desc* s = str_new(static_cast<uint32_t>(text.size()), true);
  if (!text.empty()) std::memcpy(s->chars, text.data(), text.size());
  return s;
}

void clipboard_end_of_program() { clipboard_hand_over(hand_over_ms); }

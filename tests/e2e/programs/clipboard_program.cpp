// Test program, step by step: puts texts on the clipboard and reads the
// clipboard back, writing what it read as "got=" and its bytes in hexadecimal
// (or, for large texts, its length and a checksum).
//   1: sets a short text with code page 437 characters above 127 and CR LF
//   2: reads the clipboard
//   3: sets a text of 5 MB
//   4: reads the clipboard (a large text), as length and checksum
//   5: sets a text, then keeps the program thread busy for 3 s
//   6: sets a text with a zero byte in it, then ends
#include <cstdio>
#include <string>

#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "tests/e2e/programs/test_steps.h"

namespace {

// Large texts: every code from 1 to 255 but 13 and 10, in lines of 64 with CR LF.
std::string large_text(size_t size) {
  std::string text;
  text.reserve(size);
  int code = 1;
  while (text.size() < size) {
    if (text.size() % 66 == 64) {
      text += "\r\n";
      continue;
    }
    text += static_cast<char>(code);
    code = code % 255 + 1;
    if (code == 10 || code == 13) ++code;
  }
  return text;
}

uint32_t checksum(const str_desc* s) {
  uint32_t sum = 0;
  for (int32_t i = 0; i < s->len; ++i) sum = sum * 31 + s->chars[i];
  return sum;
}

void set(const std::string& text) { clipboard_set(str_from_text(text.data(), static_cast<uint32_t>(text.size()))); }

}  // namespace

void program_main() {
  const uint32_t mark = program_preamble();
  await_window(1);

  await_step(1);
  set("Caf\x82 \xE1 \xC9\xCD\xBB \x01 50\xF8\r\nnext line");
  statement_end(3, mark);
  done(1);

  await_step(2);
  const str_desc* got = clipboard_get();
  std::printf("got=");
  for (int32_t i = 0; i < got->len; ++i) std::printf("%02X", got->chars[i]);
  std::printf("\n");
  statement_end(4, mark);
  done(2);

  await_step(3);
  set(large_text(5 * 1024 * 1024));
  statement_end(5, mark);
  done(3);

  await_step(4);
  got = clipboard_get();
  std::printf("large=%d %08X\n", got->len, checksum(got));
  statement_end(6, mark);
  done(4);

  await_step(5);
  set("served while busy");
  statement_end(7, mark);
  done(5);
  // A long computation: no statement ends, nothing sleeps.
  const int64_t until = ms_counter() + 3000;
  volatile uint64_t spin = 0;
  while (ms_counter() < until) spin = spin + 1;
  std::printf("busy done\n");
  std::fflush(stdout);
  statement_end(8, mark);

  await_step(6);
  set(std::string("before zero\0after zero", 22));
  statement_end(9, mark);
  done(6);
  program_end();
}

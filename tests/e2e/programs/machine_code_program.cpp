// Test program: machine code that fills the SCREEN 13 picture through the
// window at A000 (row y in colour y), shown in manual display with its frame
// written to a file; then machine code that never returns, which a close
// request must end. Steps wait for a file named by their number in the folder
// given on the command line.
#include <cstdio>

#include "runtime/core/core.h"
#include "runtime/cpu/cpu.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/screen/screen.h"
#include "tests/e2e/programs/frame_file.h"
#include "tests/e2e/programs/test_steps.h"

namespace {

//         mov ax, 0A000h / mov es, ax / xor di, di / xor dx, dx
// row:    mov cx, 320 / mov al, dl / rep stosb / inc dx / cmp dx, 200 / jb row
//         retf
constexpr uint8_t fill_code[] = {0xB8, 0x00, 0xA0, 0x8E, 0xC0, 0x31, 0xFF, 0x31, 0xD2, 0xB9, 0x40, 0x01,
                                 0x88, 0xD0, 0xF3, 0xAA, 0x42, 0x81, 0xFA, 0xC8, 0x00, 0x72, 0xF2, 0xCB};
constexpr uint8_t endless_code[] = {0xEB, 0xFE};  // jmp $

void poke_code(const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) poke(static_cast<int32_t>(i), bytes[i]);
}

}  // namespace

void program_main() {
  program_preamble();
  await_step(1);
  screen_set(13, 0, 0, 0, 0, 1);  // 1
  statement_end(1);
  def_seg(0x7000, 1);  // 2
  statement_end(2);
  poke_code(fill_code, sizeof fill_code);  // 3
  statement_end(3);
  machine_call(0, nullptr, 0);  // 4
  statement_end(4);
  display_statement();  // 5: manual display from here on
  statement_end(5);
  frame_done(1);

  await_step(2);
  poke_code(endless_code, sizeof endless_code);  // 6
  statement_end(6);
  done(2);
  machine_call(0, nullptr, 0);  // 7: ends only by the close request
  statement_end(7);
  std::printf("after the call\n");
  std::fflush(stdout);
  program_end();  // 8
}

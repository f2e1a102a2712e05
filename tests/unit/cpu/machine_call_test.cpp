// The call statement (arguments out and back, strings, far returns, errors,
// stops), the served interrupts and the memory statements, on the start-up
// screen.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/cpu/cpu.h"
#include "runtime/screen/screen.h"
#include "tests/unit/screen/screen_fixture.h"

namespace {

constexpr uint16_t code_segment = 0x2000;
constexpr uint32_t results = 0x30000;  // where the interrupt cases store registers

class MachineCallTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    machine_reset();
    std::memset(conventional_memory, 0, 0x400);  // no vectors
    std::memset(conventional_memory + 0x20000, 0, 0x20000);
    def_seg(code_segment, 1);
  }
  void TearDown() override {
    def_seg(0, 0);
    run_flags_reset();
    ScreenTest::TearDown();
  }
  static void code(const std::vector<uint8_t>& bytes) {
    std::memcpy(conventional_memory + (code_segment << 4), bytes.data(), bytes.size());
  }
  static uint16_t result(int i) { return cm_read16(results + 2 * i); }
};

// Sets AX, BX, CX, DX, raises INT n, then stores AX, BX, CX, DX and the flags
// at 3000:0000 and returns far.
std::vector<uint8_t> interrupt_code(uint8_t n, uint16_t ax, uint16_t bx = 0, uint16_t cx = 0, uint16_t dx = 0) {
  auto lo = [](uint16_t v) { return static_cast<uint8_t>(v); };
  auto hi = [](uint16_t v) { return static_cast<uint8_t>(v >> 8); };
  return {0xB8, lo(ax), hi(ax), 0xBB, lo(bx), hi(bx), 0xB9, lo(cx), hi(cx), 0xBA, lo(dx), hi(dx), 0xCD, n,
          0x50, 0xB8, 0x00, 0x30, 0x8E, 0xC0, 0x58,  // push ax; mov ax, 3000h; mov es, ax; pop ax
          0x26, 0xA3, 0x00, 0x00, 0x26, 0x89, 0x1E, 0x02, 0x00, 0x26, 0x89, 0x0E, 0x04, 0x00,
          0x26, 0x89, 0x16, 0x06, 0x00, 0x9C, 0x58, 0x26, 0xA3, 0x08, 0x00, 0xCB};
}

TEST_F(MachineCallTest, ArgumentsGoOutAsNearAddressesAndComeBack) {
  // push bp; mov bp, sp; mov bx, [bp+8] (first: the integer); add word [bx], 5;
  // mov bx, [bp+6] (second: the string's record); mov si, [bx+2]; mov byte [si], 'X';
  // mov ax, [bx]; mov bx, [bp+8]; add [bx], ax (the string's length); pop bp; retf 4
  code({0x55, 0x89, 0xE5, 0x8B, 0x5E, 0x08, 0x83, 0x07, 0x05, 0x8B, 0x5E, 0x06, 0x8B, 0x77, 0x02, 0xC6, 0x04, 0x58,
        0x8B, 0x07, 0x8B, 0x5E, 0x08, 0x01, 0x07, 0x5D, 0xCA, 0x04, 0x00});
  int16_t number = 100;                                  // lives outside the megabyte: a scratch copy
  str_desc* heap_string = str_new(3, false);             // a heap string: a scratch record and copy
  std::memcpy(heap_string->chars, "abc", 3);
  str_desc* segment_string = str_new_in_segment(4, false);  // passed where it is
  std::memcpy(segment_string->chars, "wxyz", 4);
  const struct {
    const char* name;
    str_desc* string;
    const char* want;
    int16_t want_number;
  } cases[] = {{"heap string", heap_string, "Xbc", 108}, {"in-segment string", segment_string, "Xxyz", 117}};
  for (const auto& c : cases) {
    machine_argument args[2];
    args[0].bytes = &number;
    args[0].size = 2;
    args[1].string = c.string;
    machine_call(0, args, 2);
    EXPECT_EQ(take_error(), 0) << c.name;
    EXPECT_EQ(number, c.want_number) << c.name;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(c.string->chars), static_cast<size_t>(c.string->len)), c.want)
        << c.name;
  }
  str_free(heap_string);
  str_free(segment_string);
}

TEST_F(MachineCallTest, EndsOfTheCodeAndTheErrorsTheyRaise) {
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t error;
  } cases[] = {
      {"retf", {0xCB}, 0},
      {"iret to the sentinel", {0x9C, 0x0E, 0xE8, 0x00, 0x00, 0x83, 0xC4, 0x06, 0xCF}, 0},  // pushf/push cs/call: pops 6, iret
      {"int 20h", {0xCD, 0x20}, 0},
      {"int 21h 4Ch", {0xB4, 0x4C, 0xCD, 0x21}, 0},
      {"divide by zero", {0x31, 0xC9, 0xF7, 0xF1}, err_machine_divide_error},
      {"aam 0", {0xD4, 0x00}, err_machine_divide_error},
      {"fe /7", {0xFE, 0xF8}, err_machine_invalid_opcode},
      {"hlt", {0xF4}, err_machine_halt},
      {"int 5", {0xCD, 0x05}, err_machine_interrupt_base + 5},
      {"unoffered int 21h function", {0xB4, 0x3D, 0xCD, 0x21}, err_machine_interrupt_base + 0x21},
  };
  for (const auto& c : cases) {
    code(c.bytes);
    machine_call(0, nullptr, 0);
    EXPECT_EQ(take_error(), c.error) << c.name;
  }
  EXPECT_STREQ(error_message(err_machine_interrupt_base + 0x5), "Machine code called INT 05h, which is not served");
}

TEST_F(MachineCallTest, AVectorTheCodeInstallsIsUsed) {
  // mov ax, cs; mov ds, ax; mov dx, 20h; mov ax, 2560h; int 21h (vector 60h = CS:0020);
  // int 60h; retf. At 0020: mov bx, 1234h; iret.
  std::vector<uint8_t> bytes = {0x8C, 0xC8, 0x8E, 0xD8, 0xBA, 0x20, 0x00, 0xB8, 0x60, 0x25, 0xCD, 0x21,
                                0xCD, 0x60, 0x89, 0x1E, 0x40, 0x00, 0xCB};
  bytes.resize(0x20);
  for (uint8_t b : {0xBB, 0x34, 0x12, 0xCF}) bytes.push_back(b);
  code(bytes);
  machine_call(0, nullptr, 0);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(cm_read16((code_segment << 4) + 0x40), 0x1234);
  EXPECT_EQ(cm_read16(0x60 * 4), 0x20);
  EXPECT_EQ(cm_read16(0x60 * 4 + 2), code_segment);
}

TEST_F(MachineCallTest, ServedInterruptsAnswerFromTheRuntime) {
  cm_write16(bios_tick_count, 0x5678);
  cm_write16(bios_tick_count + 2, 0x0012);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    int reg;  // 0 AX, 1 BX, 2 CX, 3 DX, 4 flags
    uint16_t mask;
    uint16_t want;
  } cases[] = {
      {"dos version", interrupt_code(0x21, 0x3000), 0, 0xFFFF, 0x0005},
      {"tick count high", interrupt_code(0x1A, 0x0000), 2, 0xFFFF, 0x0012},
      {"tick count low", interrupt_code(0x1A, 0x0000), 3, 0xFFFF, 0x5678},
      {"key status, none waiting: ZF", interrupt_code(0x16, 0x0100), 4, flag_zf, flag_zf},
      {"video mode of the text screen", interrupt_code(0x10, 0x0F00), 0, 0xFFFF, 0x5003},
      {"cursor at the top left", interrupt_code(0x10, 0x0300), 3, 0xFFFF, 0x0000},
      {"mouse reset", interrupt_code(0x33, 0x0000), 0, 0xFFFF, 0xFFFF},
      {"mouse buttons", interrupt_code(0x33, 0x0000), 1, 0xFFFF, 3},
  };
  for (const auto& c : cases) {
    code(c.bytes);
    machine_call(0, nullptr, 0);
    EXPECT_EQ(take_error(), 0) << c.name;
    EXPECT_EQ(result(c.reg) & c.mask, c.want) << c.name;
  }
}

TEST_F(MachineCallTest, VideoServicesAndWindowsChangeTheWritePage) {
  // Set the cursor to row 2, column 5, write 'Q' with attribute 1Eh three times.
  code(interrupt_code(0x10, 0x0200, 0, 0, 0x0205));
  machine_call(0, nullptr, 0);
  code(interrupt_code(0x10, 0x0951, 0x001E, 3));
  machine_call(0, nullptr, 0);
  EXPECT_EQ(take_error(), 0);
  image_record* img = write_image;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(img->data[(2 * 80 + 5 + i) * 2], 'Q');
    EXPECT_EQ(img->data[(2 * 80 + 5 + i) * 2 + 1], 0x1E);
  }
  EXPECT_EQ(cursor_col_of(img), 6);  // the cursor stays
  // The text window at B800 is the same cells.
  def_seg(0xB800, 1);
  EXPECT_EQ(peek((2 * 80 + 5) * 2), 'Q');
  poke(0, 'Z');
  EXPECT_EQ(img->data[0], 'Z');
  EXPECT_EQ(peek(80 * 25 * 2), 0xFF);  // past the page
  def_seg(0xA000, 1);
  EXPECT_EQ(peek(0), 0xFF);  // no graphics window in a text mode
  // Mode 13h through INT 10h, then pixels through the window and the service.
  def_seg(code_segment, 1);
  code(interrupt_code(0x10, 0x0013));
  machine_call(0, nullptr, 0);
  EXPECT_EQ(take_error(), 0);
  img = write_image;
  ASSERT_EQ(img->mode, 13);
  def_seg(0xA000, 1);
  poke(320 * 10 + 7, 42);
  EXPECT_EQ(img->data[320 * 10 + 7], 42);
  EXPECT_EQ(peek(64000), 0xFF);
  def_seg(code_segment, 1);
  code(interrupt_code(0x10, 0x0D00, 0, 7, 10));  // read pixel 7, 10
  machine_call(0, nullptr, 0);
  EXPECT_EQ(result(0) & 0xFF, 42);
  code(interrupt_code(0x10, 0x0C05, 0, 8, 10));  // write pixel 8, 10 in colour 5
  machine_call(0, nullptr, 0);
  EXPECT_EQ(img->data[320 * 10 + 8], 5);
}

TEST_F(MachineCallTest, AnEndlessLoopEndsOnACloseRequest) {
  code({0xEB, 0xFE});  // jmp $
  run_flags.exit_request.store(2);  // Ctrl+Break while the program takes close requests itself
  machine_call(0, nullptr, 0);
  EXPECT_EQ(take_error(), 0);
}

TEST_F(MachineCallTest, MemoryStatementsCheckTheirArgumentsAndSeeTheBiosArea) {
  def_seg(0, 1);
  EXPECT_EQ(peek(bios_kbd_head), cm_read8(bios_kbd_head));
  poke(0x417, 0x40);
  EXPECT_EQ(cm_read8(0x417), 0x40);
  poke(0x417, 0);
  const struct {
    const char* name;
    void (*call)();
  } refused[] = {
      {"peek 65536", [] { peek(65536); }},
      {"poke value 256", [] { poke(0, 256); }},
      {"poke value -1", [] { poke(0, -1); }},
      {"def seg 70000", [] { def_seg(70000, 1); }},
      {"varptr of memory outside the megabyte", [] { static int x; variable_offset(&x); }},
  };
  for (const auto& r : refused) {
    r.call();
    EXPECT_EQ(take_error(), err_illegal_function_call) << r.name;
  }
  EXPECT_EQ(def_seg_current(), 0);
  def_seg(-1, 1);  // a negative segment is its 16-bit pattern
  EXPECT_EQ(def_seg_current(), 0xFFFF);
  // Addresses of bytes in the data segment and elsewhere in the megabyte.
  EXPECT_EQ(variable_segment(conventional_memory + 0x600), data_segment_paragraph);
  EXPECT_EQ(variable_offset(conventional_memory + 0x600), 0x100);
  EXPECT_EQ(variable_segment(conventional_memory + 0x23457), 0x2345);
  EXPECT_EQ(variable_offset(conventional_memory + 0x23457), 7);
  str_desc* s = str_new_in_segment(2, false);
  EXPECT_EQ(string_address(s), s->chars - (conventional_memory + string_segment_offset));
  EXPECT_EQ(string_record_offset(s), s->segment_record_offset);
  EXPECT_EQ(string_record_segment(s), data_segment_paragraph);
  str_free(s);
  str_desc* heap = str_new(2, false);  // no record in the data segment: VARSEG is refused
  EXPECT_EQ(string_record_segment(heap), 0);
  EXPECT_EQ(take_error(), err_illegal_function_call);
  str_free(heap);
}

}  // namespace

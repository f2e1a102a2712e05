// The interpreter where the recorded hardware cases leave gaps: MOVSB and
// MOVSW (absent from the recorded set), REP yielding in chunks, the sentinel,
// and the hooks for slow pages.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/cpu/cpu.h"

namespace {

struct machine {
  std::vector<uint8_t> memory = std::vector<uint8_t>(0x100000, 0);
  cpu_state cpu;
  machine() {
    cpu_attach(cpu, memory.data(), nullptr);
    cpu.sregs[seg_cs] = 0x1000;
    cpu.sregs[seg_ss] = 0x3000;
    cpu.regs[reg_sp] = 0x100;
  }
  void code(std::initializer_list<uint8_t> bytes) {
    std::memcpy(&memory[0x10000 + cpu.ip], bytes.begin(), bytes.size());
  }
  uint8_t& at(uint16_t seg, uint16_t off) { return memory[((seg << 4) + off) & 0xFFFFF]; }
};

struct moves_case {
  const char* name;
  std::vector<uint8_t> bytes;  // the instruction with its prefixes
  bool down;                   // DF set
  uint16_t si, di, cx;
  uint16_t want_si, want_di, want_cx;
  // The destination bytes ES:want_at.. after the move, from the source
  // DS:0x10.. = 1, 2, 3, ... (or CS: for the override case).
  uint16_t want_at;
  std::vector<uint8_t> want;
};

TEST(CpuInterpreter, StringMovesCopyAndStepAsTheDirectionFlagSays) {
  const moves_case cases[] = {
      {"movsb", {0xA4}, false, 0x10, 0x20, 7, 0x11, 0x21, 7, 0x20, {1, 0}},
      {"movsw", {0xA5}, false, 0x10, 0x20, 7, 0x12, 0x22, 7, 0x20, {1, 2, 0}},
      {"movsb down", {0xA4}, true, 0x12, 0x22, 0, 0x11, 0x21, 0, 0x21, {0, 3, 0}},
      {"movsw down", {0xA5}, true, 0x12, 0x22, 0, 0x10, 0x20, 0, 0x22, {3, 4}},
      {"rep movsb", {0xF3, 0xA4}, false, 0x10, 0x20, 3, 0x13, 0x23, 0, 0x20, {1, 2, 3, 0}},
      {"rep movsw", {0xF3, 0xA5}, false, 0x10, 0x20, 2, 0x14, 0x24, 0, 0x20, {1, 2, 3, 4, 0}},
      {"repne movsb (F2 repeats too)", {0xF2, 0xA4}, false, 0x10, 0x20, 2, 0x12, 0x22, 0, 0x20, {1, 2, 0}},
      {"rep movsb with CX 0 moves nothing", {0xF3, 0xA4}, false, 0x10, 0x20, 0, 0x10, 0x20, 0, 0x20, {0}},
      {"rep movsw down", {0xF3, 0xA5}, true, 0x12, 0x22, 2, 0x0E, 0x1E, 0, 0x20, {1, 2, 3, 4}},
      {"movsw at offset FFFF wraps in the segment", {0xA5}, false, 0xFFFF, 0xFFFF, 0, 0x01, 0x01, 0, 0xFFFF, {0xAA}},
  };
  for (const moves_case& c : cases) {
    machine m;
    m.cpu.sregs[seg_ds] = 0x2000;
    m.cpu.sregs[seg_es] = 0x4000;
    for (int i = 0; i < 8; ++i) m.at(0x2000, static_cast<uint16_t>(0x10 + i)) = static_cast<uint8_t>(i + 1);
    m.at(0x2000, 0xFFFF) = 0xAA;
    m.at(0x2000, 0x0000) = 0xBB;
    std::memcpy(&m.memory[0x10000], c.bytes.data(), c.bytes.size());
    if (c.down) m.cpu.flags |= flag_df;
    m.cpu.regs[reg_si] = c.si;
    m.cpu.regs[reg_di] = c.di;
    m.cpu.regs[reg_cx] = c.cx;
    EXPECT_EQ(cpu_run(m.cpu, 1), cpu_stop::none) << c.name;
    EXPECT_EQ(m.cpu.regs[reg_si], c.want_si) << c.name;
    EXPECT_EQ(m.cpu.regs[reg_di], c.want_di) << c.name;
    EXPECT_EQ(m.cpu.regs[reg_cx], c.want_cx) << c.name;
    EXPECT_EQ(m.cpu.ip, c.bytes.size()) << c.name;
    for (size_t i = 0; i < c.want.size(); ++i)
      EXPECT_EQ(m.at(0x4000, static_cast<uint16_t>(c.want_at + i)), c.want[i]) << c.name << " byte " << i;
  }
  // The wrapped word's high byte went to ES:0000 from DS:0000.
  machine m;
  m.cpu.sregs[seg_ds] = 0x2000;
  m.cpu.sregs[seg_es] = 0x4000;
  m.at(0x2000, 0xFFFF) = 0xAA;
  m.at(0x2000, 0x0000) = 0xBB;
  m.code({0xA5});
  m.cpu.regs[reg_si] = m.cpu.regs[reg_di] = 0xFFFF;
  cpu_run(m.cpu, 1);
  EXPECT_EQ(m.at(0x4000, 0xFFFF), 0xAA);
  EXPECT_EQ(m.at(0x4000, 0x0000), 0xBB);
}

TEST(CpuInterpreter, SegmentOverrideChangesTheSourceOfMovs) {
  machine m;
  m.cpu.sregs[seg_ds] = 0x2000;
  m.cpu.sregs[seg_es] = 0x4000;
  m.code({0x2E, 0xA4});  // cs: movsb reads CS:SI
  m.at(0x1000, 0x40) = 0x77;
  m.cpu.regs[reg_si] = 0x40;
  cpu_run(m.cpu, 1);
  EXPECT_EQ(m.at(0x4000, 0), 0x77);
}

TEST(CpuInterpreter, RepYieldsAfterAChunkAndResumesAtItsPrefix) {
  machine m;
  m.cpu.sregs[seg_ds] = 0x2000;
  m.cpu.sregs[seg_es] = 0x4000;
  for (int i = 0; i < 10; ++i) m.at(0x2000, static_cast<uint16_t>(i)) = static_cast<uint8_t>(0x50 + i);
  m.code({0x26, 0xF3, 0xA4, 0xF4});  // es: rep movsb; hlt
  m.cpu.regs[reg_cx] = 10;
  m.cpu.sregs[seg_ds] = 0x9000;  // the override makes ES the source
  m.cpu.sregs[seg_es] = 0x2000;
  m.cpu.regs[reg_di] = 0x100;
  m.cpu.rep_chunk = 4;
  uint64_t steps = 0;
  EXPECT_EQ(cpu_run(m.cpu, 1, &steps), cpu_stop::none);
  EXPECT_EQ(steps, 1u);
  EXPECT_EQ(m.cpu.regs[reg_cx], 6);
  EXPECT_EQ(m.cpu.ip, 0);  // back at the first prefix: the override is kept
  EXPECT_EQ(cpu_run(m.cpu, 10, &steps), cpu_stop::halted);
  EXPECT_EQ(steps, 3u);  // two more chunks and HLT
  EXPECT_EQ(m.cpu.regs[reg_cx], 0);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(m.at(0x2000, static_cast<uint16_t>(0x100 + i)), 0x50 + i);
}

TEST(CpuInterpreter, FarReturnToTheSentinelEndsTheRun) {
  machine m;
  m.code({0x90, 0xCB});  // nop; retf
  m.cpu.regs[reg_sp] = 0xFC;
  m.at(0x3000, 0xFC) = 0x34;
  m.at(0x3000, 0xFD) = 0x12;
  m.at(0x3000, 0xFE) = 0x00;
  m.at(0x3000, 0xFF) = 0xF0;
  m.cpu.sentinel_armed = true;
  m.cpu.sentinel_cs = 0xF000;
  m.cpu.sentinel_ip = 0x1234;
  uint64_t steps = 0;
  EXPECT_EQ(cpu_run(m.cpu, 100, &steps), cpu_stop::returned);
  EXPECT_EQ(steps, 2u);
  EXPECT_EQ(m.cpu.regs[reg_sp], 0x100);
}

std::vector<uint32_t> slow_reads;
std::vector<std::pair<uint32_t, uint8_t>> slow_writes;

TEST(CpuInterpreter, SlowPagesGoThroughTheHooksWithCodeFetchedThereToo) {
  cpu_hooks hooks;
  hooks.slow_pages[0xA0] = hooks.slow_pages[0xA1] = 1;
  hooks.read = [](uint32_t lin) -> uint8_t {
    slow_reads.push_back(lin);
    return lin == 0xA0000 ? 0x40 : 0x90;  // inc ax, then nops
  };
  hooks.write = [](uint32_t lin, uint8_t v) { slow_writes.push_back({lin, v}); };
  machine m;
  cpu_attach(m.cpu, m.memory.data(), &hooks);
  slow_reads.clear();
  slow_writes.clear();
  // mov ax, A000h; mov ds, ax; mov word [0FFFh], 1234h  (crosses from A000:0FFF into A000:1000)
  m.code({0xB8, 0x00, 0xA0, 0x8E, 0xD8, 0xC7, 0x06, 0xFF, 0x0F, 0x34, 0x12, 0xEA, 0x00, 0x00, 0x00, 0xA0});
  cpu_run(m.cpu, 4);
  ASSERT_EQ(slow_writes.size(), 2u);
  EXPECT_EQ(slow_writes[0], (std::pair<uint32_t, uint8_t>{0xA0FFF, 0x34}));
  EXPECT_EQ(slow_writes[1], (std::pair<uint32_t, uint8_t>{0xA1000, 0x12}));
  EXPECT_EQ(m.memory[0xA0FFF], 0);  // nothing went to the block
  // The far jump went to A000:0000, whose bytes come from the hook.
  cpu_run(m.cpu, 1);
  EXPECT_EQ(m.cpu.regs[reg_ax], 0xA001);
  EXPECT_EQ(slow_reads.back(), 0xA0000u);
}

}  // namespace

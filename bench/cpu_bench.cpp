// The 8086 interpreter on a tight loop of register arithmetic and memory
// moves, against a plain C++ loop doing the same work on the same data.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/cpu/cpu.h"

namespace {

// At 1000:0000, with DS = ES = 2000, SI and DI walking a 4 KiB table:
//   again: mov ax, [si]     ; 8B 04
//          add ax, bx       ; 01 D8
//          mov [di], ax     ; 89 05
//          xor dx, ax       ; 31 C2
//          add si, 2        ; 83 C6 02
//          and si, 0FFFh    ; 81 E6 FF 0F
//          mov di, si       ; 89 F7
//          dec cx           ; 49
//          jnz again        ; 75 EC
//          jmp again        ; EB EA  (CX wrapped: go on)
constexpr uint8_t loop_code[] = {0x8B, 0x04, 0x01, 0xD8, 0x89, 0x05, 0x31, 0xC2, 0x83, 0xC6, 0x02,
                                 0x81, 0xE6, 0xFF, 0x0F, 0x89, 0xF7, 0x49, 0x75, 0xEC, 0xEB, 0xEA};
constexpr int loop_instructions = 9;
constexpr uint64_t steps_per_run = 1u << 20;

void BM_Cpu8086RegisterAndMemoryLoop(benchmark::State& state) {
  std::vector<uint8_t> memory(0x100000, 0);
  std::memcpy(&memory[0x10000], loop_code, sizeof loop_code);
  for (int i = 0; i < 4096; ++i) memory[0x20000 + i] = static_cast<uint8_t>(i * 7);
  cpu_state cpu;
  cpu_attach(cpu, memory.data(), nullptr);
  cpu.sregs[seg_cs] = 0x1000;
  cpu.sregs[seg_ds] = cpu.sregs[seg_es] = 0x2000;
  cpu.sregs[seg_ss] = 0x3000;
  cpu.regs[reg_sp] = 0xFFFE;
  cpu.regs[reg_bx] = 0x1234;
  for (auto _ : state) {
    uint64_t done = 0;
    cpu_run(cpu, steps_per_run, &done);
    benchmark::DoNotOptimize(cpu.regs[reg_dx]);
  }
  // A wrong jump would run whatever lies after the loop instead.
  if (cpu.ip >= sizeof loop_code || cpu.regs[reg_sp] != 0xFFFE || cpu.sregs[seg_cs] != 0x1000)
    state.SkipWithError("the emulated loop left its code");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * steps_per_run));
  state.counters["emulated_instr_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * steps_per_run), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Cpu8086RegisterAndMemoryLoop);

// The same work as C++: one iteration of the loop above is one pass here, so
// items are counted as the loop's 9 instructions each.
void BM_Cpu8086RegisterAndMemoryLoopBaseline(benchmark::State& state) {
  std::vector<uint8_t> memory(0x100000, 0);
  for (int i = 0; i < 4096; ++i) memory[0x20000 + i] = static_cast<uint8_t>(i * 7);
  uint8_t* table = memory.data() + 0x20000;
  uint16_t bx = 0x1234, dx = 0, si = 0, di = 0, cx = 0;
  constexpr uint64_t passes = steps_per_run / loop_instructions;
  for (auto _ : state) {
    for (uint64_t n = 0; n < passes; ++n) {
      uint16_t ax;
      std::memcpy(&ax, table + si, 2);
      ax = static_cast<uint16_t>(ax + bx);
      std::memcpy(table + di, &ax, 2);
      dx ^= ax;
      si = static_cast<uint16_t>((si + 2) & 0x0FFF);
      di = si;
      --cx;
    }
    benchmark::DoNotOptimize(dx);
    benchmark::DoNotOptimize(cx);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * passes * loop_instructions));
}
BENCHMARK(BM_Cpu8086RegisterAndMemoryLoopBaseline);

}  // namespace

// Random bytes run as 8086 code for a bounded number of steps, with random
// registers: no crash, no access outside the megabyte (the block is exactly
// 1 MiB, so the sanitizer sees any stray byte), slow pages only reached
// through the hooks, and every stop a reason the interpreter names.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "runtime/cpu/cpu.h"

namespace {

uint8_t hook_read(uint32_t lin) {
  if (lin >= 0x100000 || (lin >> 12) < 0xA0 || (lin >> 12) >= 0xC0) std::abort();
  return static_cast<uint8_t>(lin * 31);
}
void hook_write(uint32_t lin, uint8_t) {
  if (lin >= 0x100000 || (lin >> 12) < 0xA0 || (lin >> 12) >= 0xC0) std::abort();
}
// Odd interrupts are served (with a stop for 0x20), even ones go through the table.
bool hook_interrupt(cpu_state& cpu, uint8_t n) {
  if (n == 0x20) cpu.stop = cpu_stop::terminated;
  return n & 1;
}

cpu_hooks make_hooks() {
  cpu_hooks h;
  for (int page = 0xA0; page < 0xC0; ++page) h.slow_pages[page] = 1;
  h.read = hook_read;
  h.write = hook_write;
  h.interrupt = hook_interrupt;
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const cpu_hooks hooks = make_hooks();
  static std::unique_ptr<uint8_t[]> memory(new uint8_t[0x100000]);
  if (size < 28) return 0;
  std::memset(memory.get(), 0, 0x100000);
  cpu_state cpu;
  cpu_attach(cpu, memory.get(), (data[0] & 1) ? &hooks : nullptr);
  uint16_t words[14];
  std::memcpy(words, data, sizeof words);
  for (int i = 0; i < 8; ++i) cpu.regs[i] = words[i];
  for (int i = 0; i < 4; ++i) cpu.sregs[i] = words[8 + i];
  cpu.ip = words[12];
  cpu.flags = static_cast<uint16_t>((words[13] & 0x0FD5) | flags_fixed);
  cpu.rep_chunk = 64;
  // The code at CS:IP, wrapping as the processor fetches it, and again at the
  // vector table so that interrupts through it land somewhere random.
  const uint8_t* code = data + 28;
  const size_t n = size - 28;
  for (size_t i = 0; i < n; ++i) {
    memory[((static_cast<uint32_t>(cpu.sregs[seg_cs]) << 4) + static_cast<uint16_t>(cpu.ip + i)) & 0xFFFFF] = code[i];
    if (i < 0x400) memory[i] = code[i];
  }
  uint64_t steps = 0;
  const cpu_stop stop = cpu_run(cpu, 20000, &steps);
  if (steps > 20000 || static_cast<int32_t>(stop) < 0 || static_cast<int32_t>(stop) > static_cast<int32_t>(cpu_stop::error))
    std::abort();
  if ((cpu.flags & flags_fixed) != flags_fixed) std::abort();
  return 0;
}

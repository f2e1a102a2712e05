// The machine-code call statement: a far call of DEF SEG:offset with the near
// addresses of its arguments on the stack, run in slices with a look at the
// stop words between them, ending at the far return to the sentinel address.
//
// The free bytes of the data segment (between the in-segment strings and their
// records) hold, from the bottom, the scratch copies of arguments whose bytes
// do not lie in the data segment, and from the top, the code's stack. Nothing
// else uses those bytes while the code runs: no string is made until it ends.
#include <cstring>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/cpu/cpu.h"
#include "runtime/cpu/detail/cpu_internals.h"

namespace {

// The far return address the call pushes: reaching it ends the call.
constexpr uint16_t sentinel_segment = 0xF000;
constexpr uint16_t sentinel_offset = 0xFFF0;

// Bytes kept for the code's stack above the scratch copies.
constexpr uint32_t stack_reserve = 2048;

// One argument as passed: the near address pushed, and where its scratch copy
// lies when it has one.
struct passed_argument {
  uint16_t pushed = 0;
  bool scratch = false;
  uint32_t copy_offset = 0;  // data-segment offset of the copied bytes
  uint32_t copy_size = 0;
};

uint8_t* data_segment_at(uint32_t offset) { return conventional_memory + string_segment_offset + offset; }

// The data-segment offset of size bytes at p, or -1 when they are not all in it.
int64_t in_data_segment(const void* p, uint32_t size) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  const uint8_t* start = conventional_memory + string_segment_offset;
  if (b < start || b >= start + 0x10000 || size > static_cast<uint32_t>(start + 0x10000 - b)) return -1;
  return b - start;
}

uint32_t even(uint32_t n) { return (n + 1) & ~1u; }

}  // namespace

void machine_reset() {
  mouse_driver_reset();
  def_seg(0, 0);
}

void machine_call(int32_t offset, const machine_argument* arguments, int32_t count) {
  if (error_report.pending.load()) return;
  if (offset < -32768 || offset > 65535 || count < 0 || count > machine_arguments_max || (count > 0 && !arguments)) {
    raise_error(err_illegal_function_call);
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    const machine_argument& a = arguments[i];
    const bool numeric_ok = !a.string && a.bytes && a.size >= 1 && a.size <= 8;
    const bool string_ok = a.string && a.string->len >= 0 && a.string->len <= 0xFFFF;
    if (!numeric_ok && !string_ok) {
      raise_error(err_illegal_function_call);
      return;
    }
  }

  // Lay out the scratch copies from the bottom of the free bytes.
  uint32_t free_start, free_end;
  data_segment_free(&free_start, &free_end);
  uint32_t next = even(free_start);
  std::vector<passed_argument> passed(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const machine_argument& a = arguments[i];
    passed_argument& p = passed[static_cast<size_t>(i)];
    if (!a.string) {
      const int64_t at = in_data_segment(a.bytes, static_cast<uint32_t>(a.size));
      if (at >= 0) {
        p.pushed = static_cast<uint16_t>(at);
        continue;
      }
      p.scratch = true;
      p.copy_offset = next;
      p.copy_size = static_cast<uint32_t>(a.size);
      p.pushed = static_cast<uint16_t>(next);
      next += even(p.copy_size);
      continue;
    }
    const str_desc* s = a.string;
    const uint32_t len = static_cast<uint32_t>(s->len);
    if (s->segment_record && (len == 0 || in_data_segment(s->chars, len) >= 0)) {
      p.pushed = s->segment_record_offset;
      continue;
    }
    // A 4-byte record (length, offset) followed by a copy of the characters.
    p.scratch = true;
    p.pushed = static_cast<uint16_t>(next);
    p.copy_offset = next + 4;
    p.copy_size = len;
    next += 4 + even(len);
  }
  if (next > free_end || free_end - next < stack_reserve) {
    raise_error(err_out_of_memory);
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    const machine_argument& a = arguments[i];
    const passed_argument& p = passed[static_cast<size_t>(i)];
    if (!p.scratch) continue;
    if (!a.string) {
      std::memcpy(data_segment_at(p.copy_offset), a.bytes, p.copy_size);
      continue;
    }
    uint8_t* record = data_segment_at(p.pushed);
    record[0] = static_cast<uint8_t>(p.copy_size);
    record[1] = static_cast<uint8_t>(p.copy_size >> 8);
    record[2] = static_cast<uint8_t>(p.copy_offset);
    record[3] = static_cast<uint8_t>(p.copy_offset >> 8);
    if (p.copy_size) std::memcpy(data_segment_at(p.copy_offset), a.string->chars, p.copy_size);
  }

  cpu_state cpu;
  cpu_for_runtime(cpu);
  cpu.sregs[seg_cs] = def_seg_current();
  cpu.ip = static_cast<uint16_t>(offset);
  cpu.sregs[seg_ds] = cpu.sregs[seg_es] = cpu.sregs[seg_ss] = data_segment_paragraph;
  cpu.regs[reg_sp] = static_cast<uint16_t>(free_end & 0xFFFE);
  cpu.flags = flags_fixed | flag_if;
  for (const passed_argument& p : passed) cpu_write16(cpu, cpu.sregs[seg_ss], cpu.regs[reg_sp] -= 2, p.pushed);
  cpu_write16(cpu, cpu.sregs[seg_ss], cpu.regs[reg_sp] -= 2, sentinel_segment);
  cpu_write16(cpu, cpu.sregs[seg_ss], cpu.regs[reg_sp] -= 2, sentinel_offset);
  cpu.sentinel_armed = true;
  cpu.sentinel_cs = sentinel_segment;
  cpu.sentinel_ip = sentinel_offset;
  cpu.rep_chunk = machine_rep_chunk;

  cpu_stop stop;
  for (;;) {
    stop = cpu_run(cpu, machine_slice_steps);
    if (stop != cpu_stop::none || machine_stop_asked()) break;
  }

  // The copies go back whatever ended the code: it may have changed them.
  for (int32_t i = 0; i < count; ++i) {
    const machine_argument& a = arguments[i];
    const passed_argument& p = passed[static_cast<size_t>(i)];
    if (!p.scratch || p.copy_size == 0) continue;
    if (!a.string) std::memcpy(a.bytes, data_segment_at(p.copy_offset), p.copy_size);
    else if (!a.string->read_only) std::memcpy(a.string->chars, data_segment_at(p.copy_offset), p.copy_size);
  }

  switch (stop) {
    case cpu_stop::divide_fault: raise_error(err_machine_divide_error); break;
    case cpu_stop::invalid_opcode: raise_error(err_machine_invalid_opcode); break;
    case cpu_stop::halted: raise_error(err_machine_halt); break;
    case cpu_stop::unserved_interrupt: raise_error(err_machine_interrupt_base + cpu.stop_detail); break;
    default: break;  // returned, terminated, stopped from outside, or an error already raised
  }
}

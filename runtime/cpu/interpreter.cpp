// The real-mode 8086 interpreter: one switch over the opcode byte on a plain
// register record, memory through a 1 MiB-wrapping accessor whose slow pages
// (video windows, BIOS data) go to hooks. Undocumented forms follow the
// recorded hardware: 60-6F
// are 70-7F again, C0/C1/C8/C9 are C2/C3/CA/CB, D6 is SALC, F1 is LOCK, 0F is
// POP CS, group D0-D3 /6 sets all ones, segment registers decode from two bits,
// a REP prefix negates the result of MUL, IMUL, DIV and IDIV as the microcode
// does, and the ESC opcodes only compute their address.
#include <cstring>

#include "runtime/cpu/cpu.h"
#include "runtime/cpu/detail/alu.h"

using namespace cpu_alu;

namespace {

CPU_INLINE uint32_t linear(uint16_t segment, uint16_t offset) {
  return ((static_cast<uint32_t>(segment) << 4) + offset) & 0xFFFFF;
}

const uint8_t no_slow_pages[256] = {};

CPU_INLINE bool slow(const cpu_state& c, uint32_t lin) { return c.slow_pages[lin >> 12] != 0; }

CPU_INLINE uint8_t mem_read(cpu_state& c, uint32_t lin) {
  if (__builtin_expect(slow(c, lin), 0)) return c.hooks->read(lin);
  return c.memory[lin];
}

CPU_INLINE void mem_write(cpu_state& c, uint32_t lin, uint8_t v) {
  if (__builtin_expect(slow(c, lin), 0)) {
    c.hooks->write(lin, v);
    return;
  }
  c.memory[lin] = v;
}

// Whether the word at lin (offset off) is two plain bytes in a row: no wrap
// of the offset or of 1 MiB, neither byte on a slow page.
CPU_INLINE bool plain_word(const cpu_state& c, uint32_t lin, uint16_t off) {
  return off != 0xFFFF && lin != 0xFFFFF && !slow(c, lin) && !slow(c, lin + 1);
}

CPU_INLINE uint16_t mem_read16(cpu_state& c, uint16_t seg, uint16_t off) {
  const uint32_t lin = linear(seg, off);
  if (__builtin_expect(plain_word(c, lin, off), 1)) {
    uint16_t v;
    std::memcpy(&v, c.memory + lin, 2);
    return v;
  }
  return static_cast<uint16_t>(mem_read(c, linear(seg, off)) |
                               (mem_read(c, linear(seg, static_cast<uint16_t>(off + 1))) << 8));
}

CPU_INLINE void mem_write16(cpu_state& c, uint16_t seg, uint16_t off, uint16_t v) {
  const uint32_t lin = linear(seg, off);
  if (__builtin_expect(plain_word(c, lin, off), 1)) {
    std::memcpy(c.memory + lin, &v, 2);
    return;
  }
  mem_write(c, linear(seg, off), static_cast<uint8_t>(v));
  mem_write(c, linear(seg, static_cast<uint16_t>(off + 1)), static_cast<uint8_t>(v >> 8));
}

// AL CL DL BL AH CH DH BH over the little-endian word registers.
CPU_INLINE uint8_t& reg8(cpu_state& c, int r) {
  return reinterpret_cast<uint8_t*>(c.regs)[((r & 3) << 1) | (r >> 2)];
}

// One decoded ModR/M operand.
struct operand {
  int mod = 0;
  int reg = 0;
  int rm = 0;
  uint16_t seg = 0;
  uint16_t off = 0;
};

// The registers of the address forms rm 0-7 (base + index, index masked off
// where there is none) and their default segments.
constexpr uint8_t ea_base[8] = {reg_bx, reg_bx, reg_bp, reg_bp, reg_si, reg_di, reg_bp, reg_bx};
constexpr uint8_t ea_index[8] = {reg_si, reg_di, reg_si, reg_di, 0, 0, 0, 0};
constexpr uint16_t ea_index_mask[8] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0, 0, 0, 0};
constexpr uint8_t ea_segment[8] = {seg_ds, seg_ds, seg_ss, seg_ss, seg_ds, seg_ds, seg_ss, seg_ds};

// The run loop's working copy of what every instruction touches: IP, the
// flags, the memory and code pointers. It lives in locals the compiler can
// keep in registers (a byte store into the megabyte could otherwise alias
// cpu_state and force reloads); sync_out/sync_in hand IP and the flags to and
// from cpu_state around anything out of line that uses them.
struct decoder {
  cpu_state& c;
  uint8_t* memory;
  const uint8_t* slow_pages;
  // The code segment's bytes when all 64 KiB of it lie in plain memory (no
  // wrap at 1 MiB, no slow page), else null; found for code_segment.
  const uint8_t* code = nullptr;
  uint32_t code_segment = 0x10000;
  uint16_t ip;
  uint16_t flags;
  int override_seg = -1;
  // Set by whatever may change CS or end the run (far transfers, segment
  // register loads, interrupts, HLT, an invalid opcode): the run loop then
  // looks at cpu.stop and the code segment, which it otherwise skips.
  bool attention = true;

  explicit decoder(cpu_state& state)
      : c(state), memory(state.memory), slow_pages(state.slow_pages), ip(state.ip), flags(state.flags) {}

  CPU_INLINE void sync_out() {
    c.ip = ip;
    c.flags = flags;
  }
  CPU_INLINE void sync_in() {
    ip = c.ip;
    flags = c.flags;
  }

  // Notes whether the code segment's 64 KiB all lie below 1 MiB on plain
  // pages, so that instruction bytes are read straight from memory.
  CPU_INLINE void check_code_segment() {
    const uint16_t cs = c.sregs[seg_cs];
    if (cs == code_segment) return;
    const uint32_t base = static_cast<uint32_t>(cs) << 4;
    bool plain = base + 0xFFFF <= 0xFFFFF;
    for (uint32_t page = base >> 12; plain && page <= (base + 0xFFFF) >> 12; ++page) plain = slow_pages[page] == 0;
    code = plain ? memory + base : nullptr;
    code_segment = cs;
  }

  CPU_INLINE bool slow(uint32_t lin) const { return slow_pages[lin >> 12] != 0; }
  CPU_INLINE uint8_t read8(uint32_t lin) {
    if (__builtin_expect(slow(lin), 0)) return c.hooks->read(lin);
    return memory[lin];
  }
  CPU_INLINE void write8(uint32_t lin, uint8_t v) {
    if (__builtin_expect(slow(lin), 0)) {
      c.hooks->write(lin, v);
      return;
    }
    memory[lin] = v;
  }
  CPU_INLINE uint16_t read16(uint16_t seg, uint16_t off) {
    const uint32_t lin = linear(seg, off);
    if (__builtin_expect(off != 0xFFFF && lin != 0xFFFFF && !slow(lin) && !slow(lin + 1), 1)) {
      uint16_t v;
      std::memcpy(&v, memory + lin, 2);
      return v;
    }
    return static_cast<uint16_t>(read8(lin) | (read8(linear(seg, static_cast<uint16_t>(off + 1))) << 8));
  }
  CPU_INLINE void write16(uint16_t seg, uint16_t off, uint16_t v) {
    const uint32_t lin = linear(seg, off);
    if (__builtin_expect(off != 0xFFFF && lin != 0xFFFFF && !slow(lin) && !slow(lin + 1), 1)) {
      std::memcpy(memory + lin, &v, 2);
      return;
    }
    write8(lin, static_cast<uint8_t>(v));
    write8(linear(seg, static_cast<uint16_t>(off + 1)), static_cast<uint8_t>(v >> 8));
  }
  CPU_INLINE void push(uint16_t v) {
    c.regs[reg_sp] = static_cast<uint16_t>(c.regs[reg_sp] - 2);
    write16(c.sregs[seg_ss], c.regs[reg_sp], v);
  }
  CPU_INLINE uint16_t pop() {
    uint16_t v = read16(c.sregs[seg_ss], c.regs[reg_sp]);
    c.regs[reg_sp] = static_cast<uint16_t>(c.regs[reg_sp] + 2);
    return v;
  }

  CPU_INLINE uint8_t fetch8() {
    uint16_t at = ip++;
    if (__builtin_expect(code != nullptr, 1)) return code[at];
    return read8(linear(c.sregs[seg_cs], at));
  }
  CPU_INLINE uint16_t fetch16() {
    uint16_t lo = fetch8();
    return static_cast<uint16_t>(lo | (fetch8() << 8));
  }

  CPU_INLINE operand modrm() {
    operand o;
    uint8_t b = fetch8();
    o.mod = b >> 6;
    o.reg = (b >> 3) & 7;
    o.rm = b & 7;
    if (o.mod == 3) return o;
    const uint16_t* r = c.regs;
    int seg;
    uint16_t off;
    if (o.mod == 0 && o.rm == 6) {
      off = fetch16();
      seg = seg_ds;
    } else {
      off = static_cast<uint16_t>(r[ea_base[o.rm]] + (r[ea_index[o.rm]] & ea_index_mask[o.rm]));
      seg = ea_segment[o.rm];
      if (o.mod == 1) off = static_cast<uint16_t>(off + static_cast<int8_t>(fetch8()));
      else if (o.mod == 2) off = static_cast<uint16_t>(off + fetch16());
    }
    if (override_seg >= 0) seg = override_seg;
    o.seg = c.sregs[seg];
    o.off = off;
    return o;
  }

  CPU_INLINE uint8_t get8(const operand& o) { return o.mod == 3 ? reg8(c, o.rm) : read8(linear(o.seg, o.off)); }
  CPU_INLINE void put8(const operand& o, uint8_t v) {
    if (o.mod == 3) reg8(c, o.rm) = v;
    else write8(linear(o.seg, o.off), v);
  }
  CPU_INLINE uint16_t get16(const operand& o) { return o.mod == 3 ? c.regs[o.rm] : read16(o.seg, o.off); }
  CPU_INLINE void put16(const operand& o, uint16_t v) {
    if (o.mod == 3) c.regs[o.rm] = v;
    else write16(o.seg, o.off, v);
  }
  CPU_INLINE uint16_t data_seg() { return c.sregs[override_seg >= 0 ? override_seg : seg_ds]; }

  CPU_INLINE void far_jump(uint16_t seg, uint16_t off) {
    c.sregs[seg_cs] = seg;
    ip = off;
    attention = true;
    if (c.sentinel_armed && seg == c.sentinel_cs && off == c.sentinel_ip) c.stop = cpu_stop::returned;
  }
  // An interrupt out of line: the hooks or the vector table see and change
  // the whole cpu_state.
  void interrupt(uint8_t n);
};

CPU_INLINE void push(cpu_state& c, uint16_t v) {
  c.regs[reg_sp] = static_cast<uint16_t>(c.regs[reg_sp] - 2);
  mem_write16(c, c.sregs[seg_ss], c.regs[reg_sp], v);
}

CPU_INLINE uint16_t pop(cpu_state& c) {
  uint16_t v = mem_read16(c, c.sregs[seg_ss], c.regs[reg_sp]);
  c.regs[reg_sp] = static_cast<uint16_t>(c.regs[reg_sp] + 2);
  return v;
}

CPU_INLINE bool condition(uint16_t f, int cc) {
  bool r;
  switch (cc >> 1) {
    case 0: r = f & flag_of; break;
    case 1: r = f & flag_cf; break;
    case 2: r = f & flag_zf; break;
    case 3: r = f & (flag_cf | flag_zf); break;
    case 4: r = f & flag_sf; break;
    case 5: r = f & flag_pf; break;
    case 6: r = ((f & flag_sf) != 0) != ((f & flag_of) != 0); break;
    default: r = (f & flag_zf) || (((f & flag_sf) != 0) != ((f & flag_of) != 0)); break;
  }
  return (cc & 1) ? !r : r;
}

// Delivers interrupt n: to the hooks first, else through the vector table.
CPU_INLINE void interrupt(cpu_state& c, uint8_t n) {
  if (c.hooks && c.hooks->interrupt && c.hooks->interrupt(c, n)) return;
  cpu_interrupt_via_vector(c, n);
}

CPU_INLINE void decoder::interrupt(uint8_t n) {
  sync_out();
  ::interrupt(c, n);
  sync_in();
  attention = true;
}

// Group F6/F7 multiply and divide. Returns false on a divide fault.
template <int bits>
bool mul_div(cpu_state& c, int op, uint32_t src, bool rep) {
  constexpr uint32_t mask = bits == 8 ? 0xFFu : 0xFFFFu;
  uint16_t& f = c.flags;
  uint32_t lo = bits == 8 ? (c.regs[reg_ax] & 0xFF) : c.regs[reg_ax];
  uint32_t hi = bits == 8 ? (c.regs[reg_ax] >> 8) : c.regs[reg_dx];
  auto store = [&](uint32_t l, uint32_t h) {
    if (bits == 8) {
      c.regs[reg_ax] = static_cast<uint16_t>((l & 0xFF) | ((h & 0xFF) << 8));
    } else {
      c.regs[reg_ax] = static_cast<uint16_t>(l);
      c.regs[reg_dx] = static_cast<uint16_t>(h);
    }
  };
  switch (op) {
    case 4: {  // MUL
      uint32_t p = lo * src;
      uint32_t ph = (p >> bits) & mask;
      f = static_cast<uint16_t>((f & ~arith_flags) | szp<bits>(ph) | (ph ? (flag_cf | flag_of) : 0));
      store(p, ph);
      return true;
    }
    case 5: {  // IMUL
      int32_t a = bits == 8 ? static_cast<int8_t>(lo) : static_cast<int16_t>(lo);
      int32_t b = bits == 8 ? static_cast<int8_t>(src) : static_cast<int16_t>(src);
      int32_t p = a * b;
      if (rep) p = -p;
      uint32_t pl = static_cast<uint32_t>(p) & mask;
      uint32_t ph = (static_cast<uint32_t>(p) >> bits) & mask;
      int32_t narrowed = bits == 8 ? static_cast<int8_t>(pl) : static_cast<int16_t>(pl);
      f = static_cast<uint16_t>((f & ~arith_flags) | szp<bits>(ph) | (narrowed != p ? (flag_cf | flag_of) : 0));
      store(pl, ph);
      return true;
    }
    case 6: {  // DIV
      // The microcode's first step subtracts the divisor from the high half;
      // no borrow is an overflow (a zero divisor included), left in the flags.
      if (hi >= src) {
        sub<bits>(f, hi, src, 0);
        return false;
      }
      uint32_t dividend = (hi << bits) | lo;
      uint32_t q = dividend / src;
      uint32_t r = dividend % src;
      store(q, r);
      return true;
    }
    default: {  // IDIV
      // The microcode divides magnitudes. Its first step subtracts the
      // divisor from the high half (no borrow: overflow); a quotient of more
      // than 7 or 15 bits faults after the whole loop, with the flags of the
      // loop's last subtraction less the carry.
      const uint32_t sign = 1u << (bits - 1);
      const uint64_t full = (static_cast<uint64_t>(hi) << bits) | lo;
      const uint64_t magnitude = (hi & sign) ? ((uint64_t{1} << (2 * bits)) - full) & ((uint64_t{1} << (2 * bits)) - 1) : full;
      const uint32_t divisor_magnitude = (src & sign) ? ((0u - src) & mask) : src;
      uint32_t a = static_cast<uint32_t>(magnitude >> bits);
      if (a >= divisor_magnitude) {
        sub<bits>(f, a, divisor_magnitude, 0);
        return false;
      }
      if (magnitude / divisor_magnitude >= sign) {
        uint32_t low = static_cast<uint32_t>(magnitude) & mask;
        uint16_t last = f;
        for (int i = 0; i < bits; ++i) {
          const bool out = a & sign;
          a = ((a << 1) | (low >> (bits - 1))) & mask;
          low = (low << 1) & mask;
          uint32_t t = sub<bits>(last, a, divisor_magnitude, 0);
          if (out || !(last & flag_cf)) a = t;
        }
        f = static_cast<uint16_t>(last & ~flag_cf);
        return false;
      }
      int32_t dividend = bits == 8 ? static_cast<int16_t>((hi << 8) | lo)
                                   : static_cast<int32_t>((hi << 16) | lo);
      int32_t divisor = bits == 8 ? static_cast<int8_t>(src) : static_cast<int16_t>(src);
      int64_t q = static_cast<int64_t>(dividend) / divisor;
      int64_t r = static_cast<int64_t>(dividend) % divisor;
      if (rep) q = -q;
      store(static_cast<uint32_t>(q), static_cast<uint32_t>(r));
      return true;
    }
  }
}

// One string instruction (A4-A7, AA-AF), with its REP prefix when rep != 0
// (0xF2 or 0xF3).
void string_op(cpu_state& c, uint8_t op, int rep, uint16_t src_seg, uint16_t start_ip) {
  uint32_t done = 0;
  const int step_size = (op & 1) ? 2 : 1;
  const int16_t delta = static_cast<int16_t>((c.flags & flag_df) ? -step_size : step_size);
  const bool compares = (op & 0xF6) == 0xA6 || (op & 0xFE) == 0xAE;  // CMPS, SCAS
  uint16_t& si = c.regs[reg_si];
  uint16_t& di = c.regs[reg_di];
  uint16_t& cx = c.regs[reg_cx];
  const uint16_t es = c.sregs[seg_es];
  for (;;) {
    if (rep && cx == 0) return;
    switch (op) {
      case 0xA4: mem_write(c, linear(es, di), mem_read(c, linear(src_seg, si))); si += delta; di += delta; break;
      case 0xA5: mem_write16(c, es, di, mem_read16(c, src_seg, si)); si += delta; di += delta; break;
      case 0xA6:
        sub<8>(c.flags, mem_read(c, linear(src_seg, si)), mem_read(c, linear(es, di)), 0);
        si += delta; di += delta; break;
      case 0xA7:
        sub<16>(c.flags, mem_read16(c, src_seg, si), mem_read16(c, es, di), 0);
        si += delta; di += delta; break;
      case 0xAA: mem_write(c, linear(es, di), static_cast<uint8_t>(c.regs[reg_ax])); di += delta; break;
      case 0xAB: mem_write16(c, es, di, c.regs[reg_ax]); di += delta; break;
      case 0xAC: reg8(c, 0) = mem_read(c, linear(src_seg, si)); si += delta; break;
      case 0xAD: c.regs[reg_ax] = mem_read16(c, src_seg, si); si += delta; break;
      case 0xAE: sub<8>(c.flags, c.regs[reg_ax] & 0xFF, mem_read(c, linear(es, di)), 0); di += delta; break;
      default: sub<16>(c.flags, c.regs[reg_ax], mem_read16(c, es, di), 0); di += delta; break;
    }
    if (!rep) return;
    --cx;
    if (compares) {
      bool zf = c.flags & flag_zf;
      if ((rep == 0xF3 && !zf) || (rep == 0xF2 && zf)) return;
    }
    if (++done == c.rep_chunk && cx != 0) {
      c.ip = start_ip;  // resumes at the first prefix, as after an interrupt
      return;
    }
  }
}

template <int op>
CPU_INLINE void alu_rm_reg8(decoder& d) {
  operand o = d.modrm();
  uint32_t r = alu<8>(op, d.flags, d.get8(o), reg8(d.c, o.reg));
  if (op != 7) d.put8(o, static_cast<uint8_t>(r));
}
template <int op>
CPU_INLINE void alu_rm_reg16(decoder& d) {
  operand o = d.modrm();
  uint32_t r = alu<16>(op, d.flags, d.get16(o), d.c.regs[o.reg]);
  if (op != 7) d.put16(o, static_cast<uint16_t>(r));
}
template <int op>
CPU_INLINE void alu_reg_rm8(decoder& d) {
  operand o = d.modrm();
  uint32_t r = alu<8>(op, d.flags, reg8(d.c, o.reg), d.get8(o));
  if (op != 7) reg8(d.c, o.reg) = static_cast<uint8_t>(r);
}
template <int op>
CPU_INLINE void alu_reg_rm16(decoder& d) {
  operand o = d.modrm();
  uint32_t r = alu<16>(op, d.flags, d.c.regs[o.reg], d.get16(o));
  if (op != 7) d.c.regs[o.reg] = static_cast<uint16_t>(r);
}

// Executes one instruction with its prefixes.
CPU_INLINE void step(cpu_state& c, decoder& d) {
  d.override_seg = -1;
  int rep = 0;
  const uint16_t start_ip = d.ip;
  uint16_t* regs = c.regs;
next_byte:
  const uint8_t op = d.fetch8();
  switch (op) {
    case 0x26: d.override_seg = seg_es; goto next_byte;
    case 0x2E: d.override_seg = seg_cs; goto next_byte;
    case 0x36: d.override_seg = seg_ss; goto next_byte;
    case 0x3E: d.override_seg = seg_ds; goto next_byte;
    case 0xF0: case 0xF1: goto next_byte;  // LOCK (F1 is its alias)
    case 0xF2: case 0xF3: rep = op; goto next_byte;
    // ALU r/m,reg / reg,r/m / acc,imm: ADD OR ADC SBB AND SUB XOR CMP.
#define CPU_ALU_GROUP(n)                                   \
  case (n) * 8 + 0: alu_rm_reg8<n>(d); return;             \
  case (n) * 8 + 1: alu_rm_reg16<n>(d); return;            \
  case (n) * 8 + 2: alu_reg_rm8<n>(d); return;             \
  case (n) * 8 + 3: alu_reg_rm16<n>(d); return;            \
  case (n) * 8 + 4: reg8(c, 0) = static_cast<uint8_t>(alu<8>(n, d.flags, reg8(c, 0), d.fetch8())); return; \
  case (n) * 8 + 5: regs[reg_ax] = static_cast<uint16_t>(alu<16>(n, d.flags, regs[reg_ax], d.fetch16())); return;
    CPU_ALU_GROUP(0)
    CPU_ALU_GROUP(1)
    CPU_ALU_GROUP(2)
    CPU_ALU_GROUP(3)
    CPU_ALU_GROUP(4)
    CPU_ALU_GROUP(5)
    CPU_ALU_GROUP(6)
    CPU_ALU_GROUP(7)
#undef CPU_ALU_GROUP
    case 0x06: case 0x0E: case 0x16: case 0x1E: d.push(c.sregs[op >> 3]); return;
    case 0x07: case 0x0F: case 0x17: case 0x1F: c.sregs[op >> 3] = d.pop(); d.attention = true; return;
    case 0x27: case 0x2F: {  // DAA, DAS
      uint8_t al = reg8(c, 0);
      const uint8_t old_al = al;
      const bool old_cf = d.flags & flag_cf;
      const bool old_af = d.flags & flag_af;
      bool cf = false, af = false;
      if ((al & 0x0F) > 9 || old_af) {
        al = static_cast<uint8_t>(op == 0x27 ? al + 6 : al - 6);
        af = true;
      }
      if (old_al > (old_af ? 0x9F : 0x99) || old_cf) {
        al = static_cast<uint8_t>(op == 0x27 ? al + 0x60 : al - 0x60);
        cf = true;
      }
      reg8(c, 0) = al;
      d.flags = static_cast<uint16_t>((d.flags & ~arith_flags) | szp<8>(al) | (cf ? flag_cf : 0) | (af ? flag_af : 0));
      return;
    }
    case 0x37: case 0x3F: {  // AAA, AAS
      uint8_t al = reg8(c, 0);
      if ((al & 0x0F) > 9 || (d.flags & flag_af)) {
        reg8(c, 0) = static_cast<uint8_t>(op == 0x37 ? al + 6 : al - 6);
        reg8(c, 4) = static_cast<uint8_t>(op == 0x37 ? reg8(c, 4) + 1 : reg8(c, 4) - 1);
        d.flags |= flag_af | flag_cf;
      } else {
        d.flags &= static_cast<uint16_t>(~(flag_af | flag_cf));
      }
      reg8(c, 0) &= 0x0F;
      return;
    }
    case 0x40: case 0x41: case 0x42: case 0x43: case 0x44: case 0x45: case 0x46: case 0x47:
      regs[op & 7] = static_cast<uint16_t>(inc<16>(d.flags, regs[op & 7]));
      return;
    case 0x48: case 0x49: case 0x4A: case 0x4B: case 0x4C: case 0x4D: case 0x4E: case 0x4F:
      regs[op & 7] = static_cast<uint16_t>(dec<16>(d.flags, regs[op & 7]));
      return;
    case 0x50: case 0x51: case 0x52: case 0x53: case 0x54: case 0x55: case 0x56: case 0x57:
      // PUSH SP pushes the value SP has after the decrement.
      regs[reg_sp] = static_cast<uint16_t>(regs[reg_sp] - 2);
      d.write16(c.sregs[seg_ss], regs[reg_sp], regs[op & 7]);
      return;
    case 0x58: case 0x59: case 0x5A: case 0x5B: case 0x5C: case 0x5D: case 0x5E: case 0x5F: {
      uint16_t v = d.pop();
      regs[op & 7] = v;
      return;
    }
    case 0x60: case 0x61: case 0x62: case 0x63: case 0x64: case 0x65: case 0x66: case 0x67:
    case 0x68: case 0x69: case 0x6A: case 0x6B: case 0x6C: case 0x6D: case 0x6E: case 0x6F:
    case 0x70: case 0x71: case 0x72: case 0x73: case 0x74: case 0x75: case 0x76: case 0x77:
    case 0x78: case 0x79: case 0x7A: case 0x7B: case 0x7C: case 0x7D: case 0x7E: case 0x7F: {
      int8_t rel = static_cast<int8_t>(d.fetch8());
      if (condition(d.flags, op & 0x0F)) d.ip = static_cast<uint16_t>(d.ip + rel);
      return;
    }
    case 0x80: case 0x81: case 0x82: case 0x83: {
      operand o = d.modrm();
      if (op & 1) {
        uint16_t a = d.get16(o);
        uint16_t b = op == 0x81 ? d.fetch16() : static_cast<uint16_t>(static_cast<int8_t>(d.fetch8()));
        uint32_t r = alu<16>(o.reg, d.flags, a, b);
        if (o.reg != 7) d.put16(o, static_cast<uint16_t>(r));
      } else {
        uint8_t a = d.get8(o);
        uint32_t r = alu<8>(o.reg, d.flags, a, d.fetch8());
        if (o.reg != 7) d.put8(o, static_cast<uint8_t>(r));
      }
      return;
    }
    case 0x84: { operand o = d.modrm(); logic<8>(d.flags, d.get8(o) & reg8(c, o.reg)); return; }
    case 0x85: { operand o = d.modrm(); logic<16>(d.flags, d.get16(o) & regs[o.reg]); return; }
    case 0x86: {
      operand o = d.modrm();
      uint8_t a = d.get8(o);
      d.put8(o, reg8(c, o.reg));
      reg8(c, o.reg) = a;
      return;
    }
    case 0x87: {
      operand o = d.modrm();
      uint16_t a = d.get16(o);
      d.put16(o, regs[o.reg]);
      regs[o.reg] = a;
      return;
    }
    case 0x88: { operand o = d.modrm(); d.put8(o, reg8(c, o.reg)); return; }
    case 0x89: { operand o = d.modrm(); d.put16(o, regs[o.reg]); return; }
    case 0x8A: { operand o = d.modrm(); reg8(c, o.reg) = d.get8(o); return; }
    case 0x8B: { operand o = d.modrm(); regs[o.reg] = d.get16(o); return; }
    case 0x8C: { operand o = d.modrm(); d.put16(o, c.sregs[o.reg & 3]); return; }
    case 0x8D: {  // LEA (a register operand leaves the register as it was)
      operand o = d.modrm();
      if (o.mod != 3) regs[o.reg] = o.off;
      return;
    }
    case 0x8E: { operand o = d.modrm(); c.sregs[o.reg & 3] = d.get16(o); d.attention = true; return; }
    case 0x8F: {
      // The address is computed with SP already raised.
      uint16_t v = d.pop();
      operand o = d.modrm();
      d.put16(o, v);
      return;
    }
    case 0x90: return;
    case 0x91: case 0x92: case 0x93: case 0x94: case 0x95: case 0x96: case 0x97: {
      uint16_t t = regs[reg_ax];
      regs[reg_ax] = regs[op & 7];
      regs[op & 7] = t;
      return;
    }
    case 0x98: regs[reg_ax] = static_cast<uint16_t>(static_cast<int8_t>(regs[reg_ax] & 0xFF)); return;
    case 0x99: regs[reg_dx] = (regs[reg_ax] & 0x8000) ? 0xFFFF : 0; return;
    case 0x9A: {
      uint16_t off = d.fetch16();
      uint16_t seg = d.fetch16();
      d.push(c.sregs[seg_cs]);
      d.push(d.ip);
      d.far_jump(seg, off);
      return;
    }
    case 0x9B: return;  // WAIT: no coprocessor to wait for
    case 0x9C: d.push(static_cast<uint16_t>(d.flags | flags_fixed)); return;
    case 0x9D: d.flags = static_cast<uint16_t>((d.pop() & 0x0FD5) | flags_fixed); return;
    case 0x9E: d.flags = static_cast<uint16_t>((d.flags & 0xFF00) | (reg8(c, 4) & 0xD5) | 0x02); return;
    case 0x9F: reg8(c, 4) = static_cast<uint8_t>(d.flags); return;
    case 0xA0: reg8(c, 0) = d.read8(linear(d.data_seg(), d.fetch16())); return;
    case 0xA1: { uint16_t off = d.fetch16(); regs[reg_ax] = d.read16(d.data_seg(), off); return; }
    case 0xA2: { uint16_t off = d.fetch16(); d.write8(linear(d.data_seg(), off), reg8(c, 0)); return; }
    case 0xA3: { uint16_t off = d.fetch16(); d.write16(d.data_seg(), off, regs[reg_ax]); return; }
    case 0xA4: case 0xA5: case 0xA6: case 0xA7: case 0xAA: case 0xAB: case 0xAC: case 0xAD: case 0xAE: case 0xAF:
      d.sync_out();
      string_op(c, op, rep, d.data_seg(), start_ip);
      d.sync_in();
      return;
    case 0xA8: logic<8>(d.flags, reg8(c, 0) & d.fetch8()); return;
    case 0xA9: logic<16>(d.flags, regs[reg_ax] & d.fetch16()); return;
    case 0xB0: case 0xB1: case 0xB2: case 0xB3: case 0xB4: case 0xB5: case 0xB6: case 0xB7:
      reg8(c, op & 7) = d.fetch8();
      return;
    case 0xB8: case 0xB9: case 0xBA: case 0xBB: case 0xBC: case 0xBD: case 0xBE: case 0xBF:
      regs[op & 7] = d.fetch16();
      return;
    case 0xC0: case 0xC2: {  // RET imm (C0 is its alias)
      uint16_t n = d.fetch16();
      d.ip = d.pop();
      regs[reg_sp] = static_cast<uint16_t>(regs[reg_sp] + n);
      return;
    }
    case 0xC1: case 0xC3: d.ip = d.pop(); return;
    case 0xC4: case 0xC5: {  // LES, LDS
      operand o = d.modrm();
      regs[o.reg] = d.get16(o);
      c.sregs[op == 0xC4 ? seg_es : seg_ds] = d.read16(o.seg, static_cast<uint16_t>(o.off + 2));
      return;
    }
    case 0xC6: { operand o = d.modrm(); d.put8(o, d.fetch8()); return; }
    case 0xC7: { operand o = d.modrm(); d.put16(o, d.fetch16()); return; }
    case 0xC8: case 0xCA: {  // RETF imm (C8 is its alias)
      uint16_t n = d.fetch16();
      uint16_t ip = d.pop();
      uint16_t cs = d.pop();
      regs[reg_sp] = static_cast<uint16_t>(regs[reg_sp] + n);
      d.far_jump(cs, ip);
      return;
    }
    case 0xC9: case 0xCB: {
      uint16_t ip = d.pop();
      uint16_t cs = d.pop();
      d.far_jump(cs, ip);
      return;
    }
    case 0xCC: d.interrupt(3); return;
    case 0xCD: d.interrupt(d.fetch8()); return;
    case 0xCE: if (d.flags & flag_of) d.interrupt(4); return;
    case 0xCF: {
      uint16_t ip = d.pop();
      uint16_t cs = d.pop();
      d.flags = static_cast<uint16_t>((d.pop() & 0x0FD5) | flags_fixed);
      d.far_jump(cs, ip);
      return;
    }
    case 0xD0: case 0xD1: case 0xD2: case 0xD3: {
      operand o = d.modrm();
      uint32_t count = (op & 2) ? (regs[reg_cx] & 0xFF) : 1;
      if (o.reg == 6 && count > 1) count = 1;  // SETMO sets all ones once
      if (op & 1) d.put16(o, static_cast<uint16_t>(shift<16>(o.reg, d.flags, d.get16(o), count)));
      else d.put8(o, static_cast<uint8_t>(shift<8>(o.reg, d.flags, d.get8(o), count)));
      return;
    }
    case 0xD4: {  // AAM
      uint8_t base = d.fetch8();
      if (base == 0) {
        d.flags = static_cast<uint16_t>((d.flags & ~arith_flags) | szp<8>(reg8(c, 0)));
        d.interrupt(0);
        return;
      }
      uint8_t al = reg8(c, 0);
      reg8(c, 4) = static_cast<uint8_t>(al / base);
      reg8(c, 0) = static_cast<uint8_t>(al % base);
      d.flags = static_cast<uint16_t>((d.flags & ~arith_flags) | szp<8>(reg8(c, 0)));
      return;
    }
    case 0xD5: {  // AAD
      uint8_t base = d.fetch8();
      uint8_t al = reg8(c, 0);
      uint8_t product = static_cast<uint8_t>(reg8(c, 4) * base);
      uint8_t r = static_cast<uint8_t>(add<8>(d.flags, al, product, 0));
      regs[reg_ax] = r;
      return;
    }
    case 0xD6: reg8(c, 0) = (d.flags & flag_cf) ? 0xFF : 0; return;  // SALC
    case 0xD7: reg8(c, 0) = d.read8(linear(d.data_seg(), static_cast<uint16_t>(regs[reg_bx] + reg8(c, 0)))); return;
    case 0xD8: case 0xD9: case 0xDA: case 0xDB: case 0xDC: case 0xDD: case 0xDE: case 0xDF:
      d.modrm();  // ESC: no coprocessor; the address is computed and nothing else happens
      return;
    case 0xE0: case 0xE1: case 0xE2: {
      int8_t rel = static_cast<int8_t>(d.fetch8());
      uint16_t cx = --regs[reg_cx];
      bool zf = d.flags & flag_zf;
      bool jump = cx != 0 && (op == 0xE2 || (op == 0xE1 ? zf : !zf));
      if (jump) d.ip = static_cast<uint16_t>(d.ip + rel);
      return;
    }
    case 0xE3: {
      int8_t rel = static_cast<int8_t>(d.fetch8());
      if (regs[reg_cx] == 0) d.ip = static_cast<uint16_t>(d.ip + rel);
      return;
    }
    // Ports: nothing answers; reads float high.
    case 0xE4: d.fetch8(); reg8(c, 0) = 0xFF; return;
    case 0xE5: d.fetch8(); regs[reg_ax] = 0xFFFF; return;
    case 0xE6: case 0xE7: d.fetch8(); return;
    case 0xEC: reg8(c, 0) = 0xFF; return;
    case 0xED: regs[reg_ax] = 0xFFFF; return;
    case 0xEE: case 0xEF: return;
    case 0xE8: {
      uint16_t rel = d.fetch16();
      d.push(d.ip);
      d.ip = static_cast<uint16_t>(d.ip + rel);
      return;
    }
    case 0xE9: { uint16_t rel = d.fetch16(); d.ip = static_cast<uint16_t>(d.ip + rel); return; }
    case 0xEA: {
      uint16_t off = d.fetch16();
      uint16_t seg = d.fetch16();
      d.far_jump(seg, off);
      return;
    }
    case 0xEB: { int8_t rel = static_cast<int8_t>(d.fetch8()); d.ip = static_cast<uint16_t>(d.ip + rel); return; }
    case 0xF4: c.stop = cpu_stop::halted; d.attention = true; return;
    case 0xF5: d.flags ^= flag_cf; return;
    case 0xF6: case 0xF7: {
      operand o = d.modrm();
      const bool word = op & 1;
      uint32_t v = word ? d.get16(o) : d.get8(o);
      switch (o.reg) {
        case 0: case 1:
          if (word) logic<16>(d.flags, v & d.fetch16());
          else logic<8>(d.flags, v & d.fetch8());
          return;
        case 2:
          if (word) d.put16(o, static_cast<uint16_t>(~v));
          else d.put8(o, static_cast<uint8_t>(~v));
          return;
        case 3:
          if (word) d.put16(o, static_cast<uint16_t>(sub<16>(d.flags, 0, v, 0)));
          else d.put8(o, static_cast<uint8_t>(sub<8>(d.flags, 0, v, 0)));
          return;
        default: {
          d.sync_out();
          bool ok = word ? mul_div<16>(c, o.reg, v, rep != 0) : mul_div<8>(c, o.reg, v, rep != 0);
          d.sync_in();
          if (!ok) d.interrupt(0);
          return;
        }
      }
    }
    case 0xF8: d.flags &= static_cast<uint16_t>(~flag_cf); return;
    case 0xF9: d.flags |= flag_cf; return;
    case 0xFA: d.flags &= static_cast<uint16_t>(~flag_if); return;
    case 0xFB: d.flags |= flag_if; return;
    case 0xFC: d.flags &= static_cast<uint16_t>(~flag_df); return;
    case 0xFD: d.flags |= flag_df; return;
    case 0xFE: {
      operand o = d.modrm();
      if (o.reg > 1) {
        d.ip = start_ip;
        c.stop = cpu_stop::invalid_opcode;
        d.attention = true;
        return;
      }
      uint8_t v = d.get8(o);
      d.put8(o, static_cast<uint8_t>(o.reg == 0 ? inc<8>(d.flags, v) : dec<8>(d.flags, v)));
      return;
    }
    default: {  // 0xFF
      operand o = d.modrm();
      switch (o.reg) {
        case 0: d.put16(o, static_cast<uint16_t>(inc<16>(d.flags, d.get16(o)))); return;
        case 1: d.put16(o, static_cast<uint16_t>(dec<16>(d.flags, d.get16(o)))); return;
        case 2: {
          uint16_t target = d.get16(o);
          d.push(d.ip);
          d.ip = target;
          return;
        }
        case 3: {
          uint16_t off = d.get16(o);
          uint16_t seg = d.read16(o.seg, static_cast<uint16_t>(o.off + 2));
          d.push(c.sregs[seg_cs]);
          d.push(d.ip);
          d.far_jump(seg, off);
          return;
        }
        case 4: d.ip = d.get16(o); return;
        case 5: {
          uint16_t off = d.get16(o);
          d.far_jump(d.read16(o.seg, static_cast<uint16_t>(o.off + 2)), off);
          return;
        }
        default: {  // PUSH (7 is its alias); PUSH SP pushes the lowered SP
          regs[reg_sp] = static_cast<uint16_t>(regs[reg_sp] - 2);
          uint16_t v = d.get16(o);
          d.write16(c.sregs[seg_ss], regs[reg_sp], v);
          return;
        }
      }
    }
  }
}

}  // namespace

void cpu_attach(cpu_state& cpu, uint8_t* memory, const cpu_hooks* hooks) {
  cpu.memory = memory;
  cpu.hooks = hooks;
  const bool slow = hooks && hooks->read && hooks->write;
  cpu.slow_pages = slow ? hooks->slow_pages : no_slow_pages;
}

void cpu_interrupt_via_vector(cpu_state& c, uint8_t n) {
  push(c, static_cast<uint16_t>(c.flags | flags_fixed));
  c.flags &= static_cast<uint16_t>(~(flag_if | flag_tf));
  push(c, c.sregs[seg_cs]);
  push(c, c.ip);
  uint16_t ip = mem_read16(c, 0, static_cast<uint16_t>(n * 4));
  uint16_t cs = mem_read16(c, 0, static_cast<uint16_t>(n * 4 + 2));
  c.sregs[seg_cs] = cs;
  c.ip = ip;
}

cpu_stop cpu_run(cpu_state& c, uint64_t max_steps, uint64_t* steps_done) {
  c.stop = cpu_stop::none;
  decoder d(c);
  uint64_t n = 0;
  while (n < max_steps) {
    if (__builtin_expect(d.attention, 0)) {
      d.attention = false;
      d.check_code_segment();
    }
    step(c, d);
    ++n;
    if (__builtin_expect(d.attention, 0) && c.stop != cpu_stop::none) break;
  }
  d.sync_out();
  if (steps_done) *steps_done = n;
  return c.stop;
}

uint8_t cpu_read8(cpu_state& c, uint16_t segment, uint16_t offset) { return mem_read(c, linear(segment, offset)); }
void cpu_write8(cpu_state& c, uint16_t segment, uint16_t offset, uint8_t value) {
  mem_write(c, linear(segment, offset), value);
}
uint16_t cpu_read16(cpu_state& c, uint16_t segment, uint16_t offset) { return mem_read16(c, segment, offset); }
void cpu_write16(cpu_state& c, uint16_t segment, uint16_t offset, uint16_t value) {
  mem_write16(c, segment, offset, value);
}

#pragma once
// The 8086's arithmetic and logic with the flags it leaves: add and subtract
// families, logic, shifts and rotates one bit at a time, the decimal adjusts.
// Flags the hardware leaves undefined are set as the recorded hardware cases
// show where they fix them, else cleared. Any thread (pure functions).
#include <cstdint>

#include "runtime/cpu/cpu.h"

namespace cpu_alu {

#define CPU_INLINE inline __attribute__((always_inline))

// Parity flag of each low byte (set when the number of one bits is even).
struct parity_table {
  uint8_t bits[256];
  constexpr parity_table() : bits() {
    for (int i = 0; i < 256; ++i) {
      int n = 0;
      for (int b = 0; b < 8; ++b) n += (i >> b) & 1;
      bits[i] = (n & 1) ? 0 : flag_pf;
    }
  }
};
inline constexpr parity_table parity{};

constexpr uint16_t arith_flags = flag_cf | flag_pf | flag_af | flag_zf | flag_sf | flag_of;

// Sign, zero and parity of a result of `bits` width.
template <int bits>
CPU_INLINE uint16_t szp(uint32_t r) {
  constexpr uint32_t mask = bits == 8 ? 0xFFu : 0xFFFFu;
  r &= mask;
  return static_cast<uint16_t>(parity.bits[r & 0xFF] | ((r == 0) << 6) | ((r >> (bits - 8)) & flag_sf));
}

// The overflow flag from a word whose bit bits-1 is the overflow.
template <int bits>
CPU_INLINE uint16_t overflow_bit(uint32_t x) {
  if constexpr (bits == 8) return static_cast<uint16_t>((x << 4) & flag_of);
  else return static_cast<uint16_t>((x >> 4) & flag_of);
}

template <int bits>
CPU_INLINE uint32_t add(uint16_t& flags, uint32_t a, uint32_t b, uint32_t carry_in) {
  uint32_t r = a + b + carry_in;
  uint16_t f = static_cast<uint16_t>(szp<bits>(r) | ((r >> bits) & 1) | ((a ^ b ^ r) & flag_af) |
                                     overflow_bit<bits>((a ^ r) & (b ^ r)));
  flags = static_cast<uint16_t>((flags & ~arith_flags) | f);
  return r & ((1u << bits) - 1);
}

template <int bits>
CPU_INLINE uint32_t sub(uint16_t& flags, uint32_t a, uint32_t b, uint32_t borrow_in) {
  uint32_t r = a - b - borrow_in;
  uint16_t f = static_cast<uint16_t>(szp<bits>(r) | ((r >> bits) & 1) | ((a ^ b ^ r) & flag_af) |
                                     overflow_bit<bits>((a ^ b) & (a ^ r)));
  flags = static_cast<uint16_t>((flags & ~arith_flags) | f);
  return r & ((1u << bits) - 1);
}

template <int bits>
CPU_INLINE uint32_t logic(uint16_t& flags, uint32_t r) {
  flags = static_cast<uint16_t>((flags & ~arith_flags) | szp<bits>(r));
  return r;
}

// The eight operations of opcodes 00-3F and group 80-83, in encoding order:
// ADD OR ADC SBB AND SUB XOR CMP. CMP returns a unchanged.
template <int bits>
CPU_INLINE uint32_t alu(int op, uint16_t& flags, uint32_t a, uint32_t b) {
  switch (op) {
    case 0: return add<bits>(flags, a, b, 0);
    case 1: return logic<bits>(flags, a | b);
    case 2: return add<bits>(flags, a, b, flags & flag_cf);
    case 3: return sub<bits>(flags, a, b, flags & flag_cf);
    case 4: return logic<bits>(flags, a & b);
    case 5: return sub<bits>(flags, a, b, 0);
    case 6: return logic<bits>(flags, a ^ b);
    default: sub<bits>(flags, a, b, 0); return a;
  }
}

template <int bits>
CPU_INLINE uint32_t inc(uint16_t& flags, uint32_t a) {
  uint16_t cf = flags & flag_cf;
  uint32_t r = add<bits>(flags, a, 1, 0);
  flags = static_cast<uint16_t>((flags & ~flag_cf) | cf);
  return r;
}

template <int bits>
CPU_INLINE uint32_t dec(uint16_t& flags, uint32_t a) {
  uint16_t cf = flags & flag_cf;
  uint32_t r = sub<bits>(flags, a, 1, 0);
  flags = static_cast<uint16_t>((flags & ~flag_cf) | cf);
  return r;
}

// Group D0-D3: op is the reg field (ROL ROR RCL RCR SHL SHR SETMO SAR), count
// as the hardware takes it (all 8 bits of CL; the 8086 masks nothing). A count
// of 0 changes nothing.
template <int bits>
CPU_INLINE uint32_t shift(int op, uint16_t& flags, uint32_t a, uint32_t count) {
  constexpr uint32_t mask = bits == 8 ? 0xFFu : 0xFFFFu;
  constexpr uint32_t sign = bits == 8 ? 0x80u : 0x8000u;
  if (count == 0) return a;
  uint32_t r = a;
  uint32_t cf = flags & flag_cf;
  uint16_t f = flags;
  switch (op) {
    case 0:  // ROL
      for (uint32_t i = 0; i < count; ++i) { cf = (r & sign) ? 1 : 0; r = ((r << 1) | cf) & mask; }
      f = static_cast<uint16_t>((f & ~(flag_cf | flag_of)) | cf | ((((r & sign) ? 1u : 0u) ^ cf) ? flag_of : 0));
      return flags = f, r;
    case 1:  // ROR
      for (uint32_t i = 0; i < count; ++i) { cf = r & 1; r = (r >> 1) | (cf ? sign : 0); }
      f = static_cast<uint16_t>((f & ~(flag_cf | flag_of)) | cf | (((r ^ (r << 1)) & sign) ? flag_of : 0));
      return flags = f, r;
    case 2:  // RCL
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t out = (r & sign) ? 1 : 0;
        r = ((r << 1) | cf) & mask;
        cf = out;
      }
      f = static_cast<uint16_t>((f & ~(flag_cf | flag_of)) | cf | ((((r & sign) ? 1u : 0u) ^ cf) ? flag_of : 0));
      return flags = f, r;
    case 3:  // RCR
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t out = r & 1;
        r = (r >> 1) | (cf ? sign : 0);
        cf = out;
      }
      f = static_cast<uint16_t>((f & ~(flag_cf | flag_of)) | cf | (((r ^ (r << 1)) & sign) ? flag_of : 0));
      return flags = f, r;
    case 4: {  // SHL
      uint32_t prev = r;
      for (uint32_t i = 0; i < count; ++i) { prev = r; cf = (r & sign) ? 1 : 0; r = (r << 1) & mask; }
      uint16_t of = (((r & sign) ? 1u : 0u) ^ cf) ? flag_of : 0;
      uint16_t af = (r & 0x10) ? flag_af : 0;
      (void)prev;
      flags = static_cast<uint16_t>((f & ~arith_flags) | szp<bits>(r) | cf | of | af);
      return r;
    }
    case 5: {  // SHR
      uint32_t before = r;
      for (uint32_t i = 0; i < count; ++i) { before = r; cf = r & 1; r >>= 1; }
      uint16_t of = ((r ^ before) & sign) ? flag_of : 0;
      flags = static_cast<uint16_t>((f & ~arith_flags) | szp<bits>(r) | cf | of);
      return r;
    }
    case 6:  // SETMO: all ones
      r = mask;
      flags = static_cast<uint16_t>((f & ~arith_flags) | szp<bits>(r));
      return r;
    default: {  // SAR
      for (uint32_t i = 0; i < count; ++i) { cf = r & 1; r = (r >> 1) | (r & sign); }
      flags = static_cast<uint16_t>((f & ~arith_flags) | szp<bits>(r) | cf);
      return r;
    }
  }
}

}  // namespace cpu_alu

#pragma once
// Machine code in the emulated first megabyte: a real-mode 8086 interpreter,
// the memory statements (DEF SEG, PEEK, POKE, the address functions), the
// machine-code call statement and the interrupts it serves, and the video
// windows at A000 and B800. Program thread only (the interpreter itself keeps
// no global state: any thread may run its own cpu_state, as the case runner
// and the fuzz target do). The contract is docs/machine-code.md.
#include <cstdint>

#include "runtime/core/core.h"
#include "runtime/strings/strings.h"

// The interpreter.

// Register numbers, as the instruction encoding numbers them.
enum cpu_register : int32_t { reg_ax, reg_cx, reg_dx, reg_bx, reg_sp, reg_bp, reg_si, reg_di };
enum cpu_segment : int32_t { seg_es, seg_cs, seg_ss, seg_ds };

// Flag bits of the flags word. An 8086 keeps bits 12-15 and bit 1 set.
constexpr uint16_t flag_cf = 0x0001;
constexpr uint16_t flag_pf = 0x0004;
constexpr uint16_t flag_af = 0x0010;
constexpr uint16_t flag_zf = 0x0040;
constexpr uint16_t flag_sf = 0x0080;
constexpr uint16_t flag_tf = 0x0100;
constexpr uint16_t flag_if = 0x0200;
constexpr uint16_t flag_df = 0x0400;
constexpr uint16_t flag_of = 0x0800;
constexpr uint16_t flags_fixed = 0xF002;

// Why cpu_run returned.
enum class cpu_stop : int32_t {
  none = 0,         // the step budget ran out
  returned,         // a far transfer reached the sentinel address
  terminated,       // a served interrupt ended the code (DOS terminate)
  halted,           // HLT (nothing would ever wake the processor)
  divide_fault,     // divide error with no handler of the code's own
  invalid_opcode,   // FE /2-7: forms an 8086 decodes to nothing useful
  unserved_interrupt,  // an interrupt with neither a service nor a vector
  error,            // a served interrupt raised a run-time error
};

struct cpu_state;

// What lies around the interpreter. Null hooks: plain memory, interrupts
// through the vector table at 0000:0000.
struct cpu_hooks {
  // 4 KiB pages of the megabyte (linear address >> 12) whose bytes go through
  // read and write instead of the memory block: the video windows, and the
  // BIOS data area other threads write.
  uint8_t slow_pages[256] = {};
  uint8_t (*read)(uint32_t linear) = nullptr;
  void (*write)(uint32_t linear, uint8_t value) = nullptr;
  // INT n (and the divide fault, n = 0): true when served here (registers
  // changed as the service does; cpu.stop set to end the run); false to go
  // through the vector table.
  bool (*interrupt)(cpu_state& cpu, uint8_t number) = nullptr;
};

struct cpu_state {
  uint16_t regs[8] = {};   // AX CX DX BX SP BP SI DI
  uint16_t sregs[4] = {};  // ES CS SS DS
  uint16_t ip = 0;
  uint16_t flags = flags_fixed;
  uint8_t* memory = nullptr;  // at least 0x100000 bytes; addresses wrap at 1 MiB
  const cpu_hooks* hooks = nullptr;
  // A far return, IRET or far jump landing here ends the run (cpu_stop::returned).
  bool sentinel_armed = false;
  uint16_t sentinel_cs = 0;
  uint16_t sentinel_ip = 0;
  cpu_stop stop = cpu_stop::none;
  uint8_t stop_detail = 0;  // the interrupt number of unserved_interrupt
  // Iterations of a REP string instruction run before it yields (IP back at
  // its first prefix, CX counting what is left, as an interrupted REP does);
  // 0 = to the end.
  uint32_t rep_chunk = 0;
  // Internal: the slow pages (all clear without hooks).
  const uint8_t* slow_pages = nullptr;
};

// Prepares cpu for running on memory (at least 0x100000 bytes) with hooks
// (null for none).
void cpu_attach(cpu_state& cpu, uint8_t* memory, const cpu_hooks* hooks);

// Runs up to max_steps instructions (a REP string instruction with its
// prefixes is one step). Returns the reason for stopping; cpu_stop::none when
// the budget ran out. *steps_done (may be null) gets the count run.
cpu_stop cpu_run(cpu_state& cpu, uint64_t max_steps, uint64_t* steps_done = nullptr);

// Delivers interrupt n through the vector table: pushes flags, CS, IP, clears
// IF and TF and jumps to the vector.
void cpu_interrupt_via_vector(cpu_state& cpu, uint8_t number);

// Byte and word access at segment:offset as the processor does it (linear
// address wraps at 1 MiB; a word at offset FFFF takes its high byte from
// offset 0 of the same segment), through the hooks for slow pages.
uint8_t cpu_read8(cpu_state& cpu, uint16_t segment, uint16_t offset);
void cpu_write8(cpu_state& cpu, uint16_t segment, uint16_t offset, uint8_t value);
uint16_t cpu_read16(cpu_state& cpu, uint16_t segment, uint16_t offset);
void cpu_write16(cpu_state& cpu, uint16_t segment, uint16_t offset, uint16_t value);

// The memory statements. Segments and offsets are 16-bit: -32768 to 65535 is
// taken (a negative number as its 16-bit pattern), anything else is error 5.

// The paragraph of the data segment (strings' 4-byte records and in-segment
// characters, the call statement's scratch area and stack).
constexpr uint16_t data_segment_paragraph = static_cast<uint16_t>(string_segment_offset >> 4);

// DEF SEG segment (given = 1), or DEF SEG alone: the data segment again.
void def_seg(int32_t segment, int32_t given);
// The current DEF SEG segment.
uint16_t def_seg_current();
// PEEK: the byte at DEF SEG:offset, 0-255.
int32_t peek(int32_t offset);
// POKE: stores value (0-255, else error 5) at DEF SEG:offset.
void poke(int32_t offset, int32_t value);

// The address functions. A variable's bytes must lie in the emulated megabyte
// (error 5 otherwise): inside the data segment the segment is the data
// segment's, elsewhere the paragraph holding the first byte.
int32_t variable_segment(const void* bytes);  // VARSEG
int32_t variable_offset(const void* bytes);   // VARPTR
// VARSEG and VARPTR of a string variable: its 4-byte record (length, offset of
// the characters) in the data segment; error 5 for a string without one.
int32_t string_record_segment(const str_desc* s);
int32_t string_record_offset(const str_desc* s);
// SADD: the offset of a string's characters in the data segment (error 5 when
// they lie elsewhere).
int32_t string_address(const str_desc* s);

// The machine-code call statement: CALL ABSOLUTE-style far call of the code
// at DEF SEG:offset with the near addresses of the arguments pushed left to
// right. See docs/machine-code.md for the whole contract.

// One argument: a numeric variable (bytes, size 1-8) or a string variable.
struct machine_argument {
  void* bytes = nullptr;
  int32_t size = 0;
  str_desc* string = nullptr;  // set for a string variable
};

constexpr int32_t machine_arguments_max = 64;

void machine_call(int32_t offset, const machine_argument* arguments, int32_t count);

// Instructions between two looks at the stop words, and REP iterations a
// string instruction runs before yielding: together well under a millisecond.
constexpr uint64_t machine_slice_steps = 4096;
constexpr uint32_t machine_rep_chunk = 64;

// The hooks the call statement and PEEK/POKE use: the video windows at A000
// (SCREEN 13) and B800 (text modes) onto the write page, the BIOS data area,
// and the served interrupts.
const cpu_hooks& machine_hooks();

// The machine state the served interrupts keep between calls (the mouse
// driver's visibility, ranges and set position). Forgotten by
// machine_reset (start of a test or of a chained program).
void machine_reset();

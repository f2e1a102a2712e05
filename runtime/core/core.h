#pragma once
// The runtime's ground: the control words the threads share and the stop
// handshake, run-time errors and message boxes, numbered-handle lists, unique
// ids, the variable arena, the emulated first megabyte with the BIOS clock, and
// the device table. Each declaration says which thread may call it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// The run flags: control words shared by the program, timer, main-loop and
// window threads. Each has one writer per transition and is polled by the
// others; atomics keep the same protocol free of data races.
struct run_flags_record {
  std::atomic<int32_t> event_pending{0};      // 1 = call line_event at the end of the statement
  std::atomic<uint8_t> stop_request{0};       // 1 = the program is to stop, the process to end
  std::atomic<uint8_t> shutdown_started{0};   // 1 = the main loop has begun the shutdown
  std::atomic<uint8_t> paused{0};             // bit 0 = paused by the Pause key
  std::atomic<int32_t> exit_request{0};       // bit 0 close button / Alt+F4, bit 1 Ctrl+Break
  std::atomic<int32_t> exit_trap_enabled{0};  // 1 = the program handles close requests itself
  std::atomic<uint32_t> stopped_threads{0};   // bit 0 program thread parked, bit 1 timer thread returned
  std::atomic<int32_t> exit_status{0};        // status of the process at the end of shutdown
};
extern run_flags_record run_flags;

// The error report: the run-time error waiting to be reported and where the
// error being handled happened. pending is written by whichever thread raises
// an error and cleared by the program thread; the places are set by
// line_event on the program thread.
struct error_report_record {
  std::atomic<int32_t> pending{0};  // error number waiting to be reported, 0 = none
  int32_t line = 0;
  int32_t sub_line = 0;
  const char* sub_name = nullptr;
};
extern error_report_record error_report;

// What the window thread learns about the window once it exists; read by any
// thread.
struct window_facts_record {
  std::atomic<int32_t> fbo_supported{0};     // 1 = framebuffer objects are available
  std::atomic<unsigned long> handle{0};      // the X window (owner of message boxes), 0 until known
};
extern window_facts_record window_facts;

// No error pending, nor where one happened. Only where no other thread runs.
void error_report_reset();

// The run flags as before the program's first statement, and no error pending:
// no event, error, stop, pause or close request, close requests not handled by
// the program, no thread stopped, exit status 0. Only where no other thread
// runs (tests, a restart in-process).
void run_flags_reset();

// The stop. run_flags.stop_request (END, the error dialog's No, Ctrl+Break or Alt+F4 while
// the program has not taken over close requests) or run_flags.exit_request while
// run_flags.exit_trap_enabled is 0 makes the main loop set run_flags.shutdown_started, then
// run_flags.event_pending. From then on the program thread parks here at its next line
// event (bit 0 of run_flags.stopped_threads) and the timer thread returns (bit 1); the
// main loop ends the process only once both bits are set, so no statement runs
// while files are closed. run_flags.shutdown_started never goes back to 0.
//
// Parks the program thread for good: reports it stopped, waits for the shutdown
// and sleeps until the main loop ends the process. Never returns.
[[noreturn]] void stop_program_thread();

// Marks the main loop waits on during the shutdown (any thread): sets bits of
// run_flags.stopped_threads and wakes the waiter.
void report_thread_stopped(int32_t bit);

// The shutdown's wait: sleeps until every bit of mask is set in run_flags.stopped_threads
// or timeout_ms has passed; whether they all are.
bool await_threads_stopped(uint32_t mask, int32_t timeout_ms);

// Waits of the program thread for something another thread brings: a key put
// into a key buffer, or the start of the shutdown. program_wakes() is read
// first; program_wait then sleeps up to timeout_ms unless program_wake was
// called after that read. Callers look again at what they wait for.
uint32_t program_wakes();
void program_wait(uint32_t seen, int32_t timeout_ms);  // program thread
void program_wake();                                   // any thread

// The language's close-query function: from the first call on, close requests
// no longer stop the program. Returns the requests seen since the last call
// (bit 0 close button / Alt+F4, bit 1 Ctrl+Break) and clears them.
int32_t close_query();

// Run-time errors: recording, reporting through the continue-or-stop dialog,
// and the runtime's message boxes.

// Run-time error numbers, as raise_error takes them and the error dialog
// shows them (their messages are the table in errors.cpp).
constexpr int32_t err_next_without_for = 1;
constexpr int32_t err_syntax_error = 2;
constexpr int32_t err_return_without_gosub = 3;
constexpr int32_t err_out_of_data = 4;
constexpr int32_t err_illegal_function_call = 5;
constexpr int32_t err_overflow = 6;
constexpr int32_t err_out_of_memory = 7;
constexpr int32_t err_label_not_defined = 8;
constexpr int32_t err_subscript_out_of_range = 9;
constexpr int32_t err_duplicate_definition = 10;
constexpr int32_t err_illegal_in_direct_mode = 12;
constexpr int32_t err_type_mismatch = 13;
constexpr int32_t err_out_of_string_space = 14;
constexpr int32_t err_string_formula_too_complex = 16;
constexpr int32_t err_cannot_continue = 17;
constexpr int32_t err_function_not_defined = 18;
constexpr int32_t err_no_resume = 19;
constexpr int32_t err_resume_without_error = 20;
constexpr int32_t err_device_timeout = 24;
constexpr int32_t err_device_fault = 25;
constexpr int32_t err_for_without_next = 26;
constexpr int32_t err_out_of_paper = 27;
constexpr int32_t err_while_without_wend = 29;
constexpr int32_t err_wend_without_while = 30;
constexpr int32_t err_duplicate_label = 33;
constexpr int32_t err_subprogram_not_defined = 35;
constexpr int32_t err_argument_count_mismatch = 37;
constexpr int32_t err_array_not_defined = 38;
constexpr int32_t err_variable_required = 40;
constexpr int32_t err_field_overflow = 50;
constexpr int32_t err_internal_error = 51;
constexpr int32_t err_bad_file_name_or_number = 52;
constexpr int32_t err_file_not_found = 53;
constexpr int32_t err_bad_file_mode = 54;
constexpr int32_t err_file_already_open = 55;
constexpr int32_t err_field_statement_active = 56;
constexpr int32_t err_device_io_error = 57;
constexpr int32_t err_file_already_exists = 58;
constexpr int32_t err_bad_record_length = 59;
constexpr int32_t err_disk_full = 61;
constexpr int32_t err_input_past_end_of_file = 62;
constexpr int32_t err_bad_record_number = 63;
constexpr int32_t err_bad_file_name = 64;
constexpr int32_t err_too_many_files = 67;
constexpr int32_t err_device_unavailable = 68;
constexpr int32_t err_communication_buffer_overflow = 69;
constexpr int32_t err_permission_denied = 70;
constexpr int32_t err_disk_not_ready = 71;
constexpr int32_t err_disk_media_error = 72;
constexpr int32_t err_feature_unavailable = 73;
constexpr int32_t err_rename_across_disks = 74;
constexpr int32_t err_path_file_access_error = 75;
constexpr int32_t err_path_not_found = 76;
constexpr int32_t err_invalid_handle = 258;
constexpr int32_t err_memory_region_out_of_range = 300;
constexpr int32_t err_invalid_size = 301;
constexpr int32_t err_source_region_out_of_range = 302;
constexpr int32_t err_destination_region_out_of_range = 303;
constexpr int32_t err_both_regions_out_of_range = 304;
constexpr int32_t err_source_memory_freed = 305;
constexpr int32_t err_destination_memory_freed = 306;
constexpr int32_t err_memory_already_freed = 307;
constexpr int32_t err_memory_freed = 308;
constexpr int32_t err_memory_not_initialized = 309;
constexpr int32_t err_source_memory_not_initialized = 310;
constexpr int32_t err_destination_memory_not_initialized = 311;
constexpr int32_t err_both_memories_not_initialized = 312;
constexpr int32_t err_both_memories_freed = 313;

// Machine code (the call statement) that ended in a way the runtime reports.
constexpr int32_t err_machine_divide_error = 320;     // a divide error with no handler of its own
constexpr int32_t err_machine_invalid_opcode = 321;   // an instruction the processor cannot do
constexpr int32_t err_machine_halt = 322;             // HLT: nothing would ever wake it
// 1024 + n: machine code raised interrupt n, which the runtime does not serve
// (nor the code installed a vector for); the message names n.
constexpr int32_t err_machine_interrupt_base = 1024;

// The fatal kinds: a message box, then the process ends. Division by zero shows
// "Division by zero" under "Critical Error"; the others "Out of memory" under
// "Critical Error #" and the number less 500.
constexpr int32_t err_division_by_zero = 11;
constexpr int32_t err_image_table_growth = 502;  // growing the image table
constexpr int32_t err_image_free_stack_growth = 503;  // growing the image table's free stack
constexpr int32_t err_arena_growth = 504;  // a new block of the variable arena
constexpr int32_t err_descriptor_stack_growth = 508;  // the string engine: the stack of free descriptors
constexpr int32_t err_segment_list_growth = 509;  // the string engine: the list of in-segment strings
constexpr int32_t err_heap_list_growth = 510;  // the string engine: the list of heap strings
constexpr int32_t err_temp_list_growth = 511;  // the string engine: the list of temporaries
constexpr int32_t err_string_heap_growth = 512;  // the string engine: the string heap
constexpr int32_t err_data_segment_full = 513;  // the string engine: the data segment after compaction
constexpr int32_t err_segment_record_collision = 514;  // the string engine: a record meeting the in-segment strings
constexpr int32_t err_fixed_record_collision = 515;  // the string engine: the same for a fixed-length string
constexpr int32_t err_input_backup_copy = 516;  // INPUT: the copy of the screen it restores
constexpr int32_t err_input_work_copy = 517;  // INPUT: its work copy of the screen

// Records error n as the statement's error (the first one wins; n <= 0 becomes 5)
// and returns the error now pending. Fatal kinds show their box and end the process.
int32_t raise_error(int32_t n);

// Text of an error number ("Unprintable error" for numbers outside the table).
const char* error_message(int32_t n);

// Builds the dialog texts for error n reported at line (sub_line / sub_name when
// sub_line is not 0). Used by handle_error; apart so the texts can be checked.
struct error_dialog_text {
  char* body;     // "Line: %u (in %s)\n%s%s"; malloc'd
  char* caption;  // "Unhandled Error #n" or "Critical Error #n"; malloc'd
};
bool format_error_dialog(int32_t n, int32_t line, int32_t sub_line, const char* sub_name,
                         error_dialog_text* out);

// Reports error_report.pending in the dialog. Returns with error_report.pending = 0 when the
// user continues; otherwise stops the program thread and does not return.
void handle_error();

// The runtime's message boxes, owned by the window once it exists. style: the
// mb_style_ bits of platform.h; the answer is one of its mb_answer_ values.
int32_t message_box(const char* text, const char* caption, uint32_t style);
void alert(const char* text);
void alert_number(int32_t n);

// Numbered-handle tables whose elements never move (files, images, queues,
// network connections). Handles start at 1 and are reused last-freed-first.

struct mutex_record {
  std::mutex m;
};

struct list {
  int32_t element_size = 0;
  int32_t stride = 0;  // element size + 4, rounded up to 8: the trailing i32 holds the handle, 0 when free
  std::vector<uint8_t*> blocks;  // blocks[0] is a placeholder; blocks are never moved
  int32_t block_capacity = 0;
  int32_t block_used = 0;
  std::atomic<int32_t> count{0};  // highest handle handed out so far
  std::atomic<std::atomic<uint8_t*>*> index{nullptr};  // handle -> element; slot 0 unused
  int32_t index_capacity = 0;
  std::atomic<uint8_t*>* previous_index = nullptr;  // kept until the next growth
  int32_t* free_stack = nullptr;  // entries 1..free_top
  int32_t free_top = 0;
  int32_t free_capacity = 0;
  int32_t* previous_free_stack = nullptr;
  mutex_record* add_mutex = nullptr;
  mutex_record* free_mutex = nullptr;
};

list* list_new(int32_t element_size);
list* list_new_locked(int32_t element_size);

// Zero-filled element's handle; 0 when memory ran out (after the alerts).
int32_t list_add(list* l);
// -1 when the handle was in use and is now free; 0 when out of range or already free.
int32_t list_remove(list* l, int32_t handle);
// The element, or null when the handle is <= 0, above count, or free. Takes no lock.
void* list_get(list* l, int32_t handle);

mutex_record* mutex_new();
void mutex_lock(mutex_record* m);
void mutex_unlock(mutex_record* m);

// Unique 64-bit identifiers for memory blocks, images and scopes. Program thread only.

struct lock_record {
  uint64_t id = 0;    // 0 = free
  int32_t type = 0;   // 1 = owns data (freed with the record), 3 = a scope record
  void* data = nullptr;
};

uint64_t lock_new();
// The record most recently taken by lock_new; its creator fills type and data.
lock_record* lock_newest();
void lock_free(lock_record* record);

// The growing arena the compiled program's variables come from. Blocks are never
// freed, so a variable stays where it was allocated. Program thread only.

struct variable_arena_state {
  uint8_t* base = nullptr;
  size_t top = 0;  // offset of the next free byte in the current block
  size_t size = 0; // size of the current block
};

extern variable_arena_state variable_arena;

constexpr size_t arena_first_block = 1048576;

// Allocates the first block (start-up).
void arena_init();
// n bytes, rounded up to 8, zero-filled; a new block of n + 2 x block size when
// the current one is used up (fatal error 504 when that fails).
void* arena_alloc(size_t n);
// Moves the top back to p when p lies within the current block, else to its base.
void arena_reset(void* p);

// The emulated first megabyte of a DOS machine (plus the high-memory spill-over).
// Offsets are real-mode linear addresses.

constexpr size_t conventional_memory_size = 1114099;  // 0x10FFF3

constexpr uint32_t bios_kbd_head = 0x41A;
constexpr uint32_t bios_kbd_tail = 0x41C;
constexpr uint32_t bios_tick_count = 0x46C;
constexpr uint32_t string_segment_offset = 0x500;

extern uint8_t conventional_memory[conventional_memory_size];

// Accessors for bytes and little-endian words the emulated BIOS keeps.
uint8_t cm_read8(uint32_t offset);
void cm_write8(uint32_t offset, uint8_t value);
uint16_t cm_read16(uint32_t offset);
void cm_write16(uint32_t offset, uint16_t value);
uint32_t cm_read24(uint32_t offset);
void cm_write24(uint32_t offset, uint32_t value);

// The emulated DOS clock: the bases that tie ms_counter to local time of day,
// and the BIOS tick count at 0x46C.

// Written at start-up before the threads start, read by any thread after.
struct clock_bases_record {
  int32_t counter = 0;  // low 32 bits of ms_counter at the instant the bases were taken
  int32_t day_ms = 0;   // milliseconds since local midnight at that instant (0 without local time)
};
extern clock_bases_record clock_bases;

// Takes the bases from the calendar clock at once (start-up, before the threads start).
void sync_clock_bases();

// The bases for a counter reading of counter_ns nanoseconds taken day_ns
// nanoseconds after local midnight: the counter's millisecond and the time of
// day, to the millisecond, when the counter turned to it.
void clock_bases_at(int64_t counter_ns, int64_t day_ns, int32_t* base, int32_t* day_ms);

// Milliseconds since local midnight for a counter reading, given the bases
// (what TIMER reads, in milliseconds).
uint32_t day_ms_at(uint32_t counter_low, int32_t base, int32_t day_ms);

// Ticks since midnight (18.2 a second) for a counter reading, given the bases.
uint32_t bios_ticks_at(uint32_t counter_low, int32_t base, int32_t day_ms);

// Writes the current tick count into conventional memory (main loop).
void update_bios_ticks();

// Input devices known to the program: entry 1 the keyboard, entry 2 the mouse
// (entry 0 stays empty). Game controllers follow with kind 1.

constexpr int32_t device_kind_controller = 1;
constexpr int32_t device_kind_keyboard = 2;
constexpr int32_t device_kind_mouse = 3;

struct device_record {
  int32_t kind = 0;
  const char* description = "";
  int32_t buttons = 0;
  int32_t axes = 0;
  int32_t wheels = 0;
  const char* name = "";
};

constexpr int32_t device_table_capacity = 258;  // the two fixed entries plus 256 controllers

// Filled on the program thread (the device statements' start-up), read there.
struct device_table_record {
  device_record entries[device_table_capacity];
  int32_t count = 0;  // highest entry in use
};
extern device_table_record device_table;


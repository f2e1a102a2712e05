#pragma once
// Operating-system services. This folder calls nothing else of the runtime;
// every function may be called from any thread unless its comment says otherwise.
#include <atomic>
#include <cstdint>
#include <string>

// Time and waiting for the runtime's threads.

// Milliseconds since the process started, from a monotonic wall clock
// (processor time would stand still while the program sleeps).
int64_t ms_counter();

// Sleeps ms milliseconds; 0 gives the processor to another thread.
void platform_sleep(int32_t ms);

// A wake-up object: one thread sleeps in poll() on wake_fd(); any other thread
// ends that sleep with wake_signal(). The sleeper calls wake_clear() once woken.
int wake_fd();
void wake_signal();
void wake_clear();

// Waiting on a word another thread changes: wait_on_word sleeps while the word
// still holds seen, until wake_word_waiters is called on it or timeout_ms have
// passed (negative: no limit). It may also return early, so a caller looks
// again at what it waits for. The waker changes the word first, then wakes.
void wait_on_word(const std::atomic<uint32_t>& word, uint32_t seen, int32_t timeout_ms);
void wake_word_waiters(std::atomic<uint32_t>& word);

// Nanoseconds since the process started, on the clock ms_counter counts
// (ms_counter() is this divided by 1,000,000).
int64_t ns_counter();

// Nanoseconds since the Unix epoch on the calendar clock; false when it cannot be read.
bool calendar_time_ns(int64_t* ns);

// Names the calling thread as top -H, debuggers and /proc show it (15 characters at most).
void name_this_thread(const char* name);

// Process-level services: the executable's path, the current directory, the
// environment and ending the process.

// Full path of the running executable ("" when it cannot be read).
std::string executable_path();

// Current directory ("" on failure) and changing it (false on failure).
std::string current_directory();
bool change_directory(const std::string& path);

// The C environment array (null-terminated).
char** environment_strings();

// The value of an environment variable; "" when it is not set.
std::string environment_value(const char* name);

// Sets (or with remove, removes) an environment variable. 0 or errno. The
// environment is the process's own: only the program thread changes it.
int environment_set(const std::string& name, const std::string& value, bool remove);

// Ends the process with status after flushing the C streams and running the
// at_quick_exit handlers. Other threads may still be running, so static
// destructors are not run under their feet.
[[noreturn]] void process_exit(int status);

// Fences for a two-sided handshake where one side runs often and must stay
// cheap (the program thread's bulk screen writes) and the other runs rarely
// (the frame builder, a few dozen times a second).
//
// Each side stores its own flag, calls its fence, then loads the other's flag.
// When the kernel offers expedited process-wide barriers, the heavy fence is
// one such barrier and the light fence only stops the compiler from moving
// memory accesses across it; otherwise both are full sequentially consistent
// fences, which is the plain form of the same handshake.

bool register_process_barrier();  // true when the kernel takes the process for expedited barriers
void process_barrier();           // every running thread of the process passes a full fence

// Decided once, before either side of any handshake can use it; a container
// that filters the system call gets the full fences instead.
inline bool process_barrier_available() {
  static const bool available = register_process_barrier();
  return available;
}

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer models neither stand-alone fences nor process barriers. Both
// sides read-modify-write one word instead: those are totally ordered, so the
// later side sees everything the earlier stored before its fence, which is
// the same handshake in a form the checker follows.
inline std::atomic<uint32_t> fence_word{0};
inline void light_fence() { fence_word.fetch_add(0, std::memory_order_seq_cst); }
inline void heavy_fence() { fence_word.fetch_add(0, std::memory_order_seq_cst); }
#else
inline void light_fence() {
  if (process_barrier_available())
    std::atomic_signal_fence(std::memory_order_seq_cst);
  else
    std::atomic_thread_fence(std::memory_order_seq_cst);
}

inline void heavy_fence() {
  if (process_barrier_available())
    process_barrier();
  else
    std::atomic_thread_fence(std::memory_order_seq_cst);
}
#endif

// Modal message boxes: a dialog window of the runtime's own.

// Style bits as the runtime passes them.
constexpr uint32_t mb_style_ok = 0x0;
constexpr uint32_t mb_style_yes_no = 0x4;
constexpr uint32_t mb_style_system_modal = 0x1000;

// Answers.
constexpr int32_t mb_answer_ok = 1;
constexpr int32_t mb_answer_yes = 6;
constexpr int32_t mb_answer_no = 7;

// Shows text under caption with OK, or Yes and No, and waits for the answer.
// owner_window is the X window the box belongs to (0 before the window exists).
// The box opens its own X connection, so any thread may call it. The text is
// always written to stderr as one line; with no X display the answer is OK for
// an OK box and No for a Yes/No box. Null text or caption count as empty.
int32_t platform_message_box(const char* text, const char* caption, uint32_t style,
                             unsigned long owner_window);

// Tests answer boxes without a window: while a stand-in is set, it gives the
// answer instead (the stderr line is still written). Null removes it.
using message_box_stand_in = int32_t (*)(const char* text, const char* caption, uint32_t style);
void set_message_box_stand_in(message_box_stand_in stand_in);

// The keyboard's lock toggles and held modifiers as the X server sees them,
// read through Xkb on a display connection of this layer's own.

struct key_lock_state {
  bool caps_on = false;
  bool num_on = false;
  bool scroll_on = false;
  bool scroll_held = false;
  bool left_shift = false;
  bool right_shift = false;
  bool left_ctrl = false;
  bool right_ctrl = false;
  bool left_alt = false;
  bool right_alt = false;
};

// Fills state; false (and everything off) when there is no X display.
bool read_key_lock_state(key_lock_state* state);

// Whether the lock toggles may have changed since the last call: the server
// reported a change of the locked modifiers or the indicators, a second has
// passed, or this is the first call. Costs no round trip to the server when
// nothing happened. One caller (the main loop).
bool key_lock_state_may_have_changed();

// Questions about the runtime's window asked from the program thread, on a
// display connection of their own.

// True when the window is minimised (iconic).
bool platform_window_iconic(unsigned long window);

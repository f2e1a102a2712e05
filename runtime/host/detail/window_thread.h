#pragma once
// What the host's files share: the main loop, the end of the process, and the
// window thread's loop with its look at X events before freeglut sees them and
// its translation of key events. Window thread only, except where a declaration says otherwise.
#include <X11/Xlib.h>

#include <cstdint>
#include <string>

// The supervisor thread: BIOS ticks, lock keys, frames, and the shutdown.
[[noreturn]] void main_loop();

// Start-up, before any other thread exists (they inherit its signal mask):
// SIGTERM, SIGINT and SIGHUP go to a thread of their own, and every way the process
// ends first writes buffered file bytes out and hands the clipboard over, once.
void process_end_install();

// The program thread says which it is, first thing: an end that begins on it
// (a lost display found by a clipboard read, say) parks it as the shutdown does.
void mark_program_thread();

// Sleeps for good: a thread whose process another thread is ending (any thread).
[[noreturn]] void park_for_good();

// Brings the lock-key state of the held keys in line with the keyboard's
// (start-up takes every lock and modifier; the main loop only the three toggles).
void take_keyboard_state();
void sync_lock_keys();

// The freeglut display callback: renders and shows the picture when it changed.
void display_callback();

// The display's window operations and the reshape and mouse callbacks, given to
// the display and to freeglut once the window exists.
void window_toolkit_register();

// freeglut's mouse callbacks: buttons numbered from 0, the wheel's number and
// direction; only the first wheel counts.
void mouse_button_callback(int button, int state, int x, int y);
void mouse_motion_callback(int x, int y);
void mouse_wheel_callback(int wheel, int direction, int x, int y);

// Call once the window exists: hooks the connection freeglut uses (close
// requests become the runtime's own; key events give scan codes, Pause and Ctrl+Break).
void window_procedure_install();

// Serves the window until the main loop asks the thread to park; then parks for good.
[[noreturn]] void window_loop();

// Main loop, at shutdown: stops the window thread from touching freeglut and
// OpenGL and waits (up to timeout_ms) until it has parked.
void window_loop_park(int timeout_ms);

// Takes key presses and releases from the window thread's display connection
// as Xlib reads them, before freeglut sees them.
void key_event_hook_install(Display* display);

// Once per pass of the window loop: hands on the key events taken, and releases keys left held (their release read
// as another character, or went to another window while this one had no focus).
// Returns the longest sleep before the next pass is due: -1 while no key is held.
int key_event_hook_pass();

// The window's own clipboard keys, caught in the key-event hook before the
// program's buffers, traps and key-event queue: Ctrl+Shift+C copies the text of
// the page on display (to CLIPBOARD and PRIMARY), Shift+Insert and
// Ctrl+Shift+V type the clipboard's text into the program. Their presses and
// releases never reach the program.
enum class clipboard_key { none, copy, paste };

// What a QUINTARO_CLIPBOARD_KEYS setting says: only "0" hands the keys back
// to the program.
bool clipboard_keys_wanted(const std::string& setting);

// The keycodes of C, V and Insert (as the keyboard map gives them) and whether
// the keys are the window's; set once by key_event_hook_install.
struct clipboard_keycodes {
  int32_t c = 0, v = 0, insert = 0;
  bool on = false;
};

// The window's key, if any, for a press of keycode with the X modifier state.
clipboard_key clipboard_key_of(const clipboard_keycodes& keys, int32_t keycode, unsigned state);

// A clipboard key went down: the copy or paste is done on a thread of its own.
// Never waits; any thread.
void clipboard_key_pressed(clipboard_key key);

// Any other key went down: a paste under way stops, and one still waiting for
// the clipboard's text does not start.
void real_key_pressed();

// Whether the key with this 9-bit PC scan code is down, as the window thread's key
// events tell.
bool physical_key_down(int32_t scan);

// Hands every key event the hook took from Xlib to input, each once, in order
// (key_event_hook_pass does so first); key_events_waiting: some are taken and
// not yet handed on (Xlib may read them while the loop asks the server anything).
void key_events_drain();
bool key_events_waiting();

// Whether the key with a 9-bit PC scan code is physically down; null when not known.
using scan_down_query = bool (*)(int32_t scan);

// Key code of a character a key event reads as (XLookupString), given the event's
// modifier state bits. With Ctrl, control characters become their letters; the
// window system gives the same control character for Ctrl+Enter and Ctrl+M (and
// for Tab and Backspace and their letters), so the physically held key decides
// when known.
int32_t character_key_code(unsigned char c, unsigned state, scan_down_query down);

// Key code to release for a character a key release reads as: the mapped code,
// or the held key it pairs with when the release reads differently from the
// press ('a' for a held 'A', Enter for Ctrl+Enter let go with Ctrl held).
int32_t character_release_code(unsigned char c, unsigned state, scan_down_query down);

// Key code of a key symbol without a character (cursor and function keys,
// modifiers); 0 for symbols that are ignored.
int32_t special_key_code(unsigned long symbol);

// Raw mouse motion: the pointer devices' own movement, also while the window is
// in the background, read as XInput2 raw motion events through a connection of
// the window thread's own (freeglut never sees them). Servers without XInput2
// give none. raw_mouse_start opens the connection once (later calls return the
// first answer); raw_mouse_fd is the descriptor to wait on (-1 when not
// started); raw_mouse_pass reports every waiting event to the mouse.
bool raw_mouse_start(Display* window_display);
int raw_mouse_fd();
void raw_mouse_pass();

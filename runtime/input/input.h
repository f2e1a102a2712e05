#pragma once
// Input: key codes and key events, the held keys and the BIOS shift flags,
// INKEY$ and INPUT, the mouse, the game devices and RND. Each declaration says
// which thread may call it.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/gpu/gpu.h"
#include "runtime/strings/strings.h"

// Key codes: 1-255 characters, scan code x 256 for two-byte keys, 100000 + n for
// lock, modifier and Num Lock keypad keys, 200000 + n for keypad keys with Num
// Lock off and the lock-state pseudo-keys.

constexpr int32_t kc_pause = 100019;
constexpr int32_t kc_keypad_0 = 100256;      // keypad 0-9 with Num Lock on: 100256-100265
constexpr int32_t kc_keypad_point = 100266;
constexpr int32_t kc_keypad_divide = 100267;
constexpr int32_t kc_keypad_multiply = 100268;
constexpr int32_t kc_keypad_minus = 100269;
constexpr int32_t kc_keypad_plus = 100270;
constexpr int32_t kc_keypad_enter = 100271;
constexpr int32_t kc_num_lock = 100300;
constexpr int32_t kc_caps_lock = 100301;
constexpr int32_t kc_scroll_lock = 100302;
constexpr int32_t kc_right_shift = 100303;
constexpr int32_t kc_left_shift = 100304;
constexpr int32_t kc_right_ctrl = 100305;
constexpr int32_t kc_left_ctrl = 100306;
constexpr int32_t kc_right_alt = 100307;
constexpr int32_t kc_left_alt = 100308;
constexpr int32_t kc_sys_req = 100317;
constexpr int32_t kc_break = 100318;
constexpr int32_t kc_keypad_nav = 200000;    // keypad with Num Lock off: 200000-200010
constexpr int32_t kc_scroll_state = 200011;  // pseudo-key: Scroll Lock is on
constexpr int32_t kc_insert_state = 200012;  // pseudo-key: Insert is on
constexpr int32_t kc_zero = 200013;          // stands for a key whose code is 0

// Two-byte keys (scan code x 256).
constexpr int32_t kc_f1 = 0x3B00;
constexpr int32_t kc_f4 = 0x3E00;
constexpr int32_t kc_f11 = 0x8500;
constexpr int32_t kc_f12 = 0x8600;
constexpr int32_t kc_home = 0x4700;
constexpr int32_t kc_up = 0x4800;
constexpr int32_t kc_page_up = 0x4900;
constexpr int32_t kc_left = 0x4B00;
constexpr int32_t kc_centre = 0x4C00;
constexpr int32_t kc_right = 0x4D00;
constexpr int32_t kc_end = 0x4F00;
constexpr int32_t kc_down = 0x5000;
constexpr int32_t kc_page_down = 0x5100;
constexpr int32_t kc_insert = 0x5200;
constexpr int32_t kc_delete = 0x5300;

constexpr bool is_keypad_code(int32_t c) {
  return (c >= kc_keypad_0 && c <= kc_keypad_enter) || (c >= kc_keypad_nav && c <= kc_keypad_nav + 10);
}
constexpr bool is_two_byte_code(int32_t c) { return c >= 256 && c <= 0xFFFF; }

// Key presses and releases from every source, as key codes: the held keys, the
// three key buffers, key traps, soft keys and the special combinations (Break,
// Alt+F4, Pause, Alt+Enter).

// The only operations that change key state. Window thread, and lock polling on
// the main-loop thread and at start-up; calls are serialised among themselves.
void key_down(int32_t code);
void key_up(int32_t code);

// Set by every key_down; SLEEP clears it when it begins and ends early once set.
extern std::atomic<int32_t> sleep_key_pressed;

// The window's close button (or the window manager's close message): a close
// request, which the program may take over.
void window_close_request();

// One key event of the window, the way into the runtime for each: the key's
// 9-bit PC scan code (0 when not known) goes to the keyboard device, then the key
// code it gives (0 for none: a lock, a key without a meaning of its own) is
// pressed or released. Window thread.
void key_event(int32_t scan, int32_t code, bool down);

// Which keys are down, and the BIOS shift-flag bytes that mirror them.

// Adds code (no duplicates) with the native key number its source gave (0 if none).
void held_keys_add(int32_t code, int32_t native);
void held_keys_remove(int32_t code);
bool held_keys_contains(int32_t code);

// 1 when code is held; characters and two-byte codes are retried as their keypad twins.
int32_t key_held(int32_t code);

// Rewrites the shift-flag bytes 0x417, 0x418 and 0x496 from the held keys.
void update_shift_flags();

// True for the codes whose holding the shift-flag bytes show.
bool shift_flags_reflect(int32_t code);

// A copy of the held codes, in the order they went down.
std::vector<int32_t> held_keys_snapshot();

// The keyboard as at start-up: no key held, the shift flags clear, the BIOS
// buffer, the key-event ring, the port 0x60 bytes and the swallowed releases
// empty, no paste under way. Program thread, with no key handler running.
void keyboard_reset();

// The first held character (0-255) on the same physical key as character code
// (the same make code), for a release that reads differently from its press;
// code itself when none is held or code has no make code.
int32_t held_character_of_key(int32_t code);

// The translation of keys to IBM PC enhanced-keyboard BIOS codes (INT 16h
// extended read). Row r describes one key:
//   rows 0-255    single-byte keys by character code,
//   rows 256-511  two-byte keys, row 256 + (key_code >> 8),
//   rows 512-527  the keypad, row 512 + n for 100256 + n and for 200000 + n.
// Columns: 0 identifies the key, 1 the make code (scan code set 1, 0 = no key),
// 2-5 the code plain, with Shift, Ctrl, Alt, 6 with Num Lock on, 9 with Num Lock
// on and Shift; 7 and 8 are 0. A code below 256 is a character, a code with bits
// 8-15 set is a two-byte code (scan byte = code >> 8), 0 produces nothing.

constexpr int32_t key_table_rows = 528;
constexpr int32_t key_table_columns = 10;

enum key_table_column : int32_t {
  kt_id = 0,
  kt_make = 1,
  kt_plain = 2,
  kt_shift = 3,
  kt_ctrl = 4,
  kt_alt = 5,
  kt_num_lock = 6,
  kt_num_lock_shift = 9,
};

using key_table = std::array<std::array<int32_t, key_table_columns>, key_table_rows>;
extern const key_table key_translation_table;

// Row of a character (0-255), two-byte (256-0xFFFF) or keypad code; -1 for others.
int32_t key_table_row(int32_t code);

// Make code of a modifier or lock key (42, 54, 56, 29, 69, 58, 70); 0 for others.
int32_t modifier_make_code(int32_t code);

// The keyboard as a game-input device (device table entry 1): every press and
// release of a physical key, as its 9-bit PC scan code (extended keys 0x100 +
// code), becomes an event of the device with button = scan code. Window thread.

constexpr int32_t keyboard_device = 1;

// A press (pressed = 1) or release (0) of scan code 0-511. A press of a key already
// down (auto-repeat) and a release of a key already up record nothing.
void keyboard_hook(int32_t scan_code, int32_t pressed);

// INKEY$: one key from the BIOS keyboard buffer, without waiting. Program thread.

// Takes the entry at the head of the BIOS keyboard buffer (topped up first
// from a paste under way): false when it is empty. A head outside the ring's slots (a program poked it) empties the ring.
bool bios_key_take(uint8_t* character, uint8_t* scan);

// A temporary: "" when no key waits (or an error is pending), one character
// for an ordinary key, CHR$(0) + scan code for an extended key. Yields the
// processor once before looking; in a tight loop of empty looks it waits up
// to about a millisecond for a key.
str_desc* inkey();

// Pasted text typed into the program: its keys go into the BIOS keyboard
// buffer as the program takes keys out, so a text of any length arrives whole
// and in order. Any thread may start, stop or ask.

// The BIOS keys, (scan << 8) | character, that a code page 437 text types: a
// line end (CR, LF or CR LF) is Enter, a tab is Tab, other control codes and
// 127 are left out, codes above 127 have scan code 0.
std::vector<uint16_t> paste_keys_of(const std::string& cp437);

// Starts typing the text, in place of any paste under way.
void paste_start(const std::string& cp437);
// Types no more of the paste under way (a real key was pressed).
void paste_stop();
// True while keys of a paste wait to go in.
bool paste_running();

// INPUT: reads a line typed by the user into the variables of the INPUT
// variable list, checking the line after every keystroke. Program thread.

// Bits of a variable's type word.
constexpr uint32_t input_size_bits = 0x1FF;     // 8, 16, 32, 64 (integers); 32, 64, 256 (floating point)
constexpr uint32_t input_line_mode = 1u << 9;   // with input_string: the whole line, commas and quotes included
// Bit 24 (not cleared or written as raw bytes) needs nothing here: every value
// is written through its type, and a cleared number is the type's zero.
constexpr uint32_t input_not_raw = 1u << 24;
constexpr uint32_t input_unsigned = 1u << 28;
constexpr uint32_t input_float = 1u << 29;
constexpr uint32_t input_string = 1u << 30;     // target is a str_desc (fixed-length: its length is the limit)

// One variable of an INPUT. A numeric target holds (size / 8) bytes; an
// extended (256-bit) one holds the 80-bit value zero-filled to 32 bytes.
struct input_variable {
  uint32_t type_word;
  void* target;
};

// True when the type word names a type INPUT can fill.
bool input_type_known(uint32_t type_word);

// Entry index (1, 2, ...) of the INPUT variable list: the variable's type word
// and its address (a str_desc for a string). The compiled program fills
// entries 1 to n before calling input_statement(n, ...). Entries stay set.
void input_set_variable(int32_t index, uint32_t type_word, void* target);

// Reads a line into variables 1 to count; end_line non-zero moves the cursor to
// the next line after Enter. The prompt is printed by the caller beforehand.
// Returns at once when the shutdown begins (the caller then stops the program
// thread) or when an error becomes pending (it then reaches line_event).
// A count without filled entries, or an entry INPUT cannot fill, raises error 5.
void input_statement(int32_t count, int32_t end_line);

// Mouse events from the window: buttons, motion and the wheel as the host's
// window callbacks report them, and raw motion from the window procedure. Each
// is recorded in the first mouse queue and as events of the mouse device
// (device table entry 2). Window thread only.

constexpr int32_t mouse_device = 2;

// Button 1 left, 2 middle, 3 right going down or up at window pixel (x, y).
void mouse_button_event(int32_t button, bool down, int32_t x, int32_t y);
// The pointer at window pixel (x, y), with or without buttons held.
void mouse_motion_event(int32_t x, int32_t y);
// One step of the wheel: direction > 0 away from the user (button 4), < 0 towards (button 5).
void mouse_wheel_event(int32_t direction, int32_t x, int32_t y);

// Raw movement (dx, dy) reported by the window procedure.
void mouse_raw_motion(int32_t dx, int32_t dy);

// Where window pixels land on the screen picture: the view of the last render
// and the size of the picture it showed.
struct mouse_view {
  view_mapping view;
  int32_t picture_w = 640, picture_h = 400;
};

// The picture size a view was computed for.
mouse_view mouse_view_of(const view_mapping& v);

// Axis value -1..+1 of a window position across the picture: -1 at its left or top
// edge, +1 at its right or bottom edge, clamped outside.
float mouse_axis(const mouse_view& m, int32_t window_pos, bool vertical);

// The picture pixel under a window position, clamped to the picture.
int32_t mouse_picture_pos(const mouse_view& m, int32_t window_pos, bool vertical);

// The mapping of the last mouse event (any thread).
mouse_view mouse_view_now();
// Window thread: takes the view of the last render for the next mouse events.
mouse_view mouse_view_update();

// Set by the first motion; the window procedure then starts raw motion reports.
bool mouse_raw_motion_wanted();

// The program's mouse statements and functions: they take the current mouse
// queue's entries one at a time and report the entry taken last. Program thread.
// All return 0 while an error is pending.

// Start-up: the list of queues with its first queue, which is also the current one.
void mouse_queues_init();

// -1 when another entry was taken, 0 when every entry had been taken already.
int32_t mouse_input();
// Position of the entry taken last, in pixels of the screen picture (clamped to it).
int32_t mouse_x();
int32_t mouse_y();
// -1 while button n (1-32) was down in the entry taken last, else 0; error 5 for other n.
int32_t mouse_button(int32_t n);
// -1 when the entry taken last pressed button 4 (wheel away from the user), +1 for
// button 5 (towards the user), else 0.
int32_t mouse_wheel();
// Raw movement recorded with the entry taken last.
int32_t mouse_movement_x();
int32_t mouse_movement_y();

// Forgets the entry taken last (start of a test or of a chained program).
void mouse_statements_reset();

// The program's game-device statements and functions: the device table's
// entries, and their events taken one at a time, oldest first. Program thread.
// All return a neutral value while an error is pending; a device number outside
// 1..device count, or a button, axis or wheel the device lacks, raises error 5.

// Start-up: fills the keyboard and mouse entries of the device table and
// gives each its event state.
void device_table_init();

int32_t devices_query();  // number of devices
str_desc* device_description(int32_t device);  // e.g. "[MOUSE][BUTTON][AXIS][WHEEL]"
str_desc* device_name(int32_t device);

// Takes the device's next event: -1 when there was one, 0 when none is left.
int32_t device_input(int32_t device);
// Takes the next event of whichever device has the oldest one; its device number, or 0.
int32_t device_input_any();
// The device whose event was taken last (0 = none yet).
int32_t device_current();

// Of the event taken last (buttons, axes and wheels numbered from 1):
int32_t device_button(int32_t n);  // -1 down, 0 up
float device_axis(int32_t n);
float device_wheel(int32_t n);

// Skips every event recorded so far and forgets the event taken last.
void device_statements_reset();

// RANDOMIZE and RND: one 24-bit seed, advanced by a linear congruential step.
// Program thread.

constexpr uint32_t random_seed_start = 0x50000;
struct random_numbers_record {
  uint32_t seed = random_seed_start;
};
extern random_numbers_record random_numbers;

// The seed as at start-up.
void random_numbers_reset();

// RANDOMIZE n: the upper 32 bits of n as a double, folded to 16 bits, become
// the seed's upper 16 bits; the low byte stays.
void randomize_number(double n);
// The restarting form: the same, with the low byte of the start value.
void randomize_restart(double n);
// RANDOMIZE without a number: asks for the seed with INPUT (one signed 16-bit integer).
void randomize_prompt();

// RND(n), n = 1 when not given (bit 0 of given clear): 0 repeats the last value,
// a negative n reseeds from its bits first, any non-zero n advances the seed.
float rnd(float n, int32_t given);

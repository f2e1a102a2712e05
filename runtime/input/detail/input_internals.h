#pragma once
// What the input files share with each other and their tests: the key
// buffers, key traps, the checks and editing of INPUT's line, its drawn
// cursor, the mouse queues and the game devices' events. Each declaration says
// which thread may call it.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/input/input.h"
#include "runtime/screen/screen.h"

// The BIOS keyboard buffer in conventional memory: head offset at 0x41A, tail
// offset at 0x41C, (character, scan) byte pairs at 0x400 + offset for offsets
// 0x1E, 0x20, ... 0x3C. Full when the next tail equals the head: 15 keys fit.
// The window thread writes the tail, the program thread the head.

constexpr uint16_t bios_kbd_first = 0x1E;
constexpr uint16_t bios_kbd_end = 0x3E;

// Both offsets to 0x1E: empty.
void bios_key_buffer_reset();

// Appends a key; false (and the key is lost) when the buffer is full.
bool bios_key_buffer_put(uint8_t character, uint8_t scan);

// The lock that serialises the key handlers (key_down, key_up), which write
// the ring's tail; whoever else puts keys in holds it too.
std::recursive_mutex& key_handlers_lock();

// Puts the waiting keys of a paste into the BIOS buffer while it has room.
void paste_feed();

// INKEY$'s look at the BIOS buffer: takes the next key when one waits. A
// caller that keeps finding it empty in a tight loop is held up to about a
// millisecond per look (less when a key arrives). Program thread.
bool inkey_take(uint8_t* character, uint8_t* scan);

// No key held (the shift flags are not rewritten).
void held_keys_clear();

// Forgets INKEY$'s recent empty looks.
void inkey_poll_reset();

// The key-event ring for the key-event query: 8192 entries of (value, keypad flag),
// key-ups as negative values. The window thread writes and, when the ring is
// full, moves the read index past the oldest event; the program thread reads.

constexpr int32_t keyhit_size = 8192;

// Empty (read index = write index).
void keyhit_reset();

void keyhit_put(int32_t value, int32_t keypad);

// Takes the oldest event; false when the ring is empty.
bool keyhit_take(int32_t* value, int32_t* keypad);

// Make and break scan codes for reads of keyboard port 0x60: up to 256 bytes,
// the oldest dropped when full; a byte equal to the last one is not appended.

void port60_append(uint8_t byte);

// Takes the oldest byte; false when there is none (the port-input reader).
bool port60_take(uint8_t* byte);

// The bytes waiting, oldest first.
std::vector<uint8_t> port60_contents();

// Empty.
void port60_reset();

// Keys whose press was consumed (by a key trap, a soft-key string or one of the
// special combinations): their release is swallowed as well. 256 slots, at most
// 255 in use; 0 marks a free slot. Used under the key handlers' lock.

// Records code in the first free slot; when none is free and 255 are in use, nothing.
void suppressed_keys_add(int32_t code);

// True (and the slot freed) when code was recorded.
bool suppressed_keys_take(int32_t code);

void suppressed_keys_clear();

// Key presses against event_traps.keys: user-defined keys (make code and shift
// state) first, then the predefined keys by key code.

// Modifier and lock state at the time of a press.
struct key_modifiers {
  bool shift = false, ctrl = false, alt = false, num_lock = false, caps_lock = false;
};

// Make code a trap compares for key code c (0 when the key has none).
int32_t trap_make_code(int32_t c);

// True for the grey keys: cursor block, keypad / and Enter, right Ctrl and Alt.
bool extended_key(int32_t c);

// Tries the traps for the press of c (event value v). On a match the trap's
// pending count rises, run_flags.event_pending is set, and the result is the entry; else -1.
int32_t key_trap_press(int32_t c, int32_t v, const key_modifiers& held);

// The checks INPUT makes on its line after every keystroke: the split into
// fields at commas (with quoted fields), the shape and range of each field for
// its variable's type, and the store of the values into the variables.
// Program thread.

// A line holds at most this many characters, so at most one more field.
constexpr int32_t input_line_max = 255;
constexpr int32_t input_fields_max = input_line_max + 1;

// One field of the line: its text without the quotes of a quoted field.
struct input_field {
  int32_t start;
  int32_t len;
};

// Splits line into fields for count variables (line mode: the whole line is
// one field). Returns the number of fields, or -1 when the line cannot be
// valid: a character after a closing quote, or more fields than variables.
// fields holds input_fields_max entries.
int32_t input_split_fields(const uint8_t* line, int32_t len, int32_t count, bool line_mode, input_field* fields);

// A checked field: the bytes to store for a numeric variable.
struct input_value {
  uint8_t bytes[32];
};

// Checks one field against its variable's type; when valid and value is not
// null, fills value (numeric types only). An empty field is always valid (0).
bool input_check_field(const input_variable& var, const uint8_t* text, int32_t len, input_value* value);

// Stores a valid field into its variable (strings are assigned the text).
void input_store_field(const input_variable& var, const uint8_t* text, int32_t len);

// Empties a variable: "" (spaces for a fixed-length string) or 0.
void input_clear_variable(const input_variable& var);

// Checks the whole line against the variables. When every field is valid,
// stores every field and empties the variables beyond the last field, and
// returns true; otherwise changes nothing and returns false.
bool input_validate_line(const input_variable* vars, int32_t count, const uint8_t* line, int32_t len);

// The line INPUT edits: the accepted line and what each key does to it. The
// variables hold the values of the accepted line after every change. Program
// thread; the screen side is in input_statement.

struct input_editor {
  const input_variable* vars;
  int32_t count;
  uint8_t line[input_line_max];
  int32_t len;
};

// What a key read by INPUT does.
enum input_key_action : int32_t {
  input_key_type,       // appended to the line when the line stays valid
  input_key_end,        // 13: the line is finished
  input_key_backspace,  // 8
  input_key_tab,        // 9: spaces up to the next multiple of 8, each as if typed
  input_key_bell,       // 7: printed (a pause), not part of the line
  input_key_ignored,    // 10, 11, 12, 28-31
};
input_key_action input_key_action_of(uint8_t key);

// Empties the line and clears every variable (set-up), then stores the empty line.
void input_editor_begin(input_editor* ed, const input_variable* vars, int32_t count);

// Appends a typed character when the line has room and stays valid; the
// variables then hold the new line's values. False: refused, nothing changed.
bool input_editor_type(input_editor* ed, uint8_t character);

// Drops the last character, and more while the shorter line is not valid
// (then stores its values). False when the line was empty.
bool input_editor_backspace(input_editor* ed);

// The number of spaces a Tab feeds in at the line's current length.
int32_t input_tab_spaces(const input_editor* ed);

// The cursor INPUT draws on a pixel surface: the cursor's cell (or a one-pixel
// column) with its pixels exclusive-or'd with the colour, so drawing it twice
// removes it. Program thread.

// True when the drawn cursor blinks on this image (a loaded font, or modes 256
// and 32); otherwise it stays shown.
bool input_cursor_blinks(const image_record* img);

// Whether the cursor is to be shown now, at ms milliseconds of the clock:
// blinking cursors show while bit 9 of the clock is 0.
bool input_cursor_wanted(const image_record* img, int64_t ms);

// Exclusive-or of the cursor's cell with the colour, clipped to the image.
// Nothing on text or console surfaces.
void input_cursor_toggle(image_record* img);

// The mouse queue: a ring of position and button snapshots. The window thread
// appends; the program's mouse statements take entries one at a time. When the
// ring is full the oldest unread entry is lost.

// One snapshot: window position, buttons held (bit n - 1 for button n) and the
// raw movement that produced it.
struct mouse_entry {
  int16_t x = 0, y = 0;
  uint32_t buttons = 0;
  int16_t move_x = 0, move_y = 0;
};
static_assert(sizeof(mouse_entry) == 12);

// An entry as stored: its three words, and a version that is odd while the
// writer changes them, so that a reader racing an overflow sees a mixed entry as such.
struct mouse_slot {
  std::atomic<uint32_t> position{0};  // x low half, y high half
  std::atomic<uint32_t> buttons{0};
  std::atomic<uint32_t> movement{0};  // move_x low half, move_y high half
  std::atomic<uint32_t> version{0};
};

constexpr int32_t mouse_queue_last_index = 65535;

struct mouse_queue {
  int32_t capacity = 0;  // last index of the ring
  mouse_slot* entries = nullptr;  // capacity + 1 entries
  std::atomic<int32_t> write_index{0};  // the newest entry
  std::atomic<int32_t> read_index{0};   // the entry taken last; the writer moves it on overflow
  uint32_t newest_buttons = 0;           // writer's copy of the newest entry's buttons
};

// The mouse queues: made by mouse_queues_init at start-up, before the window
// thread appends to window_queue; the program thread switches program_queue.
struct mouse_queues_record {
  list* table = nullptr;     // the queues by handle
  int32_t window_queue = 0;   // handle the window thread appends to
  int32_t program_queue = 0;  // handle the program's mouse statements read
};
extern mouse_queues_record mouse_queues;

// A new zero-filled queue of capacity + 1 entries in the list; 0 when memory ran out.
int32_t mouse_queue_new(int32_t capacity);
mouse_queue* mouse_queue_get(int32_t handle);

// Writer (window thread): appends an entry; buttons start as the newest entry's.
// Returns the appended entry's index.
int32_t mouse_queue_append(mouse_queue* q, const mouse_entry& e);
// The newest entry (writer's view).
mouse_entry mouse_queue_newest(mouse_queue* q);

// Reader (program thread): moves on to the next unread entry and copies it to
// *out; false when every entry has been taken.
bool mouse_queue_take(mouse_queue* q, mouse_entry* out);
// Entries appended and not yet taken.
int32_t mouse_queue_unread(mouse_queue* q);

// The entry in a slot; false when the slot's version is no longer the given one
// (the writer changed the slot since the version was read, or during the read).
bool mouse_slot_read(const mouse_slot& s, uint32_t version, mouse_entry* out);
mouse_entry mouse_slot_load(const mouse_slot& s);  // writer's own reads and quiet slots
void mouse_slot_store(mouse_slot& s, const mouse_entry& e);

// Game-device input: every device of the device table keeps a list of events,
// each a full picture of its axes, wheels and buttons tagged with a sequence
// number that runs across all devices. The window thread (mouse callbacks, key
// scan codes) writes; the program thread reads.
//
// An event is laid out as: axes (f32), wheels (f32), one byte per button, and the
// 64-bit sequence number in its last 8 bytes.

struct input_device {
  int32_t device = 0;  // its entry in the device table
  int32_t axes = 0, wheels = 0, buttons = 0;
  int32_t event_size = 0;  // ((axes + wheels) * 4 + buttons + 15) rounded down to a multiple of 8
  // Growth moves the events and a full list drops its oldest one, so the reader
  // and the writer meet under this lock. Events below count are committed.
  std::mutex lock;
  uint8_t* events = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
};

constexpr int32_t device_events_growth_limit = 1024;  // capacity doubles while below this

// The numbering of device events across all devices: the window thread (the
// writer) hands out numbers, the program thread reads them.
struct input_devices_record {
  std::atomic<uint64_t> event_sequence{0};  // highest sequence number handed out (0 = none yet)
};
extern input_devices_record input_devices;

int32_t device_event_size(int32_t axes, int32_t wheels, int32_t buttons);

// Start-up, after the device table entry is filled: two zeroed events, capacity 2.
void device_state_alloc(int32_t device);
// The device's event state; null for entries without one.
input_device* device_state(int32_t device);

// Writer side. new_device_event copies the last event to the end of the list with
// the next sequence number and returns its index (-1 when the device has no state
// or memory ran out); it is not counted until commit_device_event.
int32_t new_device_event(int32_t device);
void set_device_button(int32_t device, int32_t event, int32_t button, int32_t down);
void set_device_axis(int32_t device, int32_t event, int32_t axis, float value);
void set_device_wheel(int32_t device, int32_t event, int32_t wheel, float value);
void commit_device_event(int32_t device);

// A button's state (0 or 1) in an event; 0 for indices out of range.
// Writer side: the last event is the device's committed event count - 1.
int32_t device_event_button(int32_t device, int32_t event, int32_t button);
int32_t device_last_event(int32_t device);

// A copy of one committed event, as the reader takes it.
struct device_event_copy {
  float values[256 + 8] = {};  // axes, then wheels
  uint8_t button_bytes[512] = {};
  uint64_t sequence = 0;
};

// Reader side: the oldest committed event with a sequence number above after;
// false when there is none.
bool device_event_after(int32_t device, uint64_t after, device_event_copy* out);
// Sequence number of that event, or 0 when there is none (no copy taken).
uint64_t device_event_next_sequence(int32_t device, uint64_t after);

#pragma once
// Strings and numbers: the string engine and its temporaries, the string
// functions and comparisons, numbers to text and back, PRINT USING, and
// numbers as raw bytes and as integers, and code page 437 to and from UTF-8.
// Program thread only (and start-up before the program thread exists), except
// the code page 437 conversions, which any thread may call.
#include <cstddef>
#include <cstdint>
#include <string>

// The string engine: descriptors, the string heap, the in-segment strings of the
// emulated data segment, and the temporaries every statement releases.
//
// Strings are byte strings with a separate length. Heap strings live in one
// growable area that is compacted when it runs short; in-segment strings live in
// the 64 KiB data segment inside conventional_memory, where programs reading the
// emulated memory can see them through 4-byte records (length, offset).
//
// Program thread only (and start-up before the program thread exists): all
// state is global and unlocked. Failures are the fatal kinds 508-515 of
// raise_error, which end the process.

struct field_binding;

struct str_desc {
  uint8_t* chars;                  // first character (heap, data segment, or memory not owned)
  int32_t len;                     // number of bytes
  uint8_t in_segment;              // 1: characters in data_segment.bytes, listed on data_segment.list
  uint8_t* segment_record;         // null, or this string's 4-byte record in data_segment.bytes
  uint16_t segment_record_offset;  // offset of that record inside data_segment.bytes
  int32_t list_index;              // slot in string_heap.list (data_segment.list when in_segment)
  uint8_t temporary;               // 1: on string_heap.temps
  int32_t temp_index;              // slot in string_heap.temps, 0 = not on it
  uint8_t fixed;                   // 1: fixed-length, over memory it does not own
  uint8_t read_only;               // 1: over constant text it does not own
  field_binding* field_link;       // null, or the FIELD binding
};

// Binding of a string to a piece of a RANDOM file's record buffer (FIELD). The
// file subsystem makes the bindings and ends them all when the file closes; the
// string engine ends one when its string is freed or assigned (field_detach)
// and copies what LSET and RSET wrote into the piece (field_written).
struct field_binding {
  str_desc* string;
  uint8_t* piece;         // the piece's first byte in the record buffer
  int32_t width;          // bytes in the piece
  field_binding* next;    // the other bindings of the same record buffer
  field_binding** from;   // the pointer to this binding: the list head or the previous binding's next
};

// A list of descriptors with -1 holes: string_heap.list, data_segment.list, string_heap.temps.
// slots has capacity + 1 entries.
struct str_list {
  str_desc** slots;
  uint32_t count;
  uint32_t capacity;
};

constexpr uint32_t data_segment_size = 65536;
constexpr uint32_t segment_strings_start = 256;

// Descriptor store: blocks of descriptors, and the stack of released
// descriptors that are reused first.
struct desc_store_state {
  str_desc* block = nullptr;        // current block
  uint32_t block_used = 0;          // records of the current block handed out
  str_desc** free_stack = nullptr;  // desc_free_stack
  uint32_t free_count = 0;
  uint32_t free_capacity = 0;
};

// The string heap: the descriptors, the growable area heap strings' characters
// live in with the list of those strings, and the temporaries (every
// statement's new strings until its cleanup).
struct string_heap_record {
  desc_store_state descriptors;
  uint8_t* bytes = nullptr;
  size_t size = 0;
  size_t used = 0;     // offset at which the next heap string's characters go
  str_list list{};     // the heap strings
  str_list temps{};    // the temporaries
};
extern string_heap_record string_heap;

// The data segment in conventional_memory: in-segment strings grow up from
// segment_strings_start, their 4-byte records down from the top. The two
// permanent in-segment strings made at start-up are "" and " ".
struct data_segment_record {
  uint8_t* bytes = nullptr;
  uint32_t used = segment_strings_start;  // next in-segment string's offset
  uint32_t stack_top = data_segment_size; // lowest 4-byte record so far
  str_list list{};                        // the in-segment strings
  str_desc* empty_string = nullptr;
  str_desc* space_string = nullptr;
};
extern data_segment_record data_segment;

// Both records as before start-up, with their memory released. Only where no
// string is in use (tests); strings_init builds them again.
void string_heap_reset();
void data_segment_reset();

// Start-up: allocates the store, lists and heap, places the data segment 0x500
// bytes into conventional_memory and makes the two permanent strings.
void strings_init();

// Creating strings. Lengths above INT32_MAX are refused (fatal).
str_desc* str_new(uint32_t length, bool temporary);
str_desc* str_new_in_segment(uint32_t length, bool temporary);
str_desc* str_from_cstr(const char* text);                      // read-only temporary
str_desc* str_from_text(const void* text, uint32_t length);     // read-only temporary
str_desc* str_over_memory(void* address, uint32_t length, bool temporary);  // fixed length
str_desc* str_make_temporary(str_desc* s);

// dest = src. Releases src when it is temporary. Returns dest.
str_desc* str_assign(str_desc* dest, str_desc* src);
// left + right: a new temporary, or one operand itself when the other is empty.
// Releases the temporary operands it consumed.
str_desc* str_concat(str_desc* left, str_desc* right);
// dest = dest + src, the statement a$ = a$ + x as compiled code calls it. dest
// grows where it lies when the bytes after it are free; otherwise it moves to
// the end of its area with as many spare bytes again as it holds, so a string
// built up one piece at a time is copied a logarithmic number of times, not
// once per piece. Releases src when it is temporary (and not dest itself).
// Returns dest.
str_desc* str_append(str_desc* dest, str_desc* src);
// dest = dest + a literal (length bytes of constant text outside the string
// areas): the same statement with no temporary made for the literal in the
// usual case. Returns dest.
str_desc* str_append_text(str_desc* dest, const void* text, uint32_t length);
void str_free(str_desc* s);

// The temporary-string mark: the current string_heap.temps count. A routine takes it on
// entry and passes it to str_cleanup after every statement.
inline uint32_t str_temp_mark() { return string_heap.temps.count; }
// Releases every temporary at or above slot keep and returns value unchanged
// (a routine returning a value through the cleanup passes it here).
intptr_t str_cleanup(uint32_t keep, intptr_t value = 0);

// size bytes of the data segment from offset, or null when they do not all lie
// inside it: for offsets that come from outside data (DRAW's variable references).
const uint8_t* data_segment_bytes(uint32_t offset, uint32_t size);

// The free bytes of the data segment between the in-segment strings and their
// records, as offsets [*start, *end): what machine code may use while it runs.
void data_segment_free(uint32_t* start, uint32_t* end);

// Ends s's FIELD binding, if it has one, and frees the binding.
void field_detach(str_desc* s);
// After LSET or RSET wrote into s: when s is bound to a record buffer, its
// bytes (at most the piece's width) go into the piece.
void field_written(str_desc* s);

// The relational operators on strings: unsigned byte order, then length.
// They only read their operands (temporaries stay on string_heap.temps).

// -1 (true) or 0 (false).
int32_t str_equal(const str_desc* a, const str_desc* b);
int32_t str_not_equal(const str_desc* a, const str_desc* b);
int32_t str_less(const str_desc* a, const str_desc* b);
int32_t str_greater(const str_desc* a, const str_desc* b);
int32_t str_less_equal(const str_desc* a, const str_desc* b);
int32_t str_greater_equal(const str_desc* a, const str_desc* b);

// Three-way: -1, 0 or 1.
int32_t str_compare(const str_desc* a, const str_desc* b);
// The same with "A"-"Z" folded to "a"-"z" before each byte comparison.
int32_t str_compare_nocase(const str_desc* a, const str_desc* b);

// The string functions and the statements that write into an existing string.
//
// Functions returning a string return a temporary, or their operand itself when
// the result is all of it. A temporary heap operand (not fixed, read-only or in
// the data segment) is reused: the result is made by moving its chars and len,
// with no copy. Any other operand is copied into a new temporary and released
// when it was temporary. Reading functions (LEN, ASC, INSTR) never release.
//
// Optional arguments arrive as values plus a bit set saying which were given
// (bit 0 for the first optional argument).

// LEFT$, RIGHT$ and MID$; counts are clamped to the string.
str_desc* str_left(str_desc* s, int32_t n);
str_desc* str_right(str_desc* s, int32_t n);
// MID$(s, start[, length]); passed bit 0: length given.
str_desc* str_mid(str_desc* s, int32_t start, int32_t length, int32_t passed);
// Only spaces (byte 32) are trimmed.
str_desc* str_ltrim(str_desc* s);
str_desc* str_rtrim(str_desc* s);
// ASCII letters only; other bytes are left as they are.
str_desc* str_ucase(str_desc* s);
str_desc* str_lcase(str_desc* s);

// CHR$: one byte, 0-255; any other code raises error 5 and gives "".
str_desc* str_chr(int32_t code);
// SPACE$ and STRING$; a negative count gives "".
str_desc* str_space(int32_t n);
str_desc* str_string(int32_t n, int32_t code);
// DATE$ "MM-DD-YYYY" and TIME$ "HH:MM:SS" in local time; error 5 and "" when the
// clock is not available.
str_desc* str_date();
str_desc* str_time();

int32_t str_len(const str_desc* s);
// ASC(s) and ASC(s, position); error 5 and 0 for an empty string or a position
// outside 1 .. LEN(s).
int32_t str_asc(const str_desc* s);
int32_t str_asc_at(const str_desc* s, int32_t position);
// INSTR([start,] s, search): 1-based position of the first match, or 0.
// passed bit 0: start given (1 otherwise).
int32_t str_instr(int32_t start, const str_desc* s, const str_desc* search, int32_t passed);

// MID$(dest, start[, length]) = src: overwrites bytes of dest in place; dest's
// length never changes. passed bit 0: length given.
void str_mid_statement(str_desc* dest, int32_t start, int32_t length, str_desc* src, int32_t passed);
// LSET and RSET: src into dest's length, padded with spaces on the right (LSET)
// or the left (RSET), cut to dest's length from the start. A dest bound to a
// file's record buffer passes the new bytes on.
void str_lset(str_desc* dest, str_desc* src);
void str_rset(str_desc* dest, str_desc* src);

// Numbers to text: what STR$ returns and PRINT shows for a number, and HEX$ and
// OCT$. Every result is a new temporary string.
//
// A non-negative value starts with a space where a negative one has its minus
// sign; integers are written in full; floating values show at most 7 (single)
// or 16 (double) significant digits, drop trailing zeros and the "0" before the
// point, and use exponent form ("E" single, "D" double) only when the plain form
// would need more digits than the type holds.

str_desc* text_of_int8(int8_t v);
str_desc* text_of_int16(int16_t v);
str_desc* text_of_int32(int32_t v);
str_desc* text_of_int64(int64_t v);
str_desc* text_of_uint8(uint8_t v);
str_desc* text_of_uint16(uint16_t v);
str_desc* text_of_uint32(uint32_t v);
str_desc* text_of_uint64(uint64_t v);

str_desc* text_of_single(float x);
str_desc* text_of_double(double x);
// Rounded to double precision first: prints like a double.
str_desc* text_of_extended(long double x);

// HEX$ of v (sign-extended to 64 bits); width = the source type's size in hex
// digits (2, 4, 8 or 16).
str_desc* hex_text(int64_t v, int32_t width);
// OCT$ of v; bits = the source type's width (8, 16, 32 or 64).
str_desc* oct_text(int64_t v, int32_t bits);
// HEX$ / OCT$ of a floating value, rounded to an integer (ties to even) and shown
// as a 32-bit quantity when it fits one. Outside the 64-bit range: error 6 and
// an empty string.
str_desc* hex_text_of_float(long double x);
str_desc* oct_text_of_float(long double x);

// VAL: the number at the start of a string, as an 80-bit extended value.
//
// Decimal numbers with an optional sign, point and exponent ("E" or "D"), and
// integers after "&H", "&O" or "&B". Spaces and tabs are skipped anywhere in a
// decimal number. Reading stops quietly at the first character that cannot
// continue the number; no digits give 0.
//
// Program thread only: the parse state is static.

// VAL(s). Reads s and does not release it. A "&H"/"&O"/"&B" number with more
// significant digits than 64 bits hold raises error 6 and gives 0.
long double text_value(const str_desc* s);

// PRINT USING: numbers and strings formatted by the fields of a format string.
//
// Numeric fields: "#" digit positions, "." point, "," thousands separators,
// a leading "+" or a trailing "+" or "-" for the sign, "$$" floating dollar,
// "**" star fill, "**$" both, "^^^^" or "^^^^^" exponent notation. String
// fields: "&" the whole string, "!" its first character, and a backslash pair
// with n spaces between them, n + 2 characters. Other characters are copied;
// "_" copies the character after it.
//
// The compiled statement calls one entry point per value: each takes the
// format, the value, the format position where the previous value stopped (0
// for the first) and the output string being built. It appends the literal
// characters up to the value's field and the formatted value, then literals
// up to the next field, and returns the position where the next value's field
// starts (0 when the format was used up: the next value starts it over).
//
// The format and a string value are only read (the statement's cleanup
// releases them). The output string, a variable-length string, grows by what
// each call appends; it must be neither the format nor the value.
//
// Errors: a number meeting a string field or a string meeting a numeric field
// 13; a format with no field at all 5. After an error the call returns 0 and the
// output keeps what was appended before it. While an error is pending every
// entry point does nothing and returns 0.
//
// Program thread only: the digits and the text being built are static.

int32_t using_int64(const str_desc* format, int64_t value, int32_t start, str_desc* output);
int32_t using_uint64(const str_desc* format, uint64_t value, int32_t start, str_desc* output);
int32_t using_single(const str_desc* format, float value, int32_t start, str_desc* output);
int32_t using_double(const str_desc* format, double value, int32_t start, str_desc* output);
int32_t using_extended(const str_desc* format, long double value, int32_t start, str_desc* output);

// Numbers as the strings that hold their raw bytes (MKx$) and back (CVx).
//
// MKx$ returns a new temporary holding the value's bytes, little-endian. CVx
// reads a value from the start of a string, which it does not release; a string
// shorter than the value raises error 5 and gives 0.
//
// The MBF functions use the older binary floating-point layout: the highest
// byte is the exponent with bias 128 (0 means the value 0), the byte below it
// holds the sign in its top bit and the mantissa's leading bits after the
// hidden 1; the value is 0.1mmm... (binary) times 2 ^ (exponent - 128). Four
// bytes hold 24 mantissa bits, eight bytes hold 56.

// Bytes of an 80-bit extended value inside its MKx$ string, and that string's length.
constexpr int32_t extended_value_bytes = 10;
constexpr int32_t extended_string_length = 32;

str_desc* mk_int8(int8_t v);
str_desc* mk_uint8(uint8_t v);
str_desc* mk_int16(int16_t v);
str_desc* mk_uint16(uint16_t v);
str_desc* mk_int32(int32_t v);
str_desc* mk_uint32(uint32_t v);
str_desc* mk_int64(int64_t v);
str_desc* mk_uint64(uint64_t v);
str_desc* mk_single(float v);
str_desc* mk_double(double v);
// The 10 bytes of the value, zero-filled to 32.
str_desc* mk_extended(long double v);
// A bit field of bits (1 to 64) bits: the low bits of v in (bits + 7) / 8 bytes.
// The same bytes serve the signed and the unsigned field. Other widths: error 5, "".
str_desc* mk_bits(uint64_t v, int32_t bits);

int8_t cv_int8(const str_desc* s);
uint8_t cv_uint8(const str_desc* s);
int16_t cv_int16(const str_desc* s);
uint16_t cv_uint16(const str_desc* s);
int32_t cv_int32(const str_desc* s);
uint32_t cv_uint32(const str_desc* s);
int64_t cv_int64(const str_desc* s);
uint64_t cv_uint64(const str_desc* s);
float cv_single(const str_desc* s);
double cv_double(const str_desc* s);
long double cv_extended(const str_desc* s);  // needs all 32 bytes
// Bit fields: the low bits of the first (bits + 7) / 8 bytes; the signed form
// copies bit bits - 1 into the higher bits.
uint64_t cv_ubits(const str_desc* s, int32_t bits);
int64_t cv_bits(const str_desc* s, int32_t bits);

// MKSMBF$ / MKDMBF$: a value outside what the layout holds (magnitude 2^127 and
// more, non-zero magnitude below 2^-128, infinities, not-a-number) raises
// error 5 and gives "".
str_desc* mk_smbf(float v);
str_desc* mk_dmbf(double v);
// CVSMBF / CVDMBF: the 56-bit mantissa of the long form is rounded to the
// nearest double.
float cv_smbf(const str_desc* s);
double cv_dmbf(const str_desc* s);

// Conversions of extended-precision values to integers as the compiled code does
// them: round to nearest with ties to even, as the floating-point unit stores them.

// The integer-indefinite value: what a conversion of an infinite, not-a-number
// or out-of-range value gives.
constexpr uint64_t integer_indefinite = 0x8000000000000000ull;

// Rounds x to the nearest integer (ties to even). Values from 2^63 up have 2^63
// taken off before the conversion and bit 63 set after it, so unsigned 64-bit
// results come through; what is still out of range gives the indefinite value.
uint64_t extended_to_int64_bits(long double x);

// Code page 437, the runtime's character set, and Unicode: the character each
// code stands for, and conversions between code page 437 text and UTF-8 for
// text that leaves or enters the runtime (the clipboard). Pure functions over
// constant tables: any thread may call them.

// The Unicode code point of each code as the built-in fonts draw it: 1-31 and
// 127 are the graphic characters (U+263A, ..., U+2302), 0 is U+0000.
extern const uint16_t cp437_code_points[256];

// UTF-8 for code page 437 text. Tab, line feed and carriage return stay control
// characters; every other code becomes the character the fonts draw for it.
std::string cp437_to_utf8(const uint8_t* text, size_t length);

// Code page 437 for UTF-8 text. Characters with no code page 437 form, and every
// byte that is not part of well-formed UTF-8, become "?". Control characters
// U+0001-U+001F and U+007F keep their codes, and so do the graphic characters
// that stand for them.
std::string utf8_to_cp437(const char* text, size_t length);

// The code for one code point, or '?' when code page 437 has none.
uint8_t cp437_from_code_point(uint32_t code_point);

// UTF-8 for text read off the screen: every code becomes the character the
// fonts draw for it (control codes too, so a cell showing code 13 does not end
// the line), and 0, which draws nothing, becomes a space.
std::string cp437_shown_to_utf8(const uint8_t* text, size_t length);

// Code page 437 for UTF-8 text that is to be typed: characters with no code
// page 437 form and bytes that are not part of well-formed UTF-8 are left out
// rather than becoming "?".
std::string utf8_to_cp437_known(const char* text, size_t length);

#pragma once
// The operating system as the program sees it: the command line, the
// environment, directories, files by name and by number, network handles,
// the clipboard, the user's folders and the shell. Program thread, and start-up
// before the program thread exists. The program's statements and functions
// (ENVIRON, CHDIR, KILL, FILES, SHELL, OPEN, ...) return at once while an error
// is pending.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/strings/strings.h"

// How the program was started: its command line, its arguments, the size of
// its environment and the directory it was started in. Set at start-up (and by
// ENVIRON and a received chain) on the program thread; read there.
struct invocation_record {
  // The arguments after the program name joined by single spaces, exactly as
  // the process start-up split them (quotes are not restored).
  str_desc* command_line = nullptr;
  // The same arguments one by one, as the process received them (a chained
  // start's tail taken off once it is received). CHAIN passes them on.
  std::vector<std::string> arguments;
  // Entries of the C environment array, the terminating null entry included.
  // Counted at start-up and again after every ENVIRON statement.
  int32_t environment_entries = 0;
  // The directory the process was started in.
  std::string startup_dir;
};
extern invocation_record invocation;

// Nothing known of the start: no command line (the string itself is not
// freed), no arguments, no environment counted, no directory. Program thread.
void invocation_reset();

std::string join_arguments(int argc, char** argv);

// Start-up: makes invocation.command_line from the process's arguments.
void command_line_init(int argc, char** argv);

// The command line as text (for the runtime's own use).
std::string command_line_text();

// The process environment as the environment functions see it.

void environment_init();

// ENVIRON$(n): the n-th entry ("NAME=value", as stored); "" past the end; n < 1
// raises error 5 and gives "".
str_desc* environ_by_index(int32_t n);

// ENVIRON$(name): the variable's value; "" when it is not set.
str_desc* environ_by_name(const str_desc* name);

// ENVIRON "NAME=value" sets a variable for this process and the programs it
// starts; an empty value removes it. No "=", an empty name or a zero byte
// raises error 5.
void environ_set(const str_desc* text);

// The directories the runtime keeps: where the process was started, and the
// executable's folder, which becomes the current directory at start-up.

// Captures invocation.startup_dir (error 51 when the directory cannot be read).
void capture_startup_dir();

// A file or folder name as a program writes it, in the system's form: the
// classic separator, the backslash, is "/". Every statement that takes a
// path (OPEN, KILL, NAME, FILES, CHDIR, MKDIR, RMDIR, CHAIN) maps it
// here.
std::string system_path(std::string name);

// The folder part of an executable path: cut at the last "/" (the only folder
// separator of the system's paths); the path stays whole when it has none.
std::string executable_folder(const std::string& path);

// Changes the current directory to the executable's folder.
void enter_executable_folder();

// The start-up directory as a new temporary string.
str_desc* startup_directory();

// CHDIR, MKDIR and RMDIR: 76 path not found, 75 access (a folder that exists
// or is not empty included), 64 bad name, 61 disk full, else 5.
void chdir_statement(const str_desc* path);
void mkdir_statement(const str_desc* path);
void rmdir_statement(const str_desc* path);

// Files by name. A pattern is a folder part (up to and including the last "/")
// and a mask in which "*" stands for any run of characters and "?" for exactly
// one. Names are compared byte for byte, letter case included, as the file
// system stores them; a mask ending in ".*" also matches the name without that
// part, so "*.*" matches every name. A name or pattern holding a zero byte or
// longer than the system accepts raises error 64.

// KILL pattern: deletes the files (regular files and symbolic links, never
// directories) in the pattern's folder whose names match, and returns how many
// went. A file that is protected or in use raises 55 and the others are still
// deleted; no match, or nothing deleted, raises 53.
int32_t kill_files(const str_desc* pattern);

// NAME old AS new. An existing new name is never replaced (error 58).
void name_file(const str_desc* old_name, const str_desc* new_name);

// FILES [pattern]: the current directory, the matching entries in name order
// flowing across the screen, then the free bytes and " Bytes free". passed
// bit 0: pattern given. An empty pattern, or one ending in "/", lists "*".
void files_list(const str_desc* pattern, int32_t passed);

// The user's folder by plain-language name, in any letter case ("Music", "MY
// DOCUMENTS", "downloads", "AppData", ...), mapped onto the desktop's XDG
// folders, followed by "/". Unknown names give the desktop folder; with no
// home folder at all the result is "./". The downloads folder is made when
// it is missing.
str_desc* known_folder(const str_desc* name);

// Files opened by number: OPEN, CLOSE and FREEFILE; PRINT #, WRITE #, INPUT #
// (string and numeric fields) and LINE INPUT #; EOF, LOF, LOC and SEEK; GET and
// PUT of variables, strings and FIELD records. The numbers reach up to
// 2,147,483,647.
//
// Names: disk files (a backslash in a name is a slash, so names written either
// way work; letter case is kept), "SCRN:" in any case (the screen), and
// "COMn" or "COMn:settings" in any case (serial port n, 1-255), e.g.
// "COM1:9600,N,8,1,CS2000,DS500". Serial port n is the device /dev/ttyS(n-1),
// or the one the environment variable QUINTARO_COMn names.
//
// Every statement returns at once while an error is pending and reports its
// own failures with raise_error. Program thread, except flush_all_files (any
// thread, at process exit).

// CLOSE without a number: closes every network handle and every open file.
// Used at END and at shutdown, where no statement is left to report a failed
// write: such a failure is written to stderr.
void close_all_files();

// Writes every open file's buffered bytes (process exit; the files stay open).
void flush_all_files();

// OPEN name FOR kind ACCESS access LOCK lock AS #number LEN = length.
// kind: 0 or 1 RANDOM, 2 BINARY, 3 INPUT, 4 OUTPUT, 5 APPEND. access: 0 none,
// 1 READ WRITE, 2 READ, 3 WRITE. lock: 0 none, 1 SHARED, 2 LOCK READ WRITE,
// 3 LOCK READ, 4 LOCK WRITE. length: positive, or -1 for the default.
void file_open(const str_desc* name, int32_t kind, int32_t access, int32_t lock, int32_t number, int64_t length,
               int32_t length_given);
// OPEN mode$, #number, name$, length: the first letter of mode$ is R, B, I, O or A.
void file_open_letter(const str_desc* mode_text, int32_t number, const str_desc* name, int64_t length,
                      int32_t length_given);
// CLOSE #number (given = 1; a negative number is the complement of a network
// handle), or CLOSE of everything (given = 0).
void file_close(int32_t number, int32_t given);
int32_t file_freefile();

// PRINT #: text, then one space (space_after), the next 14-column zone
// (next_zone) and CR LF (new_line).
void print_to_file(int32_t number, const str_desc* text, int32_t space_after, int32_t next_zone, int32_t new_line);
// WRITE #: one item; quoted for strings, a number's text loses its leading
// space. A comma follows, or CR LF after the last item.
void write_item_to_file(int32_t number, const str_desc* text, int32_t quoted, int32_t last);
// INPUT # into a string variable.
void input_string_from_file(int32_t number, str_desc* variable);
// INPUT # of a number: the field's text read by the VAL rules.
long double input_number_from_file(int32_t number);
// LINE INPUT #: the rest of the line without its line end.
void line_input_from_file(int32_t number, str_desc* variable);

int32_t file_eof(int32_t number);       // -1 at the end, else 0
int64_t file_lof(int32_t number);
int64_t file_loc(int32_t number);
int64_t file_seek_function(int32_t number);                  // SEEK(n): next record or byte, from 1
void file_seek_statement(int32_t number, int64_t position);  // SEEK #n, position

// GET and PUT of a variable's bytes, and of a variable-length string. position
// is a record number (RANDOM) or byte number (BINARY) from 1.
void get_bytes(int32_t number, int64_t position, int32_t position_given, void* block, int64_t length);
void put_bytes(int32_t number, int64_t position, int32_t position_given, const void* block, int64_t length);
void get_string(int32_t number, int64_t position, int32_t position_given, str_desc* text);
void put_string(int32_t number, int64_t position, int32_t position_given, const str_desc* text);
// GET and PUT without a variable: the record buffer that FIELD binds strings to.
void get_record(int32_t number, int64_t position, int32_t position_given);
void put_record(int32_t number, int64_t position, int32_t position_given);
// FIELD #number, widths[0] AS variables[0], ...
void field_statement(int32_t number, int32_t count, const int32_t* widths, str_desc* const* variables);

// Network handles: connections and hosts opened from address texts
// ("TCP/IP:port:host" for a connection, "TCP/IP:port" for a host), kept in
// three handle lists made at start-up. The file statements reach a handle
// through a negative file number, its bitwise complement: PUT, GET, EOF and
// CLOSE #number call these functions with ~number, and CLOSE without a number
// closes every handle before the files. Program thread (start-up makes the
// lists before the program runs).

// Start-up: the three empty lists.
void network_lists_init();

// kind 0: a connection to "TCP/IP:port:host"; kind 1: a host listening on
// "TCP/IP:port"; kind 2: a connection waiting at the host host_handle (address
// unused). A stream handle (>= 1); 0 when the transport refused (no such host,
// refused, timed out, port taken, nobody waiting); -1 when the address or the
// host handle is not valid. Never raises an error.
int32_t net_open(int32_t kind, const str_desc* address, int32_t host_handle);

// Closes the handle's sockets and frees its list elements; a handle that is not
// open is left alone.
void net_close(int32_t handle);
void net_close_all();

// GET on a connection; never waits. A fixed-size block is filled only when
// size bytes have arrived (true); otherwise it is left as it was. A string
// variable receives every byte that has arrived, possibly none; a fixed-length
// string counts as a block. A handle that is not open raises 52; a host handle
// raises 54; a failing read raises 75.
bool net_get_bytes(int32_t handle, void* block, int32_t size);
void net_get_string(int32_t handle, str_desc* variable);

// PUT on a connection: sends every byte, waiting while the peer's side is full.
// A peer that has gone, or one that takes nothing for ten seconds,
// raises 75. Returns early, sending less, when the program is being stopped.
void net_put_bytes(int32_t handle, const void* block, int32_t size);
void net_put_string(int32_t handle, const str_desc* text);

// EOF: -1 when the peer has closed and every byte that arrived has been taken, else 0.
int32_t net_eof(int32_t handle);

// The clipboard statements: the program's code page 437 text to and from the
// desktop's clipboard, where text is UTF-8 with line feeds between lines.
// clipboard_set and clipboard_get: program thread only; clipboard_end_of_program:
// the end of the process, on whichever thread ends it.

// Puts the text, up to its first zero byte, on the clipboard: code page 437
// becomes UTF-8 and CR LF becomes LF. Without a desktop clipboard nothing happens.
void clipboard_set(const str_desc* text);

// The clipboard's text as a new temporary string, up to its first zero byte:
// UTF-8 becomes code page 437 ("?" for what it lacks) and a line feed without a
// carriage return before it becomes CR LF. Empty when there is no text, its
// owner does not answer within about a second, or it is too large to take.
str_desc* clipboard_get();

// When the program owns the clipboard, hands the text to a clipboard manager so
// that it stays after the program ends (without one it goes with the program).
void clipboard_end_of_program();

// SHELL: a command that as a whole, or whose first part (cut at the first
// space outside double quotes) when something follows it, names an existing
// file that may not be executed (a document) opens that file with the
// desktop's opener (xdg-open), the name handed over as one argument, never
// through a shell. Anything else goes to /bin/sh -c as written.
//
// Shown forms let the command use the terminal the program was started from;
// hidden forms connect its standard streams to /dev/null. Shown waiting forms
// leave full screen for the command's time. An empty shown command starts an
// interactive shell ($SHELL, else /bin/sh) on that terminal, or in a terminal
// emulator when standard input is not a terminal, and waits for it.

// The shell's state: running is handed between the program thread (SHELL)
// and the main loop; cmd_available is the program thread's alone.
struct shell_state_record {
  // 1 when SHELL has just started a command, -1 while it runs (the main loop
  // has drawn its last frame), 0 otherwise.
  std::atomic<int32_t> running{0};
  // -1 until first needed, then 1 when the command interpreter exists, else 0.
  int32_t cmd_available = -1;
};
extern shell_state_record shell_state;

// Bits of a SHELL form.
constexpr int32_t shell_hide = 1;       // hidden: standard streams to /dev/null
constexpr int32_t shell_dont_wait = 2;  // return once the command has started

// Waiting forms return the command's exit status (128 + the signal number when
// a signal ended it; -1 when it could not be started); the others return 1
// when the command started, else 0, and the runtime collects it when it ends.
// A command holding a zero byte raises error 5.
int32_t shell_function(const str_desc* command, int32_t form);
void shell_statement(const str_desc* command, int32_t form);

// Chained programs. A program started by CHAIN finds the name of a chain file
// at the end of its command line: the marker "(unique-tag:=/@*$+-)" directly
// followed by "chain", three letters or digits and ".tmp". The file lies in the
// program's own folder (the current directory at start-up) and carries the
// previous program's directory and screen (mode, text size, font, every page's
// contents and record, the active and visual pages, the palette).

constexpr std::string_view chain_marker = "(unique-tag:=/@*$+-)";

// Before the first statement (the preamble calls it once): with a chain tail, takes the tail off
// invocation.command_line, restores the screen and the directory from the file and
// deletes it. A missing file raises its OPEN error; a damaged one raises 62
// (it ends early) or 5 (a value this screen cannot take), leaves the start-up
// text screen and the directory as they were, and is deleted all the same.
void chain_receive();

// Reads the screen-state section from the open file's current position and
// restores it; returns the last tag read (the section's end marker).
int32_t restore_screen_state(int32_t file_number);

// Writes a chain file for the current directory and screen into folder, under
// a name no other file there has, and returns that name; "" after an error.
std::string chain_file_write(const std::string& folder);

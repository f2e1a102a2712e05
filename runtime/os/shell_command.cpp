#include <cstdio>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/os/detail/file_flusher.h"
#include "runtime/os/detail/os_internals.h"
#include "runtime/os/os.h"
#include "runtime/platform/file_system.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/spawn.h"


namespace {

// Words the command interpreter understands itself: a command made of one of
// them never names a document, even when a file of that name exists.
constexpr const char* cmd_keywords[] = {
    "ASSOC", "BREAK",  "BCDBOOT", "BCDEDIT", "CALL",   "CD",      "CHDIR",    "CLS",   "COLOR", "COPY",
    "DATE",  "DEFRAG", "DEL",     "DIR",     "ECHO",   "ENDLOCAL", "ERASE",   "FOR",   "FTYPE", "GOTO",
    "GRAFTABL", "IF",  "MD",      "MKDIR",   "MKLINK", "MOVE",    "PATH",     "PAUSE", "POPD",  "PROMPT",
    "PUSHD", "RD",     "REM",     "REN",     "RENAME", "RMDIR",   "SET",      "SETLOCAL", "SHIFT", "START",
    "TIME",  "TITLE",  "TYPE",    "VER",     "VERIFY", "VOL",
};

constexpr const char* interpreter = "/bin/sh";
constexpr const char* opener = "xdg-open";
constexpr const char* terminal_emulator = "x-terminal-emulator";

bool is_keyword(const std::string& text) {
  std::string upper = text;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const char* k : cmd_keywords)
    if (upper == k) return true;
  return false;
}

std::string without_quotes(const std::string& text) {
  std::string name;
  for (char c : text)
    if (c != '"') name += c;
  return name;
}

// The opener's command line for a document: a name starting with "-" is
// given as "./-name" so that it cannot be read as an option.
std::vector<std::string> open_document(std::string name) {
  if (name[0] == '-') name = "./" + name;
  return {opener, name};
}

bool names_document(const std::string& text) {
  if (is_keyword(text)) return false;
  return classify_path(without_quotes(text)) == path_kind::document;
}

std::vector<std::string> interactive_shell_argv() {
  if (standard_input_is_terminal()) {
    std::string shell = environment_value("SHELL");
    return {shell.empty() ? std::string(interpreter) : shell};
  }
  return {terminal_emulator};
}

// Full screen is left for a shown command and taken up again after it. The
// window thread carries out the request at its next render; the wait gives
// up after two seconds (a window that renders no more) or at shutdown.
void await_full_screen(full_screen_kind mode) {
  for (int32_t i = 0; i < 200 && run_flags.shutdown_started.load() == 0; ++i) {
    if (full_screen_settings.mode.load() == mode && full_screen_settings.request.load() == full_screen_no_request) return;
    platform_sleep(10);
  }
}

// A request not yet carried out counts as the mode the window is in.
full_screen_kind leave_full_screen() {
  const full_screen_kind request = full_screen_settings.request.load();
  const full_screen_kind mode = request != full_screen_no_request ? request : full_screen_settings.mode.load();
  if (mode == full_screen_off) return full_screen_off;
  full_screen_settings.request.store(full_screen_off);
  wake_signal();
  await_full_screen(full_screen_off);
  return mode;
}

void return_to_full_screen(full_screen_kind mode) {
  full_screen_settings.force_full_refresh.store(1);
  full_screen_settings.request.store(mode);
  wake_signal();
  await_full_screen(mode);
}

int32_t run(const std::vector<std::string>& argv, bool shown, bool wait) {
  flush_written_files();  // the command may read what the program wrote
  if (shown) {
    std::fflush(stdout);  // what the program printed comes before the command's output
    std::fflush(stderr);
  }
  const full_screen_kind full_screen = shown && wait ? leave_full_screen() : full_screen_off;
  if (wait) hold_terminal_interrupts(true);
  const int pid = argv.empty() ? -1 : child_start(argv, shown ? child_streams::inherited : child_streams::null_device);
  int32_t result;
  if (pid < 0) {
    result = wait ? -1 : 0;
  } else if (!wait) {
    child_release(pid);
    result = 1;
  } else {
    shell_state.running.store(1);
    result = child_wait(pid);
    shell_state.running.store(0);
  }
  if (wait) hold_terminal_interrupts(false);
  if (full_screen != full_screen_off) return_to_full_screen(full_screen);
  return result;
}

}  // namespace

command_parts split_command(const std::string& command) {
  bool quoted = false;
  for (size_t i = 0; i < command.size(); ++i) {
    if (command[i] == '"') quoted = !quoted;
    if (command[i] == ' ' && !quoted) return {command.substr(0, i), command.substr(i + 1)};
  }
  return {command, std::string()};
}

std::vector<std::string> shell_launch_argv(const std::string& command) {
  if (!command.empty() && names_document(command)) return open_document(without_quotes(command));
  const command_parts parts = split_command(command);
  if (!parts.parameters.empty() && !parts.file.empty() && names_document(parts.file))
    return open_document(without_quotes(parts.file));
  if (shell_state.cmd_available == -1) shell_state.cmd_available = classify_path(interpreter) == path_kind::executable ? 1 : 0;
  if (shell_state.cmd_available == 0) return {};
  return {interpreter, "-c", "--", command};  // "--": a command may begin with "-"
}

int32_t shell_function(const str_desc* command, int32_t form) {
  if (error_report.pending.load() != 0) return 0;
  std::string text;
  if (command && command->len > 0) {
    // The system takes the command as a C string: a zero byte would cut it short.
    if (std::memchr(command->chars, 0, static_cast<size_t>(command->len))) {
      raise_error(err_illegal_function_call);
      return 0;
    }
    text.assign(reinterpret_cast<const char*>(command->chars), static_cast<size_t>(command->len));
  }
  const bool shown = (form & shell_hide) == 0;
  if (shown && text.empty()) return run(interactive_shell_argv(), true, true);
  return run(shell_launch_argv(text), shown, (form & shell_dont_wait) == 0);
}

void shell_statement(const str_desc* command, int32_t form) { shell_function(command, form); }

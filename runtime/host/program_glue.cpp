#include "runtime/host/host.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <ucontext.h>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/input/input.h"
#include "runtime/os/os.h"
#include "runtime/platform/file_system.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/spawn.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {
// The main module's scope record, taken once by the first preamble.
lock_record* main_scope_lock = nullptr;
bool floating_point_ready = false;
bool chain_received = false;

// Integer division faults end the program with "Division by zero". The box
// and the end of the process are far from what a signal handler may do, so
// the handler only sends the faulting thread on to division_fault, as if the
// faulting instruction had called it; the kernel resumes the thread there once
// the handler returns. division_fault never returns, so the faulting
// instruction is not run again.
[[noreturn]] void division_fault() {
  raise_error(err_division_by_zero);
  process_exit(0);
}

void on_floating_point_fault(int, siginfo_t*, void* context) {
#if defined(__x86_64__)
  auto* registers = static_cast<ucontext_t*>(context)->uc_mcontext.gregs;
  // Below the red zone, aligned as at a function's entry, with the faulting
  // address where a call would leave its return address (for debuggers).
  auto sp = (static_cast<uintptr_t>(registers[REG_RSP]) - 128) & ~uintptr_t{15};
  sp -= sizeof(uintptr_t);
  *reinterpret_cast<uintptr_t*>(sp) = static_cast<uintptr_t>(registers[REG_RIP]);
  registers[REG_RSP] = static_cast<greg_t>(sp);
  registers[REG_RIP] = static_cast<greg_t>(reinterpret_cast<uintptr_t>(&division_fault));
#else
  (void)context;
  division_fault();
#endif
}
}  // namespace

uint32_t program_preamble() {
  if (!floating_point_ready) {
    // Extended precision is asked for explicitly: the compiled code computes in
    // long double where the language's rules call for it. Floating-point
    // exceptions stay masked, so only integer faults raise SIGFPE.
    floating_point_ready = true;
    struct sigaction action {};
    action.sa_sigaction = on_floating_point_fault;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigaction(SIGFPE, &action, nullptr);
  }
  if (!main_scope_lock) {
    lock_new();
    main_scope_lock = lock_newest();
    main_scope_lock->type = 3;
  }
  const uint32_t mark = str_temp_mark();
  if (!chain_received) {
    chain_received = true;
    chain_receive();
    str_cleanup(mark);
  }
  return mark;
}

void chain_statement(const str_desc* program) {
  if (error_report.pending.load()) return;
  if (!program || program->len <= 0) {
    raise_error(err_file_not_found);
    return;
  }
  std::string path = system_path(std::string(reinterpret_cast<const char*>(program->chars), static_cast<size_t>(program->len)));
  if (path.find('\0') != std::string::npos) {
    raise_error(err_bad_file_name);
    return;
  }
  if (path[0] != '/') path = current_directory() + "/" + path;
  const int check = program_file_check(path);
  if (check != 0) {
    raise_error(check == ENOENT || check == ENOTDIR ? err_file_not_found
                : check == ENAMETOOLONG             ? err_bad_file_name
                                                    : err_path_file_access_error);
    return;
  }
  // The next program looks for the file in its own folder, where it starts:
  // the folder of its real file, with every symbolic link resolved, as the
  // system reports its own path to it.
  const std::string real = resolved_path(path);
  const std::string folder = executable_folder(real.empty() ? path : real);
  const std::string name = chain_file_write(folder);
  if (name.empty()) return;
  close_all_files();
  clipboard_end_of_program();
  std::vector<std::string> argv{path};
  argv.insert(argv.end(), invocation.arguments.begin(), invocation.arguments.end());
  argv.push_back(std::string(chain_marker) + name);
  std::fflush(nullptr);  // what the C library still buffers would go with the exec
  const int error = replace_process(path, argv);
  remove_file(folder + "/" + name);
  raise_error(error == ENOENT ? err_file_not_found : err_path_file_access_error);
}

void program_end() {
  close_all_files();
  run_flags.exit_trap_enabled.store(0);  // a close request now ends the program even if it took them over
  if (window_presence.hidden.load() == 0) {
    // The prompt goes on the bottom row of the visible page, whatever page the program drew on.
    set_write_image(display_link.shown_index.load());
    // A page lower than one text row has no bottom row: the prompt is left out,
    // and the wait for the key goes on all the same.
    const int32_t rows = image_rows(write_image);
    if (rows >= 1) {
      view_print(rows, rows, 1);
      print_text(str_from_cstr(""), 1);
      print_text(str_from_cstr("Press any key to continue"), 0);
    }
    // Nothing reports errors from here on, and one left pending would keep
    // INKEY$ empty for good.
    error_report.pending.store(0);
    const uint32_t mark = str_temp_mark();
    // Keys typed before the end do not answer the prompt.
    for (;;) {
      const bool waiting = inkey()->len != 0;
      str_cleanup(mark);
      if (!waiting) break;
      platform_sleep(0);
    }
    display_link.automatic.store(1);
    // Sleeps until a key arrives or the shutdown begins.
    for (;;) {
      const uint32_t seen = program_wakes();
      if (run_flags.shutdown_started.load()) stop_program_thread();
      const bool pressed = inkey()->len != 0;
      str_cleanup(mark);
      if (pressed) break;
      program_wait(seen, 100);
    }
  }
  run_flags.stop_request.store(1);
  stop_program_thread();
}

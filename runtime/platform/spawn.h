#pragma once
// Other programs started by the runtime: launching, waiting, and reaping the
// ones nobody waits for. child_start, child_wait and hold_terminal_interrupts
// are called by the program thread; child_release hands a child to the reaper
// thread, which collects it when it ends so that no zombie is left behind.
//
// A child never inherits the runtime's descriptors (X connections, open files,
// GL devices): it gets standard input, output and error and nothing else,
// default signal handling and an empty signal mask, whatever the runtime's
// threads block or ignore.
#include <string>
#include <vector>

// Where the child's standard input, output and error go.
enum class child_streams {
  inherited,    // the runtime's own (the terminal it was started from, if any)
  null_device,  // /dev/null for all three
};

// Starts argv[0] (searched on PATH when it has no slash) with the arguments
// argv and the current environment. Returns the process id, or -1 with errno set.
int child_start(const std::vector<std::string>& argv, child_streams streams);

// Waits for the child without a time limit and returns its exit status, or
// 128 + the signal number when a signal ended it (as shells report it), or -1
// when it cannot be waited for.
int child_wait(int pid);

// The child will not be waited for: the reaper collects it when it ends.
void child_release(int pid);

// While held, the runtime ignores SIGINT and SIGQUIT, as a shell does while a
// command runs in the foreground: Ctrl+C on a shared terminal then reaches the
// child only. Take it before child_start and drop it after child_wait.
void hold_terminal_interrupts(bool hold);

// Replaces the running process with the program at path (argv[0] is passed
// as given). Every descriptor above standard error is closed on the way, the
// signal mask is emptied and ignored signals get their default action back,
// as for a child. Returns only on failure, with the errno value, everything
// as it was. Program thread, once files are closed.
int replace_process(const std::string& path, const std::vector<std::string>& argv);

// Whether path names a regular file this process may execute: 0, or the errno
// value (ENOENT when there is none, EACCES when it may not run).
int program_file_check(const std::string& path);

// True when standard input is a terminal.
bool standard_input_is_terminal();

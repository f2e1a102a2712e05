#include "runtime/platform/spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <thread>

#include "runtime/platform/platform.h"

extern char** environ;

namespace {

// The spawn attributes and file actions, released on every path out.
struct spawn_setup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  spawn_setup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~spawn_setup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  spawn_setup(const spawn_setup&) = delete;
  spawn_setup& operator=(const spawn_setup&) = delete;
};

int prepare(spawn_setup& s, child_streams streams) {
  int error = 0;
  if (streams == child_streams::null_device) {
    error = posix_spawn_file_actions_addopen(&s.actions, 0, "/dev/null", O_RDONLY, 0);
    if (!error) error = posix_spawn_file_actions_addopen(&s.actions, 1, "/dev/null", O_WRONLY, 0);
    if (!error) error = posix_spawn_file_actions_adddup2(&s.actions, 1, 2);
  }
  // Whatever other threads or libraries opened without close-on-exec, the child
  // sees only its three standard streams.
  if (!error) error = posix_spawn_file_actions_addclosefrom_np(&s.actions, 3);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  if (!error) error = posix_spawnattr_setsigmask(&s.attributes, &none);
  if (!error) error = posix_spawnattr_setsigdefault(&s.attributes, &all);
  if (!error) error = posix_spawnattr_setflags(&s.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  return error;
}

int collect(int pid, int* status) {
  int got;
  do got = waitpid(pid, status, 0);
  while (got < 0 && errno == EINTR);
  return got;
}

// The reaper: one thread asleep in poll on a wake-up counter and on a pidfd per
// released child. A pidfd becomes readable when its process ends; the reaper
// then collects that process. New children arrive through handed_over, guarded
// by reaper_mutex, and a write to the counter.
std::mutex reaper_mutex;
struct released_child {
  int pid;
  int pidfd;
};
std::vector<released_child> handed_over;  // guarded by reaper_mutex
int reaper_wake = -1;                     // eventfd; set once, before the reaper starts

void reaper_loop() {
  name_this_thread("child reaper");
  std::vector<pollfd> fds{{reaper_wake, POLLIN, 0}};
  std::vector<int> pids{0};
  for (;;) {
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno != EINTR) usleep(100000);  // out of kernel memory: try again later
      continue;
    }
    for (size_t i = fds.size(); i-- > 1;) {
      if (fds[i].revents == 0) continue;
      int status = 0;
      collect(pids[i], &status);
      close(fds[i].fd);
      fds.erase(fds.begin() + static_cast<ptrdiff_t>(i));
      pids.erase(pids.begin() + static_cast<ptrdiff_t>(i));
    }
    if (fds[0].revents & POLLIN) {
      uint64_t count = 0;
      if (read(reaper_wake, &count, sizeof count) < 0) continue;
      std::lock_guard<std::mutex> guard(reaper_mutex);
      for (const released_child& c : handed_over) {
        fds.push_back({c.pidfd, POLLIN, 0});
        pids.push_back(c.pid);
      }
      handed_over.clear();
    }
  }
}

// The reaper's threads take no signals: a signal meant for the process (a
// terminal's Ctrl+C, a SIGTERM) goes to a thread of the runtime that handles
// it. A new thread starts with the mask of the thread that made it.
template <typename F>
void start_thread_without_signals(F body) {
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  std::thread(body).detach();
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

struct sigaction saved_interrupt, saved_quit;
bool interrupts_held = false;

}  // namespace

int child_start(const std::vector<std::string>& argv, child_streams streams) {
  if (argv.empty() || argv[0].empty()) {
    errno = EINVAL;
    return -1;
  }
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  spawn_setup setup;
  int error = prepare(setup, streams);
  pid_t pid = -1;
  if (!error) error = posix_spawnp(&pid, args[0], &setup.actions, &setup.attributes, args.data(), environ);
  if (error) {
    errno = error;
    return -1;
  }
  return pid;
}

int child_wait(int pid) {
  int status = 0;
  if (pid <= 0 || collect(pid, &status) != pid) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

void child_release(int pid) {
  if (pid <= 0) return;
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));  // close-on-exec by design
  std::lock_guard<std::mutex> guard(reaper_mutex);
  if (pidfd >= 0 && reaper_wake < 0) {
    reaper_wake = eventfd(0, EFD_CLOEXEC);
    if (reaper_wake >= 0) start_thread_without_signals(reaper_loop);
  }
  if (pidfd < 0 || reaper_wake < 0) {
    // A kernel without pidfds: a small thread of its own waits for this child.
    if (pidfd >= 0) close(pidfd);
    start_thread_without_signals([pid] {
      name_this_thread("child reaper");
      int status = 0;
      collect(pid, &status);
    });
    return;
  }
  handed_over.push_back({pid, pidfd});
  const uint64_t one = 1;
  if (write(reaper_wake, &one, sizeof one) < 0) {
    // The counter cannot overflow at one write per child; nothing to undo.
  }
}

void hold_terminal_interrupts(bool hold) {
  if (hold == interrupts_held) return;
  if (hold) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &saved_interrupt);
    sigaction(SIGQUIT, &ignore, &saved_quit);
  } else {
    sigaction(SIGINT, &saved_interrupt, nullptr);
    sigaction(SIGQUIT, &saved_quit, nullptr);
  }
  interrupts_held = hold;
}

bool standard_input_is_terminal() { return isatty(0) == 1; }

int program_file_check(const std::string& path) {
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0) return path.empty() ? ENOENT : errno;
  if (!S_ISREG(st.st_mode)) return EACCES;
  return access(path.c_str(), X_OK) == 0 ? 0 : errno;
}

int replace_process(const std::string& path, const std::vector<std::string>& argv) {
  if (path.empty() || argv.empty()) return EINVAL;
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  // Handlers fall back to the default by themselves; ignored signals would stay ignored.
  struct sigaction saved[NSIG];
  bool changed[NSIG] = {};
  for (int s = 1; s < NSIG; ++s) {
    if (s == SIGKILL || s == SIGSTOP || sigaction(s, nullptr, &saved[s]) != 0) continue;
    if (saved[s].sa_handler != SIG_IGN) continue;
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    changed[s] = sigaction(s, &plain, nullptr) == 0;
  }
  // The descriptors other threads and libraries hold (the X connections among
  // them) go with the exec; only the standard streams reach the next program.
  const bool marked = close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0;
  if (!marked) {
    const int last = static_cast<int>(sysconf(_SC_OPEN_MAX));
    for (int fd = 3; fd < last && fd < 65536; ++fd) {
      const int flags = fcntl(fd, F_GETFD);
      if (flags >= 0 && !(flags & FD_CLOEXEC)) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
  }
  sigset_t none, old;
  sigemptyset(&none);
  pthread_sigmask(SIG_SETMASK, &none, &old);
  execv(path.c_str(), args.data());
  const int error = errno;
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  for (int s = 1; s < NSIG; ++s)
    if (changed[s]) sigaction(s, &saved[s], nullptr);
  return error;
}

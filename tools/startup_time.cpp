// Start-up time of windowed programs on the X display of $DISPLAY: from
// starting a program to the server mapping its first top-level window, over
// several runs, for a yardstick program and for the runtime's program in the
// same run, alternately. With --no-display, the time a program takes to give
// up when there is no display at all (DISPLAY unset), and its message.
//
//   startup_time RUNS YARDSTICK PROGRAM      medians, quickest and slowest, ratio
//   startup_time --no-display RUNS PROGRAM   median and slowest time to exit
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

double now_ms() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

pid_t start(const char* path, char** env, int err_fd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  if (err_fd >= 0)
    posix_spawn_file_actions_adddup2(&actions, err_fd, 2);
  else
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(path), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, path, &actions, nullptr, argv, env) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

void end(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// Milliseconds from the start of path to the map of a new child of the root
// window; negative when none came within 20 s.
double time_to_map(Display* d, const char* path) {
  XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
  XSync(d, True);  // drop what earlier runs left
  const double t0 = now_ms();
  const pid_t pid = start(path, environ, -1);
  if (pid < 0) return -1;
  double mapped = -1;
  while (mapped < 0 && now_ms() - t0 < 20000) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == MapNotify && e.xmap.event == DefaultRootWindow(d) && mapped < 0) mapped = now_ms() - t0;
    }
    if (mapped >= 0) break;
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, 100);
  }
  end(pid);
  XSelectInput(d, DefaultRootWindow(d), NoEventMask);
  XSync(d, True);
  return mapped;
}

struct summary {
  double median, quickest, slowest;
};

summary summarise(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v.front(), v.back()};
}

int map_times(int runs, const char* yardstick, const char* program) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "startup_time: no X display\n");
    return 1;
  }
  std::vector<double> bare, ours;
  for (int i = 0; i < runs; ++i) {
    const double a = time_to_map(d, yardstick), b = time_to_map(d, program);
    if (a < 0 || b < 0) {
      std::fprintf(stderr, "startup_time: a window never appeared\n");
      return 1;
    }
    bare.push_back(a);
    ours.push_back(b);
  }
  const summary s = summarise(bare), t = summarise(ours);
  std::printf("window mapped, %d runs each: bare freeglut median %.1f ms (%.1f-%.1f), %s median %.1f ms "
              "(%.1f-%.1f): %.2fx\n",
              runs, s.median, s.quickest, s.slowest, program, t.median, t.quickest, t.slowest,
              t.median / s.median);
  XCloseDisplay(d);
  return 0;
}

int no_display_times(int runs, const char* program) {
  std::vector<std::string> kept;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "DISPLAY=", 8) != 0) kept.emplace_back(*e);
  std::vector<char*> env;
  for (std::string& s : kept) env.push_back(s.data());
  env.push_back(nullptr);
  std::vector<double> times, processor;
  std::string message;
  for (int i = 0; i < runs; ++i) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return 1;
    const double t0 = now_ms();
    const pid_t pid = start(program, env.data(), pipe_fds[1]);
    close(pipe_fds[1]);
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    times.push_back(now_ms() - t0);
    processor.push_back((use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1000.0 +
                        (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1000.0);
    char buffer[512];
    const ssize_t n = read(pipe_fds[0], buffer, sizeof buffer - 1);
    close(pipe_fds[0]);
    message.assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
  }
  const summary s = summarise(times), p = summarise(processor);
  while (!message.empty() && message.back() == '\n') message.pop_back();
  // On a busy machine the wait for a processor dominates: the processor time tells the work.
  std::printf("no display, %d runs: %s ends after median %.1f ms (slowest %.1f; processor time median %.1f ms) "
              "saying \"%s\"\n",
              runs, program, s.median, s.slowest, p.median, message.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--no-display") == 0) return no_display_times(std::atoi(argv[2]), argv[3]);
  if (argc == 4) return map_times(std::atoi(argv[1]), argv[2], argv[3]);
  std::fprintf(stderr, "usage: startup_time RUNS YARDSTICK PROGRAM | startup_time --no-display RUNS PROGRAM\n");
  return 2;
}

#include "runtime/platform/platform.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <linux/membarrier.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
const auto process_start = std::chrono::steady_clock::now();
const int wake_descriptor = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}  // namespace

int64_t ms_counter() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               process_start)
      .count();
}

int wake_fd() { return wake_descriptor; }

void wake_signal() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(wake_descriptor, &one, sizeof one);
}

void wake_clear() {
  uint64_t count;
  [[maybe_unused]] const ssize_t n = read(wake_descriptor, &count, sizeof count);
}

void platform_sleep(int32_t ms) {
  if (ms <= 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

extern char** environ;

std::string executable_path() {
  // The path may be long; 64 KiB is the limit the runtime accepts.
  std::vector<char> buffer(65536);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(n));
}

std::string current_directory() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (buffer.size() >= (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

bool change_directory(const std::string& path) { return chdir(path.c_str()) == 0; }

char** environment_strings() { return environ; }

std::string environment_value(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

int environment_set(const std::string& name, const std::string& value, bool remove) {
  const int r = remove ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
  return r == 0 ? 0 : errno;
}

void process_exit(int status) {
  std::fflush(nullptr);
  std::quick_exit(status);  // runs the at_quick_exit handlers, not static destructors
}

namespace {

long membarrier_call(int command) { return syscall(__NR_membarrier, command, 0u, 0); }

}  // namespace

bool register_process_barrier() {
  const long offered = membarrier_call(MEMBARRIER_CMD_QUERY);
  if (offered < 0 || !(offered & MEMBARRIER_CMD_PRIVATE_EXPEDITED)) return false;
  return membarrier_call(MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED) == 0;
}

void process_barrier() {
  // Once registered the call does not fail; should it, the slower global barrier gives the same guarantee.
  if (membarrier_call(MEMBARRIER_CMD_PRIVATE_EXPEDITED) != 0) membarrier_call(MEMBARRIER_CMD_GLOBAL);
}

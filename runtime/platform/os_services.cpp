#include "runtime/platform/platform.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <linux/futex.h>
#include <linux/membarrier.h>
#include <pthread.h>
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

int64_t ns_counter() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                              process_start)
      .count();
}

bool calendar_time_ns(int64_t* ns) {
  timespec ts{};
  if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return false;
  *ns = static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  return true;
}

// std::atomic<uint32_t> is a plain 32-bit word here, which is what the futex calls take.
static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) && std::atomic<uint32_t>::is_always_lock_free);

void wait_on_word(const std::atomic<uint32_t>& word, uint32_t seen, int32_t timeout_ms) {
  timespec limit{};
  timespec* timeout = nullptr;
  if (timeout_ms >= 0) {
    limit.tv_sec = timeout_ms / 1000;
    limit.tv_nsec = static_cast<long>(timeout_ms % 1000) * 1000000;
    timeout = &limit;
  }
  // Returns at once when the word no longer holds seen, on a wake, a signal or the timeout.
  syscall(SYS_futex, reinterpret_cast<const uint32_t*>(&word), FUTEX_WAIT_PRIVATE, seen, timeout, nullptr, 0);
}

void wake_word_waiters(std::atomic<uint32_t>& word) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr, nullptr, 0);
}

void name_this_thread(const char* name) {
  char shortened[16] = {};
  std::snprintf(shortened, sizeof shortened, "%s", name);
  pthread_setname_np(pthread_self(), shortened);
}

int wake_fd() { return wake_descriptor; }

namespace {
// A wake signalled and not yet cleared: further signals need no system call,
// since the sleeper makes a whole pass after clearing it.
std::atomic<bool> wake_pending{false};
}  // namespace

void wake_signal() {
  if (wake_pending.exchange(true)) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(wake_descriptor, &one, sizeof one);
}

void wake_clear() {
  wake_pending.store(false);
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

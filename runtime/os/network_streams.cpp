// GET, PUT and EOF on network connections.
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/os/detail/network_handles.h"
#include "runtime/os/os.h"
#include "runtime/platform/sockets.h"

namespace {

constexpr int32_t first_capacity = 65536;
// A string GET takes at most this much in one go, so that a peer sending
// without pause cannot keep one statement reading forever.
constexpr int32_t string_take_limit = 16 * 1024 * 1024;
// One wait of a write; between waits the write looks at the stop and the stall time.
constexpr int32_t write_wait_slice_ms = 100;

// The connection a handle names; raises 52 (not open) or 54 (a host) otherwise.
stream_buffer* connection_of(int32_t handle) {
  auto* s = network_tables.streams ? static_cast<stream_record*>(list_get(network_tables.streams, handle)) : nullptr;
  if (!s) {
    raise_error(err_bad_file_name_or_number);
    return nullptr;
  }
  if (s->kind != stream_connection) {
    raise_error(err_bad_file_mode);
    return nullptr;
  }
  return static_cast<stream_buffer*>(s->target);
}

// Room for at least one more byte after the waiting ones: the waiting bytes
// move to the front, or the buffer doubles (up to the room want asks for).
bool make_room(stream_buffer* b, int32_t want) {
  if (b->start + b->waiting < b->capacity) return true;
  if (b->start > 0) {
    std::memmove(b->data, b->data + b->start, static_cast<size_t>(b->waiting));
    b->start = 0;
    return true;
  }
  int64_t capacity = b->capacity == 0 ? first_capacity : int64_t{b->capacity} * 2;
  if (capacity > want && want > b->capacity) capacity = want;
  if (capacity > INT32_MAX) capacity = INT32_MAX;
  if (capacity <= b->capacity) return false;
  auto* data = static_cast<uint8_t*>(std::realloc(b->data, static_cast<size_t>(capacity)));
  if (!data) return false;
  b->data = data;
  b->capacity = static_cast<int32_t>(capacity);
  return true;
}

// Reads what has arrived until at least want bytes wait, nothing more is there
// or the peer has closed. False on a read failure.
bool pull(stream_buffer* b, int32_t want) {
  while (!b->peer_closed && b->waiting < want) {
    if (!make_room(b, want)) return false;
    const int32_t end = b->start + b->waiting;
    const tcp_read_result r = tcp_read(b->transport->socket, b->data + end, static_cast<size_t>(b->capacity - end));
    if (r.state == tcp_read_state::data) {
      b->waiting += static_cast<int32_t>(r.bytes);
    } else if (r.state == tcp_read_state::closed) {
      b->peer_closed = 1;
    } else {
      return r.state == tcp_read_state::nothing_yet;
    }
  }
  return true;
}

void take(stream_buffer* b, void* out, int32_t size) {
  std::memcpy(out, b->data + b->start, static_cast<size_t>(size));
  b->waiting -= size;
  b->start = b->waiting == 0 ? 0 : b->start + size;
}

void put(stream_buffer* b, const uint8_t* data, int64_t size) {
  using clock = std::chrono::steady_clock;
  int64_t sent = 0;
  clock::time_point progress = clock::now();
  while (sent < size) {
    const tcp_write_result r =
        tcp_write(b->transport->socket, data + sent, static_cast<size_t>(size - sent), write_wait_slice_ms);
    sent += static_cast<int64_t>(r.bytes);
    if (r.bytes > 0) progress = clock::now();
    if (r.state == tcp_write_state::done) return;
    if (r.state != tcp_write_state::waiting) {
      raise_error(err_path_file_access_error);
      return;
    }
    if (run_flags.shutdown_started.load()) return;  // the statement ends and the program thread stops
    if (clock::now() - progress > std::chrono::milliseconds(network_write_stall_ms)) {
      raise_error(err_path_file_access_error);
      return;
    }
  }
}

}  // namespace

bool net_get_bytes(int32_t handle, void* block, int32_t size) {
  if (error_report.pending.load() != 0) return false;
  stream_buffer* b = connection_of(handle);
  if (!b || size < 0) return false;
  if (!pull(b, size)) {
    raise_error(err_path_file_access_error);
    return false;
  }
  if (b->waiting < size) return false;
  take(b, block, size);
  return true;
}

void net_get_string(int32_t handle, str_desc* variable) {
  if (error_report.pending.load() != 0 || !variable) return;
  if (variable->fixed) {
    net_get_bytes(handle, variable->chars, variable->len);
    return;
  }
  stream_buffer* b = connection_of(handle);
  if (!b) return;
  if (b->waiting == 0 && !b->peer_closed) {
    // Nothing kept back: the bytes go from the socket straight into the string.
    const size_t there = tcp_available(b->transport->socket);
    const int32_t size = there < string_take_limit ? static_cast<int32_t>(there) : string_take_limit;
    if (size == 0) {
      str_assign(variable, str_new(0, true));
      return;
    }
    str_desc* s = str_new(static_cast<uint32_t>(size), true);
    const tcp_read_result r = tcp_read(b->transport->socket, s->chars, static_cast<size_t>(size));
    if (r.state == tcp_read_state::data) {
      if (r.bytes < static_cast<size_t>(size)) {  // fewer than announced: a string of what came
        str_desc* t = str_new(static_cast<uint32_t>(r.bytes), true);
        std::memcpy(t->chars, s->chars, r.bytes);  // s->chars read after str_new, which may move it
        str_free(s);
        s = t;
      }
      str_assign(variable, s);
      return;
    }
    str_free(s);
    if (r.state == tcp_read_state::failed) {
      raise_error(err_path_file_access_error);
      return;
    }
    if (r.state == tcp_read_state::closed) b->peer_closed = 1;
    str_assign(variable, str_new(0, true));
    return;
  }
  if (!pull(b, string_take_limit)) {
    raise_error(err_path_file_access_error);
    return;
  }
  const int32_t size = b->waiting < string_take_limit ? b->waiting : string_take_limit;
  str_desc* s = str_new(static_cast<uint32_t>(size), true);
  take(b, s->chars, size);
  str_assign(variable, s);
}

void net_put_bytes(int32_t handle, const void* block, int32_t size) {
  if (error_report.pending.load() != 0) return;
  stream_buffer* b = connection_of(handle);
  if (!b || size <= 0 || !block) return;
  put(b, static_cast<const uint8_t*>(block), size);
}

void net_put_string(int32_t handle, const str_desc* text) {
  if (error_report.pending.load() != 0) return;
  stream_buffer* b = connection_of(handle);
  if (!b || !text || text->len <= 0) return;
  put(b, text->chars, text->len);
}

int32_t net_eof(int32_t handle) {
  if (error_report.pending.load() != 0) return 0;
  stream_buffer* b = connection_of(handle);
  if (!b) return 0;
  if (b->waiting > 0) return 0;
  if (!pull(b, 1)) return -1;  // a connection that cannot be read has nothing more to give
  return b->waiting == 0 && b->peer_closed ? -1 : 0;
}

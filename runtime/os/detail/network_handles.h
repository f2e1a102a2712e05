#pragma once
// The elements of the three network handle lists (the statements on them are
// in os.h) and the transport's time limits. Program thread only (start-up
// makes the lists before the program runs).
#include <cstdint>

#include "runtime/core/core.h"

// network_tables.transports element: one socket.
struct transport_record {
  uint8_t in_use;  // 1 while the socket is open
  uint8_t kind;    // transport_client, transport_host or transport_accepted
  int32_t socket;
  int32_t port;
};
constexpr uint8_t transport_client = 1;
constexpr uint8_t transport_host = 2;
constexpr uint8_t transport_accepted = 3;

// network_tables.stream_buffers element: a connection and the bytes that have arrived on
// it and not yet been taken. data[start, start + waiting) is waiting;
// start + waiting <= capacity.
struct stream_buffer {
  int32_t waiting;
  int32_t start;
  int32_t capacity;
  uint8_t open;         // 1 while the connection is in use
  uint8_t peer_closed;  // the peer has closed its side: nothing more will arrive
  transport_record* transport;
  int32_t transport_handle;
  uint8_t* data;
};

// network_tables.streams element: what a handle the program holds names.
struct stream_record {
  uint8_t kind;           // stream_connection (target: stream_buffer) or stream_host (target: transport_record)
  void* target;
  int32_t target_handle;  // the target's handle in its own list
};
constexpr uint8_t stream_connection = 1;
constexpr uint8_t stream_host = 2;

// The network handle tables, made once at start-up; program thread only.
struct network_tables_record {
  list* streams = nullptr;         // stream_record by handle
  list* stream_buffers = nullptr;  // stream_buffer by handle
  list* transports = nullptr;      // transport_record by handle
};
extern network_tables_record network_tables;

// How long a connect may take before it counts as refused.
constexpr int32_t network_connect_timeout_ms = 3000;
// How long a write may go without progress (the peer reads nothing) before it fails.
constexpr int32_t network_write_stall_ms = 10000;

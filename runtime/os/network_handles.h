#pragma once
// Network handles: connections and hosts opened from address texts, kept in
// three handle lists made at start-up, and the reading, writing, end-of-file
// test and closing that GET, PUT, EOF and CLOSE do on them.
//
// The file statements reach a network handle through a negative file number,
// the bitwise complement of the handle: they call these functions with ~number.
// CLOSE without a number calls net_close_all before closing the files.
//
// Program thread only (start-up makes the lists before the program runs).
#include <cstdint>

#include "runtime/core/handle_list.h"
#include "runtime/strings/string_engine.h"

// transport_list element: one socket.
struct transport_record {
  uint8_t in_use;  // 1 while the socket is open
  uint8_t kind;    // transport_client, transport_host or transport_accepted
  int32_t socket;
  int32_t port;
};
constexpr uint8_t transport_client = 1;
constexpr uint8_t transport_host = 2;
constexpr uint8_t transport_accepted = 3;

// stream_buffer_list element: a connection and the bytes that have arrived on
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

// stream_list element: what a handle the program holds names.
struct stream_record {
  uint8_t kind;           // stream_connection (target: stream_buffer) or stream_host (target: transport_record)
  void* target;
  int32_t target_handle;  // the target's handle in its own list
};
constexpr uint8_t stream_connection = 1;
constexpr uint8_t stream_host = 2;

extern list* stream_list;
extern list* stream_buffer_list;
extern list* transport_list;

// Start-up: the three empty lists.
void network_lists_init();

// How long a connect may take before it counts as refused.
constexpr int32_t network_connect_timeout_ms = 3000;
// How long a write may go without progress (the peer reads nothing) before it fails.
constexpr int32_t network_write_stall_ms = 10000;

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
// A peer that has gone, or one that takes nothing for network_write_stall_ms,
// raises 75. Returns early, sending less, when the program is being stopped.
void net_put_bytes(int32_t handle, const void* block, int32_t size);
void net_put_string(int32_t handle, const str_desc* text);

// EOF: -1 when the peer has closed and every byte that arrived has been taken, else 0.
int32_t net_eof(int32_t handle);

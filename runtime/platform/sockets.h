#pragma once
// TCP sockets for the runtime's network handles: connecting with a time-out,
// listening, accepting without waiting, and reading and writing that never
// block for long. Sockets are non-blocking and close on exec; writes never
// raise SIGPIPE.
//
// Any thread may call these; a socket is used by one thread at a time.
#include <cstddef>
#include <cstdint>

// Connects to host (a name, an IPv4 or an IPv6 address) and port, trying every
// address the name resolves to; looking the name up and connecting take at most
// timeout_ms in all. The socket, or -1 when the name does not resolve, the
// connection is refused or the time runs out.
int tcp_connect(const char* host, int32_t port, int32_t timeout_ms);

// Listens on port on every local address (IPv6 and IPv4 where the system has
// both), reusing the address of a recent listener. The socket, or -1 when the
// port is taken or cannot be listened on.
int tcp_listen(int32_t port);

// A connection waiting on a listening socket, or -1 when none is waiting.
int tcp_accept(int listener);

// What a read found.
enum class tcp_read_state { data, nothing_yet, closed, failed };

struct tcp_read_result {
  tcp_read_state state;
  size_t bytes;  // bytes read when state is data
};

// Reads what has arrived, at most capacity bytes, without waiting. A peer that
// closed its side, or reset the connection, reads as closed.
tcp_read_result tcp_read(int socket, void* buffer, size_t capacity);

// What a write did.
// Bytes that have arrived and wait to be read (0 also when that cannot be told).
size_t tcp_available(int socket);

enum class tcp_write_state { done, waiting, peer_gone, failed };

struct tcp_write_result {
  tcp_write_state state;
  size_t bytes;  // bytes written, also when the write stopped early
};

// Writes the bytes, waiting at most wait_ms in all for the peer to make room.
// waiting: the time ran out with bytes left; peer_gone: the peer closed or reset
// the connection.
tcp_write_result tcp_write(int socket, const void* data, size_t length, int32_t wait_ms);

void tcp_close(int socket);

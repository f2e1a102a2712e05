#include "runtime/os/detail/network_handles.h"

#include <cstdlib>

#include "runtime/core/core.h"
#include "runtime/os/detail/network_address.h"
#include "runtime/os/os.h"
#include "runtime/platform/sockets.h"

network_tables_record network_tables;

void network_lists_init() {
  network_tables.streams = list_new(sizeof(stream_record));
  network_tables.stream_buffers = list_new(sizeof(stream_buffer));
  network_tables.transports = list_new(sizeof(transport_record));
}

namespace {

// A transport element for an open socket; 0 when the list has no room (the
// socket is then closed).
int32_t add_transport(uint8_t kind, int socket, int32_t port) {
  const int32_t h = list_add(network_tables.transports);
  auto* t = static_cast<transport_record*>(list_get(network_tables.transports, h));
  if (!t) {
    tcp_close(socket);
    return 0;
  }
  t->in_use = 1;
  t->kind = kind;
  t->socket = socket;
  t->port = port;
  return h;
}

void release_transport(int32_t h) {
  auto* t = static_cast<transport_record*>(list_get(network_tables.transports, h));
  if (!t) return;
  tcp_close(t->socket);
  t->in_use = 0;
  t->socket = -1;
  list_remove(network_tables.transports, h);
}

// The three elements of a connection over an open socket; its stream handle,
// or 0 when a list has no room (everything taken is given back).
int32_t add_connection(uint8_t kind, int socket, int32_t port) {
  const int32_t th = add_transport(kind, socket, port);
  if (th == 0) return 0;
  const int32_t bh = list_add(network_tables.stream_buffers);
  auto* b = static_cast<stream_buffer*>(list_get(network_tables.stream_buffers, bh));
  const int32_t sh = b ? list_add(network_tables.streams) : 0;
  auto* s = static_cast<stream_record*>(list_get(network_tables.streams, sh));
  if (!s) {
    if (b) list_remove(network_tables.stream_buffers, bh);
    release_transport(th);
    return 0;
  }
  b->open = 1;
  b->transport = static_cast<transport_record*>(list_get(network_tables.transports, th));
  b->transport_handle = th;
  s->kind = stream_connection;
  s->target = b;
  s->target_handle = bh;
  return sh;
}

int32_t add_host(int socket, int32_t port) {
  const int32_t th = add_transport(transport_host, socket, port);
  if (th == 0) return 0;
  const int32_t sh = list_add(network_tables.streams);
  auto* s = static_cast<stream_record*>(list_get(network_tables.streams, sh));
  if (!s) {
    release_transport(th);
    return 0;
  }
  s->kind = stream_host;
  s->target = list_get(network_tables.transports, th);
  s->target_handle = th;
  return sh;
}

}  // namespace

int32_t net_open(int32_t kind, const str_desc* address, int32_t host_handle) {
  if (!network_tables.streams || error_report.pending.load() != 0) return 0;
  if (kind == network_open_accept) {
    auto* s = static_cast<stream_record*>(list_get(network_tables.streams, host_handle));
    if (!s || s->kind != stream_host) return -1;
    const auto* host = static_cast<transport_record*>(s->target);
    const int socket = tcp_accept(host->socket);
    return socket < 0 ? 0 : add_connection(transport_accepted, socket, host->port);
  }

  network_address parsed;
  const uint8_t* text = address ? address->chars : nullptr;
  const size_t length = address && address->len > 0 ? static_cast<size_t>(address->len) : 0;
  if (!parse_network_address(text, length, kind, &parsed)) return -1;
  if (kind == network_open_client) {
    if (!parsed.host_usable) return 0;
    const int socket = tcp_connect(parsed.host.c_str(), parsed.port, network_connect_timeout_ms);
    return socket < 0 ? 0 : add_connection(transport_client, socket, parsed.port);
  }
  const int socket = tcp_listen(parsed.port);
  return socket < 0 ? 0 : add_host(socket, parsed.port);
}

void net_close(int32_t handle) {
  if (!network_tables.streams) return;
  auto* s = static_cast<stream_record*>(list_get(network_tables.streams, handle));
  if (!s) return;
  if (s->kind == stream_connection) {
    auto* b = static_cast<stream_buffer*>(s->target);
    release_transport(b->transport_handle);
    std::free(b->data);
    b->data = nullptr;
    b->open = 0;
    list_remove(network_tables.stream_buffers, s->target_handle);
  } else {
    release_transport(s->target_handle);
  }
  list_remove(network_tables.streams, handle);
}

void net_close_all() {
  if (!network_tables.streams) return;
  const int32_t count = network_tables.streams->count.load();
  for (int32_t h = 1; h <= count; ++h) net_close(h);
}

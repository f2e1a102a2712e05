#pragma once
// Network address texts: "TCP/IP:port:host" for a connection and "TCP/IP:port"
// for a host. The text is split at every ":" (at most ten fields); the first
// field must read "TCP/IP" in any case, the second is read as VAL reads it and
// rounded to the nearest integer, ties to even.
//
// Program thread only: the port is read with VAL.
#include <cstddef>
#include <cstdint>
#include <string>

constexpr int32_t network_address_max_fields = 10;
constexpr int32_t network_open_client = 0;
constexpr int32_t network_open_host = 1;
constexpr int32_t network_open_accept = 2;
// Longest host name handed to the resolver (a DNS name has at most 253 characters).
constexpr size_t network_host_max_length = 255;

struct network_address {
  int32_t port;      // 1-65535, or -1 when the second field is no usable port number
  std::string host;  // the third field (client addresses), empty for hosts
  bool host_usable;  // a non-empty name of at most network_host_max_length bytes without zero bytes
};

// Checks text as the address of a client (network_open_client) or a host
// (network_open_host): false when the field count or the first field is wrong,
// which the open reports as -1. A true result may still name no usable port or
// host; the transport then refuses it. VAL's own overflow error is not left
// pending: an open reports failure only by its result.
bool parse_network_address(const uint8_t* text, size_t length, int32_t kind, network_address* out);

// Loopback throughput of PUT and GET with 64 KiB strings on network handles,
// against a plain send/recv loop of the same sizes over the same kind of
// connection, measured in the same run.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "runtime/core/core.h"
#include "runtime/os/detail/network_handles.h"
#include "runtime/os/os.h"
#include "runtime/strings/strings.h"

namespace {

constexpr int32_t block_size = 64 * 1024;

sockaddr_in loopback(int32_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  return a;
}

// A plain loopback connection: both ends, blocking.
void plain_pair(int* client, int* server) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = loopback(0);
  bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listener, 1);
  socklen_t size = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size);
  *client = socket(AF_INET, SOCK_STREAM, 0);
  connect(*client, reinterpret_cast<sockaddr*>(&a), sizeof a);
  *server = accept(listener, nullptr, nullptr);
  close(listener);
}

int32_t unused_port() {
  int client, server;
  plain_pair(&client, &server);
  sockaddr_in a{};
  socklen_t size = sizeof a;
  getsockname(server, reinterpret_cast<sockaddr*>(&a), &size);
  close(client);
  close(server);
  return ntohs(a.sin_port);
}

void BM_PlainSendRecv64K(benchmark::State& state) {
  int client, server;
  plain_pair(&client, &server);
  const std::string block(block_size, 'q');
  std::string in(block_size, '\0');
  for (auto _ : state) {
    for (int32_t sent = 0; sent < block_size;) sent += static_cast<int32_t>(send(client, block.data() + sent, block_size - sent, 0));
    for (int32_t got = 0; got < block_size;) got += static_cast<int32_t>(recv(server, in.data() + got, block_size - got, 0));
    benchmark::DoNotOptimize(in.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block_size);
  close(client);
  close(server);
}

void BM_PutGetStrings64K(benchmark::State& state) {
  strings_init();
  network_lists_init();
  error_report.pending.store(0);
  const std::string port = std::to_string(unused_port());
  const uint32_t mark = str_temp_mark();
  const int32_t host = net_open(1, str_from_cstr(("TCP/IP:" + port).c_str()), 0);
  const int32_t client = net_open(0, str_from_cstr(("TCP/IP:" + port + ":127.0.0.1").c_str()), 0);
  int32_t server = 0;
  while (server <= 0 && host > 0 && client > 0) server = net_open(2, nullptr, host);
  str_cleanup(mark);
  str_desc* block = str_new(block_size, false);
  std::memset(block->chars, 'q', block_size);
  str_desc* in = str_new(0, false);
  for (auto _ : state) {
    net_put_string(client, block);
    for (int32_t got = 0; got < block_size;) {
      net_get_string(server, in);
      got += in->len;
    }
    str_cleanup(mark);
  }
  if (error_report.pending.load() != 0) state.SkipWithError("a network error was raised");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block_size);
  net_close_all();
}

}  // namespace

BENCHMARK(BM_PlainSendRecv64K);
BENCHMARK(BM_PutGetStrings64K);

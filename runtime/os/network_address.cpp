#include "runtime/os/detail/network_address.h"

#include <cmath>
#include <string_view>

#include "runtime/core/core.h"
#include "runtime/strings/strings.h"

namespace {

bool is_tcp_ip(std::string_view field) {
  constexpr std::string_view name = "TCP/IP";
  if (field.size() != name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = field[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != name[i]) return false;
  }
  return true;
}

// VAL of the field, rounded half to even; -1 outside 1-65535. An overflow VAL
// raises is taken back, so that the open reports it only as a refused port.
int32_t port_of(std::string_view field) {
  const int32_t error_before = error_report.pending.load();
  str_desc* s = str_from_text(field.data(), static_cast<uint32_t>(field.size()));
  const long double value = text_value(s);
  str_free(s);
  if (error_report.pending.load() != error_before) {
    error_report.pending.store(error_before);
    return -1;
  }
  const long double rounded = std::nearbyint(value);  // the default rounding: to nearest, ties to even
  if (!(rounded >= 1 && rounded <= 65535)) return -1;
  return static_cast<int32_t>(rounded);
}

}  // namespace

bool parse_network_address(const uint8_t* text, size_t length, int32_t kind, network_address* out) {
  out->port = -1;
  out->host.clear();
  out->host_usable = false;
  if (kind != network_open_client && kind != network_open_host) return false;

  const std::string_view address(reinterpret_cast<const char*>(text), text ? length : 0);
  std::string_view fields[network_address_max_fields];
  int32_t count = 0;
  size_t from = 0;
  for (;;) {
    const size_t colon = address.find(':', from);
    if (count == network_address_max_fields) return false;  // more than nine ":"
    fields[count++] = address.substr(from, colon == std::string_view::npos ? std::string_view::npos : colon - from);
    if (colon == std::string_view::npos) break;
    from = colon + 1;
  }

  if (count < 2 || !is_tcp_ip(fields[0])) return false;
  if (count != (kind == network_open_client ? 3 : 2)) return false;
  out->port = port_of(fields[1]);
  if (kind == network_open_client) {
    const std::string_view host = fields[2];
    out->host.assign(host.data(), host.size() < network_host_max_length ? host.size() : network_host_max_length);
    // A zero byte would end the name early at the resolver: such a name is refused, not shortened.
    out->host_usable = !host.empty() && host.size() <= network_host_max_length &&
                       host.find('\0') == std::string_view::npos;
  }
  return true;
}

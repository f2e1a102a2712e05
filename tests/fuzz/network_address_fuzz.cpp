// Address texts for network opens, as client and as host. Besides not
// crashing: more than nine ":" or a wrong first field are always refused, an
// accepted address has the field count of its kind, a port is 1-65535 or -1,
// a usable host has no zero byte and fits the resolver, and no error is left
// pending.
#include <algorithm>
#include <string_view>

#include "runtime/os/detail/network_address.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_begin();
  const uint32_t mark = str_temp_mark();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto colons = std::count(text.begin(), text.end(), ':');
  for (int32_t kind : {network_open_client, network_open_host}) {
    network_address parsed;
    const bool accepted = parse_network_address(data, size, kind, &parsed);
    FUZZ_CHECK(error_report.pending.load() == 0);
    if (!accepted) continue;
    FUZZ_CHECK(colons == (kind == network_open_client ? 2 : 1));
    FUZZ_CHECK(text.size() >= 6);
    FUZZ_CHECK(parsed.port == -1 || (parsed.port >= 1 && parsed.port <= 65535));
    if (kind == network_open_host) FUZZ_CHECK(parsed.host.empty() && !parsed.host_usable);
    if (parsed.host_usable) {
      FUZZ_CHECK(!parsed.host.empty() && parsed.host.size() <= network_host_max_length);
      FUZZ_CHECK(parsed.host.find('\0') == std::string::npos);
      FUZZ_CHECK(text.substr(text.rfind(':') + 1) == parsed.host);
    }
  }
  fuzz_end(mark);
  return 0;
}

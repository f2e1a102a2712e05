// The processor-case reader on random text: it parses or refuses, never
// crashes or reads past the end, and what it accepts survives the lookups the
// case runner makes.
#include <cstdint>
#include <string_view>

#include "tools/detail/json_value.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  json_value v;
  if (!json_parse(std::string_view(reinterpret_cast<const char*>(data), size), v)) return 0;
  const json_value* items = v.kind == json_value::array_kind ? &v : nullptr;
  if (!items) return 0;
  for (const json_value& c : items->items) {
    const json_value* initial = c.find("initial");
    if (initial) {
      const json_value* regs = initial->find("regs");
      if (regs) (void)regs->find("ax");
    }
  }
  return 0;
}

#include "runtime/core/variable_arena.h"

#include <cstdlib>
#include <vector>

#include "runtime/core/errors.h"

variable_arena_state variable_arena;

namespace {
// Every block ever allocated; none is returned, and the record itself is never
// destroyed, so the blocks stay reachable until the process ends.
std::vector<uint8_t*>& arena_blocks() {
  static auto* blocks = new std::vector<uint8_t*>;
  return *blocks;
}
}  // namespace

void arena_init() {
  variable_arena.base = static_cast<uint8_t*>(std::calloc(arena_first_block, 1));
  if (!variable_arena.base) raise_error(504);
  arena_blocks().push_back(variable_arena.base);
  variable_arena.size = arena_first_block;
  variable_arena.top = 0;
}

void* arena_alloc(size_t n) {
  n = (n + 7) & ~static_cast<size_t>(7);
  if (!variable_arena.base || variable_arena.top + n >= variable_arena.size) {
    const size_t size = n + 2 * variable_arena.size;
    auto* block = static_cast<uint8_t*>(std::calloc(size, 1));
    if (!block) raise_error(504);
    arena_blocks().push_back(block);
    variable_arena.base = block;  // the old block stays: its variables do not move
    variable_arena.size = size;
    variable_arena.top = 0;
  }
  uint8_t* p = variable_arena.base + variable_arena.top;
  variable_arena.top += n;
  return p;
}

void arena_reset(void* p) {
  auto* q = static_cast<uint8_t*>(p);
  const bool inside = q >= variable_arena.base && q < variable_arena.base + variable_arena.size;
  variable_arena.top = inside ? static_cast<size_t>(q - variable_arena.base) : 0;
}

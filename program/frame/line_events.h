#pragma once
// Line events and the program preamble.
#include <atomic>
#include <cstdint>

#include "runtime/core/lock_pool.h"

// 1 while INPUT runs a compiled callback: line events are ignored then.
extern std::atomic<int32_t> callback_active;

// The main module's scope record, taken once by the first preamble.
extern lock_record* main_scope_lock;

// What the compiled main routine runs before its first statement: the
// floating-point set-up and SIGFPE handler (once per process) and the scope
// record. Returns the routine's temporary-string mark. The routine then
// allocates its variables and receives a chained program's state.
uint32_t program_preamble();

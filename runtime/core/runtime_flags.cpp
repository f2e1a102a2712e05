#include "runtime/core/runtime_flags.h"

std::atomic<int32_t> event_pending{0};
std::atomic<int32_t> pending_error{0};
std::atomic<uint8_t> stop_request{0};
std::atomic<uint8_t> shutdown_started{0};
std::atomic<uint8_t> paused{0};
std::atomic<int32_t> exit_request{0};
std::atomic<int32_t> exit_trap_enabled{0};
std::atomic<int32_t> stopped_threads{0};
std::atomic<int32_t> exit_status{0};
std::atomic<int32_t> fbo_supported{0};

#pragma once
// Control words shared by the program, timer, main-loop and window threads.
// Each has one writer per transition and is polled by the others; atomics keep
// the same protocol free of data races.
#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> event_pending;     // 1 = call line_event at the end of the statement
extern std::atomic<int32_t> pending_error;     // error number waiting to be reported, 0 = none
extern std::atomic<uint8_t> stop_request;      // 1 = the program is to stop, the process to end
extern std::atomic<uint8_t> shutdown_started;  // 1 = the main loop has begun the shutdown
extern std::atomic<uint8_t> paused;            // bit 0 = paused by the Pause key
extern std::atomic<int32_t> exit_request;      // bit 0 close button / Alt+F4, bit 1 Ctrl+Break
extern std::atomic<int32_t> exit_trap_enabled; // 1 = the program handles close requests itself
extern std::atomic<int32_t> stopped_threads;   // bit 0 program thread parked, bit 1 timer thread returned
extern std::atomic<int32_t> exit_status;       // status of the process at the end of shutdown
extern std::atomic<int32_t> fbo_supported;     // 1 = framebuffer objects are available
extern std::atomic<unsigned long> window_handle;  // the X window (owner of message boxes), 0 until known

// Parks the program thread for good: reports it stopped, waits for the shutdown
// and sleeps until the main loop ends the process. Never returns.
[[noreturn]] void stop_program_thread();

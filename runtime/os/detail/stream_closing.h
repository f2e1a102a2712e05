#pragma once
// Where the file statements meet the network handles: CLOSE of a handle (a
// negative number at CLOSE is its complement), CLOSE of all of them, and GET
// and PUT on a handle. Program thread.
#include <cstdint>

void close_stream_handle(int32_t handle);
void close_all_stream_handles();
// GET (put = false) or PUT of a block on a handle; returns 0 or the run-time error to raise.
int32_t stream_transfer(int32_t handle, void* block, int64_t length, bool put);

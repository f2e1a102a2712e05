#pragma once
// Make and break scan codes for reads of keyboard port 0x60: up to 256 bytes,
// the oldest dropped when full; a byte equal to the last one is not appended.
#include <cstdint>
#include <vector>

void port60_append(uint8_t byte);

// Takes the oldest byte; false when there is none (the port-input reader).
bool port60_take(uint8_t* byte);

// The bytes waiting, oldest first.
std::vector<uint8_t> port60_contents();

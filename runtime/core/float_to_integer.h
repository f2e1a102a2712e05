#pragma once
// Conversions of extended-precision values to integers as the compiled code does
// them: round to nearest with ties to even, as the floating-point unit stores them.
#include <cstdint>

// The integer-indefinite value: what a conversion of an infinite, not-a-number
// or out-of-range value gives.
constexpr uint64_t integer_indefinite = 0x8000000000000000ull;

// Rounds x to the nearest integer (ties to even). Values from 2^63 up have 2^63
// taken off before the conversion and bit 63 set after it, so unsigned 64-bit
// results come through; what is still out of range gives the indefinite value.
uint64_t extended_to_int64_bits(long double x);

#pragma once
// RANDOMIZE and RND: one 24-bit seed, advanced by a linear congruential step.
// Program thread.
#include <cstdint>

constexpr uint32_t random_seed_start = 0x50000;
extern uint32_t random_seed;

// RANDOMIZE n: the upper 32 bits of n as a double, folded to 16 bits, become
// the seed's upper 16 bits; the low byte stays.
void randomize_number(double n);
// The restarting form: the same, with the low byte of the start value.
void randomize_restart(double n);
// RANDOMIZE without a number: asks for the seed with INPUT (one signed 16-bit integer).
void randomize_prompt();

// RND(n), n = 1 when not given (bit 0 of given clear): 0 repeats the last value,
// a negative n reseeds from its bits first, any non-zero n advances the seed.
float rnd(float n, int32_t given);

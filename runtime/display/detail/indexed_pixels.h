#pragma once
// Indexed pixels of a shown image turned into the 32-bit pixels of a frame:
// the frame builder's inner loop, in the widest form the processor offers.
// Called by whichever thread builds frames (the main loop, or the program
// thread in manual display); it keeps no state of its own.
#include <cstddef>
#include <cstdint>

// The ways the conversion can run, from plain C++ to AVX-512 byte permutes.
enum class index_path { plain, sse2, avx512_vbmi };

// The widest path this processor runs.
index_path best_index_path();
// Whether this processor runs path.
bool index_path_available(index_path path);

// n pixels of shared image memory (one byte each, another thread may be
// writing them) into out through palette[byte & mask], the bytes read also
// going into copy, for the next comparison. Every byte is read once. mask is
// the number of palette entries less one (1, 3, 15 or 255).
void convert_indexed(index_path path, uint32_t* out, uint8_t* copy, const uint8_t* shared, size_t n,
                     const uint32_t* palette, uint32_t mask);

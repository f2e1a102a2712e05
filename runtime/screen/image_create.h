#pragma once
// Making images, screen pages, fonts on images and default colours.
#include <cstddef>
#include <cstdint>

#include "runtime/screen/image_record.h"

// Largest pixel memory an image may have.
constexpr size_t image_bytes_max = 0x7FFFFFFF;

// An image over memory the caller owns (memory may be null and set later).
// Returns the index, or 0 for a bad size or mode or when memory runs out.
int32_t image_create_over(uint8_t* memory, int32_t width, int32_t height, int32_t mode);
// An image with its own zeroed pixel memory (blank cells for text). 0 on failure.
int32_t image_create(int32_t width, int32_t height, int32_t mode);
// Frees the memory an image owns (pixels, palette) and clears the ownership bits.
void image_free_memory(image_record* img);
// The image of a screen page, made on first use; 0 when it cannot be made.
int32_t page_image(int32_t page);
// Sets the font, homes the cursor and resets the print region to rows 1 .. rows-1.
void set_font(int32_t font, image_record* img);
// The default colours of the write image's mode.
void reset_colours();

#pragma once
// The program's operations on images: making, copying and freeing them, and
// choosing the destination and source of later statements.
#include <cstdint>

// A new image; without a mode (bit 0 of mode_given clear) it follows the
// write image's mode, palette, font and colours. Returns the handle, -1 when
// memory runs out, 0 after an error (bad size or mode, error 5).
int32_t new_image(int32_t width, int32_t height, int32_t mode, int32_t mode_given);

// A copy of a page or image with its own pixels and palette. A mode (bit 0 of
// given) must be the source's own. Returns the handle or -1.
int32_t copy_image(int64_t source, int32_t mode, int32_t given);

// Frees an image (bit 0 of given: handle given, else the write image).
// Screen pages and page numbers are refused (error 5).
void free_image(int64_t handle, int32_t given);

// The destination and source of later statements (page or handle).
void set_dest(int64_t page_or_handle);
void set_source(int64_t page_or_handle);
// Handles of the write, read and shown images.
int32_t dest_query();
int32_t source_query();
int32_t display_query();

// Frees every image the program made (all valid images from index 2 up that are not screen pages).
void free_program_images();

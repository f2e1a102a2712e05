#pragma once
// CLS: clearing the screen, the graphics view or the print region of the write image.
#include <cstdint>

#include "runtime/screen/image_record.h"

// kind (bit 0 of given): none = the text rows of the print region and the
// last row, or on a pixel surface the logical window (the whole image without
// logical coordinates); 0 the whole image; 1 pixel surfaces only, as none;
// 2 the print region only. fill (bit 1 of given): colour, default the
// background. Range errors are error 5 and change nothing.
void cls(int32_t kind, int64_t fill, int32_t given);

// The blank cell CLS writes on a text surface with a fill colour.
uint16_t cls_blank_cell(const image_record* img, uint32_t fill);

#include "runtime/graphics/graphics_store.h"

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/screen/image_table.h"

image_record* graphics_statement_image() {
  if (pending_error.load(std::memory_order_relaxed)) return nullptr;
  image_record* img = write_image;
  if (!img) return nullptr;
  if (img->text) {
    raise_error(5);
    return nullptr;
  }
  return img->data ? img : nullptr;
}

#include "runtime/screen/page_copy.h"

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/pixel_access.h"

void page_copy(int64_t from, int64_t to) {
  if (pending_error.load()) return;
  const int32_t source = resolve_image(from, 5);
  if (!source) return;
  const int32_t dest = resolve_image(to, 5);
  if (!dest || source == dest) return;
  const image_record* s = image_at(source);
  image_record* d = image_at(dest);
  // One-byte pixels may only go to an image with at least as many colours.
  if (s->bytes_per_pixel != d->bytes_per_pixel || s->width != d->width || s->height != d->height ||
      (s->bytes_per_pixel == 1 && d->mask < s->mask)) {
    raise_error(5);
    return;
  }
  shared_copy(d->data, s->data, static_cast<size_t>(s->width) * s->height * s->bytes_per_pixel);
}

#include "runtime/os/detail/field_bindings.h"

#include <algorithm>
#include <cstring>

namespace {

bool still_bound(const field_binding* b) { return b->record->open && b->record->open_serial == b->open_serial; }

// Gives s the text of its piece without ending its binding.
void fill_from_buffer(field_binding* b) {
  str_desc* s = b->string;
  const uint8_t* piece = b->record->record_buffer + b->offset;
  if (s->len == b->width && !s->read_only && s != permanent_empty_string) {
    if (b->width > 0) std::memcpy(s->chars, piece, static_cast<size_t>(b->width));
    return;
  }
  s->field_link = nullptr;
  str_assign(s, str_from_text(piece, static_cast<uint32_t>(b->width)));
  s->field_link = b;
}

}  // namespace

void bind_field(file_record* r, str_desc* s, int64_t offset, int32_t width) {
  if (s->field_link) field_detach(s);
  auto* b = new field_binding{s, r, r->open_serial, offset, width, r->fields};
  r->fields = b;
  s->field_link = b;
  fill_from_buffer(b);
}

void refresh_fields(file_record* r) {
  for (field_binding* b = r->fields; b; b = b->next) fill_from_buffer(b);
}

void unbind_fields(file_record* r) {
  for (field_binding* b = r->fields; b;) {
    field_binding* next = b->next;
    b->string->field_link = nullptr;
    delete b;
    b = next;
  }
  r->fields = nullptr;
}

// Called by str_free and by assignment: the string leaves its record buffer.
void field_detach(str_desc* s) {
  field_binding* b = s->field_link;
  s->field_link = nullptr;
  if (!b) return;
  if (still_bound(b)) {
    for (field_binding** at = &b->record->fields; *at; at = &(*at)->next)
      if (*at == b) {
        *at = b->next;
        break;
      }
  }
  delete b;
}

// Called after LSET or RSET changed a bound string: its bytes go to the buffer.
void field_written(str_desc* s) {
  const field_binding* b = s->field_link;
  if (!b || !still_bound(b)) return;
  const int32_t n = std::min(s->len, b->width);
  if (n > 0) std::memmove(b->record->record_buffer + b->offset, s->chars, static_cast<size_t>(n));
}

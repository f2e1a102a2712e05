#include "runtime/os/detail/field_bindings.h"

#include <cstring>

namespace {

// Gives s the text of its piece without ending its binding.
void fill_from_buffer(field_binding* b) {
  str_desc* s = b->string;
  if (s->len == b->width && !s->read_only && s != data_segment.empty_string) {
    if (b->width > 0) std::memcpy(s->chars, b->piece, static_cast<size_t>(b->width));
    return;
  }
  s->field_link = nullptr;
  str_assign(s, str_from_text(b->piece, static_cast<uint32_t>(b->width)));
  s->field_link = b;
}

}  // namespace

void bind_field(file_record* r, str_desc* s, int64_t offset, int32_t width) {
  if (s->field_link) field_detach(s);
  auto* b = new field_binding{s, r->record_buffer + offset, width, r->fields, &r->fields};
  if (r->fields) r->fields->from = &b->next;
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

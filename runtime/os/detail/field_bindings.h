#pragma once
// FIELD: strings bound to pieces of a RANDOM file's record buffer. A bound
// string is an ordinary heap string holding a copy of its piece: GET copies
// the buffer into every bound string, LSET and RSET copy the string back
// (field_written in the string engine), and assigning to it with LET or
// freeing it ends the binding (field_detach). CLOSE ends every binding of the
// file; the strings keep their last text. Program thread.
#include <cstdint>

#include "runtime/os/detail/file_records.h"
#include "runtime/strings/strings.h"

// Binds s to width bytes at offset of r's record buffer and gives it their text.
void bind_field(file_record* r, str_desc* s, int64_t offset, int32_t width);
// Copies the record buffer into every string bound to it (after GET).
void refresh_fields(file_record* r);
// Ends every binding of r (CLOSE).
void unbind_fields(file_record* r);

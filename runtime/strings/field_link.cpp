// The detach step of str_free, and the update after LSET and RSET, for strings
// bound to a file's record buffer. FIELD binding belongs to the file subsystem;
// until it binds strings, no descriptor carries a link: detaching only clears
// it and there is no record buffer to update. The file subsystem takes these
// functions over when it keeps its lists of bound strings.
#include "runtime/strings/string_engine.h"

void field_detach(str_desc* s) { s->field_link = nullptr; }

void field_written(str_desc*) {}

// The detach step of str_free for strings bound to a file's record buffer.
// FIELD binding belongs to the file subsystem; until it binds strings, no
// descriptor carries a link and detaching only clears it. The file subsystem
// takes this function over when it keeps its lists of bound strings.
#include "runtime/strings/string_engine.h"

void field_detach(str_desc* s) { s->field_link = nullptr; }

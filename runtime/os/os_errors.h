#pragma once
// The run-time error numbers of the name-based file operations: the system's
// reason (an errno value) for each kind of operation, and the check that
// turns a program's string into a name the system can be given. Program thread.
#include <cstdint>
#include <string>

#include "runtime/strings/string_engine.h"

// A file KILL could not delete: 55 when it is protected or in use, else 53.
int32_t kill_error(int system_error);
// NAME: 53 no such file, 64 bad name, 75 access, 58 the new name exists,
// 74 across file systems, 76 a folder on the way is missing, else 5.
int32_t name_error(int system_error);
// CHDIR, MKDIR and RMDIR: 76 path not found, 75 access (a folder that exists
// or is not empty included), 64 bad name, 61 disk full, else 5.
int32_t folder_error(int system_error);

// The bytes of s as a name for the system. A name holding a zero byte (which
// would cut it short) or longer than the system accepts raises error 64 and
// gives false. A null s is the empty name.
bool name_argument(const str_desc* s, std::string* name);

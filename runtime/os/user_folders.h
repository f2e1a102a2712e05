#pragma once
// The user's folders by plain-language name, in any letter case ("Music",
// "MY DOCUMENTS", "downloads", "AppData", ...), mapped onto the desktop's XDG
// user directories and base directories. Program thread.
#include <string>
#include <string_view>

#include "runtime/strings/string_engine.h"

// The folder followed by "/". Unknown names and folders that cannot be found
// give the desktop folder; with no home folder at all the result is "./".
// The downloads folder is created when it is missing.
str_desc* known_folder(const str_desc* name);

// The same as text.
std::string known_folder_path(std::string_view name);

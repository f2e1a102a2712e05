#pragma once
// The user's home and folders as the desktop records them: the XDG base
// directories and the user-dirs.dirs file (lines such as
// XDG_MUSIC_DIR="$HOME/Music"). Program thread (they read the environment,
// which the program thread may change); user_dir_from_text from any thread.
#include <string>
#include <string_view>

// $HOME, else the home folder of the user's password entry; "" when neither is known.
std::string home_directory();

// Parses the text of a user-dirs.dirs file and returns the folder recorded for
// key (for example "XDG_MUSIC_DIR"), with "$HOME" replaced by home; "" when the
// key is absent or its value is not a quoted absolute or "$HOME" path. The
// last valid line for a key wins, as when the file is read by a shell.
std::string user_dir_from_text(std::string_view text, std::string_view key, const std::string& home);

// The folder for key from $XDG_CONFIG_HOME/user-dirs.dirs (else
// ~/.config/user-dirs.dirs); "" when there is none.
std::string user_dir(std::string_view key);

// An absolute path from the environment variable name (XDG_CONFIG_HOME, ...);
// "" when it is unset or relative, which the XDG rules say to ignore.
std::string xdg_base_dir(const char* name);

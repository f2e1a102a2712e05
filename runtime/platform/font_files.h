#pragma once
// Finding an installed font file by a name, through the system's font
// configuration (fontconfig). Any thread; calls are serialised inside.
#include <string>
#include <string_view>

// Path of the installed font file that name stands for, or "" when none does.
// The name may be a file name ("dejavusansmono.ttf", with or without its
// extension; letter case, spaces, '-' and '_' do not count), a face's full or
// PostScript name ("DejaVu Sans Bold") or a family ("DejaVu Sans Mono"), whose
// face nearest the style asked for is chosen: regular, or the family's own
// bold, italic (or oblique) or bold italic face where it has one. A name that
// matches nothing installed gives "" (the system's nearest substitute is never
// taken).
std::string platform_find_font(std::string_view name, bool bold = false, bool italic = false);

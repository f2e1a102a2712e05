#include "runtime/platform/font_files.h"

#include <fontconfig/fontconfig.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <tuple>

namespace {

// fontconfig's default configuration is shared by the whole process.
std::mutex lookup_lock;

constexpr size_t name_length_max = 1024;

// A name as compared: lower case, without spaces, '-' and '_'.
std::string normalised(std::string_view s) {
  std::string out;
  for (const char c : s)
    if (c != ' ' && c != '-' && c != '_') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view base_name(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view without_extension(std::string_view file) {
  const size_t dot = file.find_last_of('.');
  return dot == std::string_view::npos || dot == 0 ? file : file.substr(0, dot);
}

bool any_value_is(FcPattern* font, const char* object, const std::string& wanted) {
  FcChar8* value = nullptr;
  for (int i = 0; FcPatternGetString(font, object, i, &value) == FcResultMatch; ++i)
    if (normalised(reinterpret_cast<const char*>(value)) == wanted) return true;
  return false;
}

int integer_of(FcPattern* font, const char* object, int fallback) {
  int value = fallback;
  FcPatternGetInteger(font, object, 0, &value);
  return value;
}

// How far a face is from the one of its family that is wanted (regular, bold,
// italic or both, normal width): weight, slant and width.
int distance_from_wanted(FcPattern* font, bool bold, bool italic) {
  const int weight = bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
  const int slant = italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN;
  return std::abs(integer_of(font, FC_WEIGHT, FC_WEIGHT_REGULAR) - weight) +
         std::abs(integer_of(font, FC_SLANT, FC_SLANT_ROMAN) - slant) +
         std::abs(integer_of(font, FC_WIDTH, FC_WIDTH_NORMAL) - FC_WIDTH_NORMAL);
}

}  // namespace

std::string platform_find_font(std::string_view name, bool bold, bool italic) {
  if (name.size() > name_length_max || name.find('\0') != std::string_view::npos) return {};
  const std::string wanted = normalised(name);
  if (wanted.empty()) return {};

  const std::lock_guard<std::mutex> lock(lookup_lock);
  if (!FcInit()) return {};
  FcPattern* any = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_FAMILY, FC_FULLNAME, FC_POSTSCRIPT_NAME, FC_WEIGHT, FC_SLANT,
                                          FC_WIDTH, static_cast<char*>(nullptr));
  FcFontSet* fonts = any && objects ? FcFontList(nullptr, any, objects) : nullptr;

  // The best candidate by (kind of match, distance from the regular face, path):
  // a file name beats a face name, which beats a family. With a style asked
  // for, by (distance from the styled face, kind, path): "DejaVu Sans" names
  // the regular face's file too, and bold is the family's bold face.
  const bool styled = bold || italic;
  std::tuple<int, int, std::string> best{INT_MAX, INT_MAX, ""};
  for (int i = 0; fonts && i < fonts->nfont; ++i) {
    FcPattern* font = fonts->fonts[i];
    FcChar8* file_value = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file_value) != FcResultMatch) continue;
    const std::string file = reinterpret_cast<const char*>(file_value);
    const std::string_view base = base_name(file);
    int kind;
    if (normalised(base) == wanted || normalised(without_extension(base)) == wanted)
      kind = 0;
    else if (any_value_is(font, FC_FULLNAME, wanted) || any_value_is(font, FC_POSTSCRIPT_NAME, wanted))
      kind = 1;
    else if (any_value_is(font, FC_FAMILY, wanted))
      kind = 2;
    else
      continue;
    const int distance = styled || kind == 2 ? distance_from_wanted(font, bold, italic) : 0;
    const std::tuple<int, int, std::string> found =
        styled ? std::make_tuple(distance, kind, file) : std::make_tuple(kind, distance, file);
    if (found < best) best = found;
  }

  if (fonts) FcFontSetDestroy(fonts);
  if (objects) FcObjectSetDestroy(objects);
  if (any) FcPatternDestroy(any);
  return std::get<2>(best);
}

#include "runtime/platform/dialog_layout.h"

namespace {

constexpr char replacement = '?';
constexpr const char* ellipsis = "...";

int width_of(unsigned char c, const int glyph_width[256]) {
  return glyph_width[c] > 0 ? glyph_width[c] : 1;
}

// The byte as drawn: control bytes and bytes without a glyph become '?'.
char shown(unsigned char c, const int glyph_width[256]) {
  if (c == '\t') c = ' ';
  if (c < 0x20 || c == 0x7f || glyph_width[c] <= 0) return replacement;
  return static_cast<char>(c);
}

class line_builder {
 public:
  line_builder(const int* glyph_width, int max_width, int max_lines, dialog_text_layout* out)
      : glyph_width_(glyph_width), max_width_(max_width), max_lines_(max_lines), out_(out) {}

  bool full() const { return out_->cut; }

  void add(char c) {
    const int w = width_of(static_cast<unsigned char>(c), glyph_width_);
    if (!line_.empty() && width_ + w > max_width_) {
      if (c == ' ') {  // the break falls on a space: it is dropped
        emit();
        return;
      }
      const size_t space = line_.rfind(' ');
      if (space != std::string::npos && space > 0) {
        std::string rest = line_.substr(space + 1);
        line_.resize(space);
        emit();
        if (full()) return;
        line_ = std::move(rest);
        width_ = dialog_text_width(line_, glyph_width_);
        add(c);  // the carried word and c may still not fit together
        return;
      } else {
        emit();
        if (full()) return;
      }
    }
    line_ += c;
    width_ += w;
  }

  // The end of the text: a last empty line is not worth a cut.
  void finish() {
    if (line_.empty() && static_cast<int>(out_->lines.size()) == max_lines_) return;
    emit();
  }

  // Ends the current line (also an empty one).
  void emit() {
    if (full()) return;
    if (static_cast<int>(out_->lines.size()) == max_lines_) {
      cut_last_line();
      return;
    }
    out_->lines.push_back(std::move(line_));
    line_.clear();
    width_ = 0;
  }

 private:
  void cut_last_line() {
    out_->cut = true;
    std::string& last = out_->lines.back();
    const int tail = dialog_text_width(ellipsis, glyph_width_);
    while (!last.empty() && dialog_text_width(last, glyph_width_) + tail > max_width_)
      last.pop_back();
    last += ellipsis;
  }

  const int* glyph_width_;
  int max_width_;
  int max_lines_;
  dialog_text_layout* out_;
  std::string line_;
  int width_ = 0;
};

}  // namespace

int dialog_text_width(const std::string& s, const int glyph_width[256]) {
  int w = 0;
  for (unsigned char c : s) w += width_of(c, glyph_width);
  return w;
}

dialog_text_layout layout_dialog_text(const char* text, const int glyph_width[256], int max_width,
                                      int max_lines) {
  dialog_text_layout out;
  if (max_lines < 1) max_lines = 1;
  line_builder builder(glyph_width, max_width, max_lines, &out);
  for (const char* p = text ? text : ""; *p && !builder.full(); ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\n')
      builder.emit();
    else if (c != '\r')
      builder.add(shown(c, glyph_width));
  }
  builder.finish();
  for (const std::string& line : out.lines) {
    const int w = dialog_text_width(line, glyph_width);
    if (w > out.widest) out.widest = w;
  }
  return out;
}

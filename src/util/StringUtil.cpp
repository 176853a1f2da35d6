#include "util/StringUtil.h"

std::vector<std::string> SplitString(std::string_view text, const char* delimiters) {
  const std::string_view delims(delimiters ? delimiters : "");
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t cut = text.find_first_of(delims, start);
    if (cut == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, cut - start));
    start = cut + 1;
  }
}

#include "quorvel/text/split.h"

namespace quorvel::text {

std::vector<std::wstring> split(const std::wstring& text, const std::wstring& separator) {
  std::vector<std::wstring> pieces;
  if (separator.empty()) {
    pieces.push_back(text);
    return pieces;
  }
  std::wstring::size_type start = 0;
  for (;;) {
    const auto found = text.find(separator, start);
    if (found == std::wstring::npos) {
      pieces.emplace_back(text, start);
      return pieces;
    }
    pieces.emplace_back(text, start, found - start);
    start = found + separator.size();
  }
}

}  // namespace quorvel::text

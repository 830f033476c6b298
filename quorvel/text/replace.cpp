#include "quorvel/text/replace.h"

#include <utility>

namespace quorvel::text {

void replace_all(std::wstring& text, std::wstring_view find, std::wstring_view replacement) {
  // Built anew rather than replaced in place: each replacement in place moves
  // the rest of the text, which made folding the line ends of a rule file of
  // a few megabytes take minutes. Searching the original text from the end
  // of each match is the same as resuming after each insertion.
  if (find.empty()) {
    return;
  }
  std::wstring::size_type at = text.find(find);
  if (at == std::wstring::npos) {
    return;
  }
  std::wstring replaced;
  replaced.reserve(text.size());
  std::wstring::size_type from = 0;
  for (; at != std::wstring::npos; at = text.find(find, from)) {
    replaced.append(text, from, at - from);
    replaced.append(replacement);
    from = at + find.size();
  }
  replaced.append(text, from);
  text = std::move(replaced);
}

}  // namespace quorvel::text

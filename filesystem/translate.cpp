#include "filesystem/translate.h"

#include <string_view>
#include <utility>
#include <vector>

#include "text/split.h"

namespace quorvel::filesystem {
namespace {

std::wstring join(const std::vector<std::wstring>& pieces, std::wstring_view glue) {
  std::wstring joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i != 0) {
      joined += glue;
    }
    joined += pieces[i];
  }
  return joined;
}

}  // namespace

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

void translate_pattern(std::wstring& pattern) {
  std::vector<std::wstring> pieces = text::split(pattern, L"**/");
  for (std::wstring& piece : pieces) {
    if (!piece.empty()) {
      translate_piece(piece);
    }
  }
  pattern = join(pieces, L"(.*\\/|)");
}

void translate_piece(std::wstring& piece) {
  std::vector<std::wstring> parts = text::split(piece, L"*");
  for (std::wstring& part : parts) {
    if (part.empty()) {
      continue;
    }
    // The order matters: "?" becomes "." only after literal dots were
    // escaped, and "!" is rewritten even after a backslash.
    replace_all(part, L".", L"\\.");
    replace_all(part, L"/", L"\\/");
    replace_all(part, L"+", L"\\+");
    replace_all(part, L"?", L".");
    replace_all(part, L"!", L"^");
  }
  piece = join(parts, L"[^\\/]*");
}

}  // namespace quorvel::filesystem

#include "quorvel/filesystem/regex/translate.h"

#include <string_view>
#include <utility>
#include <vector>

#include "quorvel/text/replace.h"
#include "quorvel/text/split.h"

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
    text::replace_all(part, L".", L"\\.");
    text::replace_all(part, L"/", L"\\/");
    text::replace_all(part, L"+", L"\\+");
    text::replace_all(part, L"?", L".");
    text::replace_all(part, L"!", L"^");
  }
  piece = join(parts, L"[^\\/]*");
}

}  // namespace quorvel::filesystem

// git's listing parser on arbitrary bytes: every key it makes lies below the
// folder or is a path the listing named from the root, and there are never
// more keys than lines.

#include <algorithm>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "quorvel/runner/expected.h"
#include "quorvel/text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text =
      quorvel::text::utf8_to_wide(std::string(quorvel::fuzzing::as_bytes(data, size)));
  const auto expected = quorvel::runner::parse_listing(text, "/t");
  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), L'\n')) + 1;
  if (expected.size() > lines) {
    std::abort();
  }
  for (const std::wstring& key : expected.sorted()) {
    if (key.empty() || key.front() != L'/') {
      std::abort();
    }
  }
  return 0;
}

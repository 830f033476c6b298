#include "quorvel/git/wildmatch.h"

#include "quorvel/git/detail/glob.h"

namespace quorvel::git {

bool wildmatch(std::string_view pattern, std::string_view text, bool ignore_case) {
  return detail::glob(pattern, ignore_case).matches(text);
}

}  // namespace quorvel::git

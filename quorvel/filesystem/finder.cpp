#include "quorvel/filesystem/finder.h"

namespace quorvel::filesystem {

std::filesystem::path walk_root(const std::filesystem::path& root) {
  const std::filesystem::path normal = root.lexically_normal();
  if (normal == ".") {
    return std::filesystem::current_path();
  }
  if (normal.is_relative() && !normal.empty() && *normal.begin() == "..") {
    std::filesystem::path absolute = (std::filesystem::current_path() / normal).lexically_normal();
    // "/a/b/.." normalises to "/a/": keep the form without the separator.
    if (!absolute.has_filename() && absolute.has_relative_path()) {
      absolute = absolute.parent_path();
    }
    return absolute;
  }
  return normal;
}

}  // namespace quorvel::filesystem

#pragma once
// The "\\?\" form of long paths. Not installed: the Windows files of this
// folder share it.

#include <filesystem>

namespace quorvel::platform::detail {

// `path` itself where fits_whole takes it; else its absolute form with "\"
// between elements in the "\\?\" form ("\\?\UNC\" for a share), which the
// system takes at any length whether or not the program's long-path
// awareness is switched on. A path already in that form is kept.
std::filesystem::path long_form(const std::filesystem::path& path);

}  // namespace quorvel::platform::detail

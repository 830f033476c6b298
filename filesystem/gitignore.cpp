#include "filesystem/gitignore.h"

// Placeholder until the rule-file reader lands: no rules.

namespace quorvel::filesystem {

gitignore::gitignore(const std::filesystem::path& /*file*/) {}

bool gitignore::match(const finder_item& entry, const std::wstring& path, std::wstring& /*rule*/,
                      std::wstring& /*rule_regex*/) const {
  return entry.is_directory() && path == L"/.git";
}

void gitignore::add_rule(const std::wstring& /*line*/) {}

}  // namespace quorvel::filesystem

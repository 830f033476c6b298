#include "quorvel/git/rule_source.h"

#include <algorithm>
#include <system_error>

#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel::git {
namespace {

std::string absolute_text(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) {
    absolute = path;
  }
  return text::wide_to_bytes(platform::to_generic_wide(absolute.lexically_normal()));
}

}  // namespace

rule_sources::rule_sources(const std::filesystem::path& top, const ignore_options& options)
    : top_(absolute_text(top)) {
  if (top_.empty() || top_.back() != '/') {
    top_ += '/';
  }
  if (!options.overrides.empty()) {
    given_.push_back(platform::to_path(text::bytes_to_wide(overrides_source)));
  }
  for (const added_rules& rules : options.added) {
    if (rules.text) {
      given_.push_back(platform::to_path(text::bytes_to_wide(rules.source)));
    }
  }
}

std::string_view rule_sources::name(const std::filesystem::path& file) {
  if (!last_name_.empty() && file.native() == last_file_.native()) {
    return last_name_;
  }
  last_file_ = file;
  if (std::find(given_.begin(), given_.end(), file) != given_.end()) {
    last_name_ = text::wide_to_bytes(platform::to_wide(file));
    return last_name_;
  }
  last_name_ = absolute_text(file);
  if (last_name_.size() > top_.size() && last_name_.compare(0, top_.size(), top_) == 0) {
    last_name_.erase(0, top_.size());
  }
  return last_name_;
}

}  // namespace quorvel::git

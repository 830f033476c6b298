#include "quorvel/git/ignore_file.h"

#include <utility>

#include "quorvel/filesystem/read_all.h"
#include "quorvel/git/detail/rule_index.h"

namespace quorvel::git {
namespace {

// The line without its trailing spaces, except those escaped with "\": a
// backslash keeps the byte after it, whatever it is.
std::string_view trim_trailing_spaces(std::string_view line) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < line.size();) {
    if (line[i] == '\\') {
      i = std::min(i + 2, line.size());
      kept = i;
    } else if (line[i] == ' ') {
      ++i;
    } else {
      kept = ++i;
    }
  }
  return line.substr(0, kept);
}

}  // namespace

ignore_file::ignore_file(const std::filesystem::path& file, const ignore_options& options)
    : ignore_file(
          file,
          [&file] {
            std::string bytes;
            filesystem::read_all(file, bytes);
            return bytes;
          }(),
          options) {}

ignore_file ignore_file::from_text(std::string_view bytes, std::filesystem::path source,
                                   const ignore_options& options) {
  return ignore_file(std::move(source), bytes, options);
}

ignore_file::ignore_file(std::filesystem::path source, std::string_view bytes,
                         const ignore_options& options)
    : source_(std::move(source)) {
  constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
  if (bytes.starts_with(byte_order_mark)) {
    bytes.remove_prefix(byte_order_mark.size());
  }
  std::uint32_t number = 0;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    ++number;
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
    }
    // Git reads each line as a C string: a NUL ends it.
    line = line.substr(0, line.find('\0'));
    if (line.empty() || line.front() == '#') {
      continue;
    }
    line = trim_trailing_spaces(line);
    ignore_rule rule;
    rule.text = std::string(line);
    rule.line = number;
    if (line.starts_with('!')) {
      rule.negation = true;
      line.remove_prefix(1);
    }
    if (line.ends_with('/')) {
      rule.folder_only = true;
      line.remove_suffix(1);
    }
    // A "/" left anywhere ties the pattern to this file's folder; one at the
    // start says only that.
    rule.anchored = line.find('/') != std::string_view::npos;
    if (line.starts_with('/')) {
      line.remove_prefix(1);
    }
    if (line.empty()) {
      continue;
    }
    rule.pattern = std::string(line);
    rules_.push_back(std::move(rule));
  }
  index_ = std::make_shared<const detail::rule_index>(rules_, options.ignore_case);
}

const ignore_rule* ignore_file::last_match(std::string_view path, bool is_folder) const {
  const std::size_t found = index_->last_match(path, is_folder);
  return found == detail::rule_index::npos ? nullptr : &rules_[found];
}

}  // namespace quorvel::git

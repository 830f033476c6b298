#include "quorvel/git/detail/rule_index.h"

#include <utility>

namespace quorvel::git::detail {
namespace {

std::string folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = static_cast<char>(fold_case(static_cast<unsigned char>(c)));
  }
  return out;
}

// The literal that a pattern "*<literal>" ends with, when the literal holds a
// "." (so that the last "." of a matching name is the literal's); else empty.
std::string ending_of(std::string_view pattern, bool ignore_case) {
  if (pattern.size() < 2 || pattern[0] != '*' || pattern[1] == '*') {
    return {};
  }
  const glob tail(pattern.substr(1), ignore_case);
  if (!tail.is_literal() || tail.literal().find('.') == std::string::npos) {
    return {};
  }
  return tail.literal();
}

}  // namespace

rule_index::rule_index(const std::vector<ignore_rule>& rules, bool ignore_case)
    : folder_only_(rules.size()), endings_(rules.size()), ignore_case_(ignore_case) {
  for (std::size_t i = 0; i < rules.size(); ++i) {
    const auto number = static_cast<std::uint32_t>(i);
    const ignore_rule& rule = rules[i];
    folder_only_[i] = rule.folder_only;
    std::string_view pattern = rule.pattern;
    bool anchored = rule.anchored;
    // "**/<name>" matches what "<name>" matches at any depth, when the name
    // can match no "/": a literal, or a star and a literal.
    if (anchored) {
      const std::size_t stars = pattern.find_first_not_of('*');
      if (stars != std::string_view::npos && stars >= 2 && pattern[stars] == '/') {
        const std::string_view rest = pattern.substr(stars + 1);
        if (rest.find('/') == std::string_view::npos &&
            (glob(rest, ignore_case).is_literal() || !ending_of(rest, ignore_case).empty())) {
          pattern = rest;
          anchored = false;
        }
      }
    }
    glob compiled(pattern, ignore_case);
    if (compiled.is_literal()) {
      (anchored ? paths_ : names_)[compiled.literal()].push_back(number);
      continue;
    }
    if (!anchored) {
      std::string ending = ending_of(pattern, ignore_case);
      if (!ending.empty()) {
        extensions_[ending.substr(ending.rfind('.') + 1)].push_back(number);
        endings_[i] = std::move(ending);
        continue;
      }
    }
    others_.push_back({number, anchored, std::move(compiled)});
  }
}

void rule_index::last_of(const std::vector<std::uint32_t>& found, bool is_folder,
                         std::size_t& best) const {
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    if (best != npos && *it <= best) {
      return;
    }
    if (!folder_only_[*it] || is_folder) {
      best = *it;
      return;
    }
  }
}

std::size_t rule_index::last_match(std::string_view path, bool is_folder) const {
  std::string folded_path;
  std::string_view key_path = path;
  // The tables hold folded keys; the globs fold for themselves.
  if (ignore_case_ && !(names_.empty() && paths_.empty() && extensions_.empty())) {
    folded_path = folded(path);
    key_path = folded_path;
  }
  const std::size_t slash = path.rfind('/');
  const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  const std::string_view name = path.substr(name_start);
  const std::string_view key_name = key_path.substr(name_start);

  // Each table is asked only when it holds rules: most files have a few
  // of one kind.
  std::size_t best = npos;
  if (!names_.empty()) {
    if (const auto found = names_.find(key_name); found != names_.end()) {
      last_of(found->second, is_folder, best);
    }
  }
  if (!paths_.empty()) {
    if (const auto found = paths_.find(key_path); found != paths_.end()) {
      last_of(found->second, is_folder, best);
    }
  }
  if (const std::size_t dot = extensions_.empty() ? std::string_view::npos : key_name.rfind('.');
      dot != std::string_view::npos) {
    if (const auto found = extensions_.find(key_name.substr(dot + 1)); found != extensions_.end()) {
      for (auto it = found->second.rbegin(); it != found->second.rend(); ++it) {
        if (best != npos && *it <= best) {
          break;
        }
        if ((!folder_only_[*it] || is_folder) && key_name.ends_with(endings_[*it])) {
          best = *it;
          break;
        }
      }
    }
  }
  for (auto it = others_.rbegin(); it != others_.rend(); ++it) {
    if (best != npos && it->rule <= best) {
      break;
    }
    if (folder_only_[it->rule] && !is_folder) {
      continue;
    }
    if (it->pattern.matches(it->anchored ? path : name)) {
      best = it->rule;
      break;
    }
  }
  return best;
}

}  // namespace quorvel::git::detail

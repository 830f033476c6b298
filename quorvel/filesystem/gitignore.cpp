#include "quorvel/filesystem/gitignore.h"

#include <stdexcept>
#include <utility>

#include "quorvel/filesystem/read_all.h"
#include "quorvel/filesystem/regex/rule_index.h"
#include "quorvel/filesystem/regex/rule_limits.h"
#include "quorvel/filesystem/regex/translate.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/text/replace.h"
#include "quorvel/text/split.h"
#include "quorvel/text/utf8.h"

namespace quorvel::filesystem {
namespace {

// A std::regex_error that keeps the library's code but says where the
// expression came from; the standard type carries only the code.
class located_regex_error : public std::regex_error {
 public:
  located_regex_error(std::regex_constants::error_type code, const std::string& text)
      : std::regex_error(code), message(text) {}

  const char* what() const noexcept override { return message.what(); }

 private:
  // A standard exception holds its text in shared storage, so copying this
  // one while it is thrown cannot fail.
  std::runtime_error message;
};

// "<file>:<line number>: <what failed>: <line>", in bytes: the path as the
// system spells it, the line in UTF-8 with stray bytes given back.
std::string locate(const std::filesystem::path& file, std::size_t number, const std::string& what,
                   const std::wstring& line) {
  // A line that is too long to compile is too long to print whole.
  constexpr std::size_t shown = 200;
  const std::string written = line.size() > shown
                                  ? text::wide_to_bytes(line.substr(0, shown)) + "..."
                                  : text::wide_to_bytes(line);
  return text::wide_to_bytes(platform::to_wide(file)) + ":" + std::to_string(number) + ": " + what +
         ": " + written;
}

// Applies a rule that matched and could change the verdict; returns the new
// verdict. An ignoring rule names itself, an un-ignoring one names nothing.
bool decide(const ignore_rule& matched, std::wstring& rule, std::wstring& rule_regex) {
  if (matched.negation) {
    rule.clear();
    rule_regex.clear();
    return false;
  }
  rule = matched.text;
  rule_regex = matched.regex_text;
  return true;
}

}  // namespace

gitignore::gitignore(const std::filesystem::path& file)
    : gitignore(file, [&file] {
        std::string bytes;
        read_all(file, bytes);
        return bytes;
      }()) {}

gitignore::gitignore(const std::filesystem::path& file, std::string_view bytes) {
  std::wstring text = text::utf8_to_wide(std::string(bytes));
  // Every line end becomes one "\n". CR LF is folded first so that it ends
  // one line, not two, and the numbers in messages are the editor's; the
  // rules are the same either way, since empty lines are skipped.
  text::replace_all(text, L"\r\n", L"\n");
  text::replace_all(text, L"\r", L"\n");
  const std::vector<std::wstring> lines = text::split(text, L"\n");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::wstring& line = lines[i];
    // Only a "#" in the very first position makes a comment.
    if (line.empty() || line.front() == L'#') {
      continue;
    }
    try {
      add_rule(line);
    } catch (const std::regex_error& failure) {
      throw located_regex_error(
          failure.code(),
          locate(file, i + 1, "invalid regular expression (" + std::string(failure.what()) + ")",
                 line));
    } catch (const std::out_of_range& failure) {
      throw std::out_of_range(locate(file, i + 1, failure.what(), line));
    } catch (const std::length_error& failure) {
      throw std::length_error(locate(file, i + 1, failure.what(), line));
    }
  }
  index_ = std::make_shared<const rule_index>(rules);
}

bool gitignore::match_as(bool is_directory, std::wstring_view path, std::wstring& rule,
                         std::wstring& rule_regex) const {
#ifdef QUORVEL_REFERENCE_MATCHING
  return match_reference_as(is_directory, path, rule, rule_regex);
#else
  check_match_path(path);
  if (is_directory && path == L"/.git") {
    return true;
  }
  // The loop of match_reference over the rules that the index cannot rule
  // out: passing over a rule that cannot match is what running it gives, so
  // the same rules change the verdict, in the same order, and the rules
  // left to the library run exactly when match_reference runs them.
  thread_local std::vector<rule_candidate> candidates;
  index_->find_candidates(path, candidates);
  bool ignored = false;
  for (const rule_candidate& found : candidates) {
    const ignore_rule& candidate = rules[found.rule];
    if (candidate.dir_only && !is_directory) {
      continue;
    }
    if (candidate.negation != ignored ||
        (!found.known_match && !index_->rule_matches(found.rule, path, candidate.regex))) {
      continue;
    }
    ignored = decide(candidate, rule, rule_regex);
  }
  return ignored;
#endif
}

bool gitignore::match_reference_as(bool is_directory, std::wstring_view path, std::wstring& rule,
                                   std::wstring& rule_regex) const {
  check_match_path(path);
  // The repository's own folder is never handed to the rules, so no rule can
  // un-ignore it; a file of that name, or a nested one, is an ordinary entry.
  if (is_directory && path == L"/.git") {
    return true;
  }
  // The last rule that applies and matches decides. Only a rule of the other
  // polarity can change the verdict, so the others are not run: that is also
  // why an ignored entry reports the first ignoring rule after the last
  // un-ignoring one.
  bool ignored = false;
  for (const ignore_rule& candidate : rules) {
    if (candidate.dir_only && !is_directory) {
      continue;
    }
    if (candidate.negation != ignored ||
        !std::regex_match(path.data(), path.data() + path.size(), candidate.regex)) {
      continue;
    }
    ignored = decide(candidate, rule, rule_regex);
  }
  return ignored;
}

void gitignore::add_rule(const std::wstring& line) {
  check_rule_count(rules.size());
  check_rule_line(line);
  ignore_rule rule;
  rule.text = line;
  std::wstring pattern = line;
  if (pattern.front() == L'!') {
    rule.negation = true;
    pattern.erase(0, 1);
  }
  if (pattern.empty()) {
    throw std::out_of_range("nothing follows \"!\"");
  }
  if (pattern.back() == L'/') {
    rule.dir_only = true;
    pattern.pop_back();
  }
  // A "/" left in the pattern ties it to this file's folder: it must match
  // the whole relative path. Without one it may start at any component, and
  // anything may follow.
  if (pattern.find(L'/') != std::wstring::npos) {
    if (pattern.front() == L'/') {
      pattern.erase(0, 1);
    }
    translate_pattern(pattern);
    rule.regex_text = L"^\\/" + pattern + L"$";
  } else {
    translate_pattern(pattern);
    rule.regex_text = L".*\\/" + pattern + L".*";
  }
  rule.regex = compile_rule_expression(rule.regex_text);
  rules.push_back(std::move(rule));
}

}  // namespace quorvel::filesystem

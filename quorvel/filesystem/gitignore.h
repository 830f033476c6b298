#pragma once
// One compiled ignore-rule file (".gitignore"): its rule lines in file order,
// each translated into an ECMAScript regular expression.

#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/filesystem/regex/ignore_rule.h"

namespace quorvel::filesystem {

class rule_index;

// The rules of one rule file; immutable once constructed.
class gitignore {
 public:
  // Reads the rule file at `file` as UTF-8 and compiles every line that is
  // neither empty nor begins with "#". CR LF, LF and a lone CR each end a
  // line; nothing is trimmed and a backslash stays in the pattern. A file
  // that cannot be sized or opened (a folder too) gives no rules and no
  // error.
  // Throws std::out_of_range for the line "!", std::regex_error (with the
  // library's code) for a pattern whose expression is invalid, and
  // std::length_error for a line or expression beyond the bounds of
  // rule_limits.h. Their what() reads "<file>:<line number>: <what failed>:
  // <line as written>" (its first 200 characters), with the line numbered
  // from 1 as an editor shows it.
  explicit gitignore(const std::filesystem::path& file);
  // The same for the rule file `file` whose bytes are `bytes`, read by the
  // caller (the walk reads a file in a deep folder through the open
  // folder): `file` names it in messages and is not read.
  gitignore(const std::filesystem::path& file, std::string_view bytes);
  virtual ~gitignore() = default;

  // Returns whether this file ignores `entry`, whose path relative to the
  // file's folder is `path` (such as "/src/a.c"; the whole path must match).
  // A directory "/.git" is always ignored, whatever the rules say. Otherwise
  // the last rule that applies and matches decides: an ignoring one sets
  // `rule` and `rule_regex` to its text and expression, an un-ignoring one
  // empties both, and they keep their values when no rule matches or for
  // "/.git". The rule reported is the first ignoring match since the last
  // un-ignoring one, not the last. Throws std::regex_error if matching fails,
  // and std::length_error for a path longer than max_match_path.
  //
  // Runs only the rules that the file's index cannot rule out, most of them
  // without the regular-expression library; every result, out-argument and
  // exception is the one `match_reference` gives. Built with
  // QUORVEL_REFERENCE_MATCHING, it is `match_reference`.
  //
  // Of the record (a finder_item or a lean_item) only whether it is a
  // directory is read.
  template <class Record>
  bool match(const Record& entry, std::wstring_view path, std::wstring& rule,
             std::wstring& rule_regex) const {
    return match_as(entry.is_directory(), path, rule, rule_regex);
  }

  // `match` as the straightforward loop: every rule that applies and could
  // change the verdict is run with std::regex_match, in file order.
  template <class Record>
  bool match_reference(const Record& entry, std::wstring_view path, std::wstring& rule,
                       std::wstring& rule_regex) const {
    return match_reference_as(entry.is_directory(), path, rule, rule_regex);
  }

  // The compiled rules, in file order.
  const std::vector<ignore_rule>& compiled_rules() const { return rules; }

 private:
  // `match` and `match_reference` for an entry that is a directory or not:
  // all they ask of the record.
  bool match_as(bool is_directory, std::wstring_view path, std::wstring& rule,
                std::wstring& rule_regex) const;
  bool match_reference_as(bool is_directory, std::wstring_view path, std::wstring& rule,
                          std::wstring& rule_regex) const;

  // Compiles one non-empty line and appends it. Throws std::out_of_range when
  // nothing is left of the pattern ("!") and std::regex_error when its
  // expression is invalid, both without the file and line.
  void add_rule(const std::wstring& line);

  std::vector<ignore_rule> rules;
  // Built once all rules are in; shared by copies, as the rules never change.
  std::shared_ptr<const rule_index> index_;
};

}  // namespace quorvel::filesystem

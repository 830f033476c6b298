#pragma once
// One compiled ignore-rule file (".gitignore"): its rule lines in file order,
// each translated into an ECMAScript regular expression.

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "filesystem/item.h"

namespace quorvel::filesystem {

// One rule line, compiled.
struct ignore_rule {
  bool negation = false;    // the line began with "!"
  bool dir_only = false;    // the pattern ended with "/"
  std::wstring text;        // the whole line as written
  std::wstring regex_text;  // the regular expression the pattern became
  std::wregex regex;        // regex_text, ECMAScript, no other flag
};

// The rules of one rule file; immutable once constructed.
class gitignore {
 public:
  // Reads and compiles the rule file at `file`. A file that cannot be sized
  // or opened (a folder too) gives no rules and no error.
  // Throws std::out_of_range for the line "!" and std::regex_error for a
  // pattern whose expression is invalid; what() names the file, the line
  // number and the line as written.
  explicit gitignore(const std::filesystem::path& file);
  virtual ~gitignore() = default;

  // Returns whether this file ignores `entry`, whose path relative to the
  // file's folder is `path` (such as "/src/a.c"). A directory "/.git" is
  // always ignored. The last applicable matching rule decides; `rule` and
  // `rule_regex` receive the text and expression of an ignoring rule, are
  // emptied by an un-ignoring one, and keep their values otherwise.
  bool match(const finder_item& entry, const std::wstring& path, std::wstring& rule,
             std::wstring& rule_regex) const;

  // The compiled rules, in file order.
  const std::vector<ignore_rule>& compiled_rules() const { return rules; }

 private:
  void add_rule(const std::wstring& line);

  std::vector<ignore_rule> rules;
};

}  // namespace quorvel::filesystem

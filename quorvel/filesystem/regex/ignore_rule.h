#pragma once
// One rule line of a rule file (filesystem/gitignore.h), compiled.

#include <regex>
#include <string>

namespace quorvel::filesystem {

struct ignore_rule {
  bool negation = false;    // the line began with "!"
  bool dir_only = false;    // the pattern ended with "/"
  std::wstring text;        // the whole line as written
  std::wstring regex_text;  // the regular expression the pattern became
  std::wregex regex;        // regex_text, ECMAScript, no other flag
};

}  // namespace quorvel::filesystem

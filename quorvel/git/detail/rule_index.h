#pragma once
// How one rule file finds its last matching line without running every
// rule: the engine's index, not part of the library's interface.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "quorvel/git/detail/glob.h"
#include "quorvel/git/ignore_file.h"

namespace quorvel::git::detail {

// The rules of one file filed by what a match needs: a literal name, a
// literal path, a literal ending after a star ("*.log", filed under the
// text after its last "."), and the rest, run as globs. Each finds its own
// last match; the latest of those is the file's last matching line.
class rule_index {
 public:
  rule_index(const std::vector<ignore_rule>& rules, bool ignore_case);

  // The position in `rules` of the last rule that matches, or npos; the
  // arguments are those of ignore_file::last_match.
  std::size_t last_match(std::string_view path, bool is_folder) const;

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  struct text_hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  using text_map =
      std::unordered_map<std::string, std::vector<std::uint32_t>, text_hash, std::equal_to<>>;
  struct globbed {
    std::uint32_t rule;
    bool anchored;
    glob pattern;
  };

  // The last rule of `found` (ascending) that applies, if later than `best`.
  void last_of(const std::vector<std::uint32_t>& found, bool is_folder, std::size_t& best) const;

  std::vector<bool> folder_only_;
  std::vector<std::string> endings_;  // the literal after the star, per rule filed by ending
  text_map names_;
  text_map paths_;
  text_map extensions_;
  std::vector<globbed> others_;  // in file order
  bool ignore_case_ = false;
};

}  // namespace quorvel::git::detail

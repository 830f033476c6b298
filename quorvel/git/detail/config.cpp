#include "quorvel/git/detail/config.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "quorvel/filesystem/read_all.h"
#include "quorvel/git/wildmatch.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel::git::detail {
namespace {

namespace fs = std::filesystem;

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

bool is_key_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-';
}

// Reads a value after "=": quotes group, backslash escapes \\ \" \n \t \b,
// "#" or ";" outside quotes ends it, unquoted trailing blanks are dropped,
// and a backslash at the line's end joins the next line.
std::string parse_value(std::string_view text, std::size_t& i) {
  std::string value;
  bool quoted = false;
  std::size_t kept = 0;  // length without unquoted trailing blanks
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n' && !quoted) {
      break;
    }
    ++i;
    if (c == '"') {
      quoted = !quoted;
      kept = value.size();
    } else if (c == '\\' && i < text.size()) {
      const char e = text[i++];
      if (e == '\n') {
        continue;
      }
      value.push_back(e == 'n' ? '\n' : e == 't' ? '\t' : e == 'b' ? '\b' : e);
      kept = value.size();
    } else if (!quoted && (c == '#' || c == ';')) {
      while (i < text.size() && text[i] != '\n') {
        ++i;
      }
      break;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
      if (!value.empty()) {
        value.push_back(c);
      }
    } else {
      value.push_back(c);
      kept = value.size();
    }
  }
  value.resize(kept);
  return value;
}

// Reads a section header from just after its "[" up to and past its "]".
// False when it does not close on its line.
bool parse_header(std::string_view text, std::size_t& i, config_entry& entry) {
  std::size_t end = i;
  while (end < text.size() && (is_key_char(text[end]) || text[end] == '.')) {
    ++end;
  }
  const std::string_view name = text.substr(i, end - i);
  i = end;
  const std::size_t dot = name.find('.');
  entry.section = lower(name.substr(0, dot));
  entry.has_subsection = dot != std::string_view::npos;
  entry.subsection = entry.has_subsection ? lower(name.substr(dot + 1)) : std::string();
  if (i < text.size() && (text[i] == ' ' || text[i] == '\t') && !entry.has_subsection) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
      ++i;
    }
    if (i >= text.size() || text[i] != '"') {
      return false;
    }
    ++i;
    entry.has_subsection = true;
    for (;;) {
      if (i >= text.size() || text[i] == '\n') {
        return false;
      }
      char c = text[i++];
      if (c == '"') {
        break;
      }
      if (c == '\\') {
        if (i >= text.size() || text[i] == '\n') {
          return false;
        }
        c = text[i++];
      }
      entry.subsection.push_back(c);
    }
  }
  if (i >= text.size() || text[i] != ']') {
    return false;
  }
  ++i;
  return true;
}

// The text of `path` that patterns are matched against: UTF-8, "/" between
// names, no "/" at the end.
std::string match_text(const fs::path& path) {
  std::string text = platform::generic_utf8(path);
  while (!text.empty() && text.back() == '/') {
    text.pop_back();
  }
  return text;
}

// The real path of `path` (symbolic links resolved), or its absolute form
// when it cannot be resolved.
std::string real_text(const fs::path& path) {
  const fs::path given = path.empty() ? fs::path(".") : path;
  std::error_code error;
  fs::path real = fs::canonical(given, error);
  if (error) {
    real = fs::absolute(given, error).lexically_normal();
    if (error) {
      real = given;
    }
  }
  return match_text(real);
}

bool is_absolute_text(std::string_view text) {
  if (!text.empty() && text.front() == '/') {
    return true;
  }
#ifdef _WIN32
  if (!text.empty() && text.front() == '\\') {
    return true;
  }
  if (text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]))) {
    return true;
  }
#endif
  return false;
}

char fold(char c, bool ignore_case) {
  return ignore_case && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool starts_with(std::string_view text, std::string_view prefix, bool ignore_case) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [&](char a, char b) { return fold(a, ignore_case) == fold(b, ignore_case); });
}

[[noreturn]] void fail(const std::string& message) {
  throw std::runtime_error(message);
}

std::string bad_line(std::size_t line, const fs::path& file) {
  return "bad config line " + std::to_string(line) + " in file " + platform::generic_utf8(file);
}

}  // namespace

fs::path utf8_path(std::string_view bytes) {
  return platform::to_path(text::bytes_to_wide(bytes));
}

std::string read_small(const fs::path& path) {
  std::string bytes;
  try {
    filesystem::read_all(path, bytes);
  } catch (const std::system_error&) {
    // A file that cannot even be set up for reading counts as empty.
    bytes.clear();
  }
  return bytes;
}

std::optional<bool> parse_bool(std::string_view value) {
  const std::string word = lower(value);
  if (word == "true" || word == "yes" || word == "on") {
    return true;
  }
  if (word == "false" || word == "no" || word == "off" || word.empty()) {
    return false;
  }
  if (word.find_first_not_of("0123456789") == std::string::npos) {
    return word.find_first_not_of('0') != std::string::npos;
  }
  return std::nullopt;
}

void parse_config(std::string_view text, const std::function<void(const config_entry&)>& take) {
  config_entry entry;
  bool in_section = false;
  std::size_t i = 0;
  std::size_t line = 1;
  std::size_t counted = 0;  // newlines before `counted` are in `line`
  const auto skip_blanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) {
      ++i;
    }
  };
  while (i < text.size()) {
    skip_blanks();
    if (i >= text.size()) {
      break;
    }
    const char c = text[i];
    if (c == '\n') {
      ++i;
    } else if (c == '#' || c == ';') {
      while (i < text.size() && text[i] != '\n') {
        ++i;
      }
    } else if (c == '[') {
      ++i;
      if (!parse_header(text, i, entry)) {
        return;
      }
      in_section = true;
    } else {
      std::size_t end = i;
      while (end < text.size() && is_key_char(text[end])) {
        ++end;
      }
      entry.key = lower(text.substr(i, end - i));
      i = end;
      skip_blanks();
      entry.value.reset();
      if (i < text.size() && text[i] == '=') {
        ++i;
        skip_blanks();
        entry.value = parse_value(text, i);
      } else {
        // A key without "=" is a boolean true; anything else on the line is
        // passed over.
        while (i < text.size() && text[i] != '\n') {
          ++i;
        }
      }
      if (!in_section || entry.key.empty()) {
        continue;
      }
      line +=
          static_cast<std::size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                                              text.begin() + static_cast<std::ptrdiff_t>(i), '\n'));
      counted = i;
      entry.line = line;
      take(entry);
    }
  }
}

std::string checked_out_branch(const fs::path& git_dir) {
  const fs::path head = git_dir / "HEAD";
  std::string ref;
  std::error_code error;
  if (fs::is_symlink(head, error)) {
    const fs::path target = fs::read_symlink(head, error);
    if (error) {
      return {};
    }
    ref = platform::generic_utf8(target);
  } else {
    const std::string bytes = read_small(head);
    std::string_view named = bytes;
    if (named.rfind("ref:", 0) != 0) {
      return {};
    }
    named.remove_prefix(4);
    while (!named.empty() && (named.front() == ' ' || named.front() == '\t')) {
      named.remove_prefix(1);
    }
    while (!named.empty() && (named.back() == '\n' || named.back() == '\r' || named.back() == ' ' ||
                              named.back() == '\t')) {
      named.remove_suffix(1);
    }
    ref = named;
  }
  constexpr std::string_view heads = "refs/heads/";
  return ref.rfind(heads, 0) == 0 ? ref.substr(heads.size()) : std::string();
}

config_reader::config_reader(repository_facts repository, std::optional<fs::path> home)
    : repository_(std::move(repository)), home_(std::move(home)) {
  if (!repository_.git_dir.empty()) {
    real_git_dir_ = real_text(repository_.git_dir);
    found_git_dir_ = match_text(repository_.git_dir);
  }
}

void config_reader::read(const fs::path& file) {
  read_text(file, read_small(file), 0);
}

void config_reader::read_text(const fs::path& file, std::string_view text, int depth) {
  parse_config(text, [&](const config_entry& entry) {
    if (entry.section == "core" && !entry.has_subsection) {
      if (entry.key == "excludesfile" && entry.value) {
        settings_.excludes_file = *entry.value;
      } else if (entry.key == "ignorecase") {
        const std::optional<bool> flag =
            entry.value ? parse_bool(*entry.value) : std::optional<bool>(true);
        if (flag) {
          settings_.ignore_case = flag;
        }
      }
    } else if (entry.key == "path" && ((entry.section == "include" && !entry.has_subsection) ||
                                       (entry.section == "includeif" && entry.has_subsection &&
                                        condition_holds(entry.subsection, file)))) {
      include(entry, file, depth);
    }
  });
}

void config_reader::include(const config_entry& entry, const fs::path& from, int depth) {
  if (!entry.value) {
    fail(bad_line(entry.line, from));
  }
  const std::string_view named = *entry.value;
  fs::path target;
  if (named == "~" || named.rfind("~/", 0) == 0) {
    if (!home_) {
      return;
    }
    target = named.size() <= 2 ? *home_ : *home_ / utf8_path(named.substr(2));
  } else {
    const fs::path path = utf8_path(named);
    target = path.is_absolute() ? path : from.parent_path() / path;
  }

  std::error_code error;
  const fs::file_status status = fs::status(target, error);
  if (status.type() == fs::file_type::not_found) {
    return;  // a missing file (or a path through a file) is passed over, as git does
  }
  const std::string shown = platform::generic_utf8(target);
  if (error) {
    fail("unable to access '" + shown + "': " + error.message());
  }
  if (depth >= max_include_depth) {
    fail("exceeded maximum include depth (" + std::to_string(max_include_depth) +
         ") while including\n\t" + shown + "\nfrom\n\t" + platform::generic_utf8(from) +
         "\nThis might be due to circular includes.");
  }
  if (fs::is_directory(status)) {
    fail(bad_line(entry.line, from));
  }
  {
    // read_all reports nothing, but git stops at a file it may not read.
    errno = 0;
    const std::ifstream probe(target, std::ios::binary);
    if (!probe.is_open()) {
      const int code = errno != 0 ? errno : EACCES;
      fail("unable to access '" + shown + "': " + std::generic_category().message(code));
    }
  }
  std::string bytes;
  filesystem::read_all(target, bytes);
  read_text(target, bytes, depth + 1);
}

bool config_reader::condition_holds(std::string_view condition, const fs::path& from) const {
  constexpr std::string_view gitdir = "gitdir:";
  constexpr std::string_view gitdir_i = "gitdir/i:";
  constexpr std::string_view onbranch = "onbranch:";
  if (condition.rfind(gitdir, 0) == 0) {
    return git_dir_matches(condition.substr(gitdir.size()), from, false);
  }
  if (condition.rfind(gitdir_i, 0) == 0) {
    return git_dir_matches(condition.substr(gitdir_i.size()), from, true);
  }
  if (condition.rfind(onbranch, 0) == 0) {
    if (repository_.branch.empty()) {
      return false;
    }
    std::string pattern(condition.substr(onbranch.size()));
    if (!pattern.empty() && pattern.back() == '/') {
      pattern += "**";
    }
    return wildmatch(pattern, repository_.branch);
  }
  return false;
}

bool config_reader::git_dir_matches(std::string_view written, const fs::path& from,
                                    bool ignore_case) const {
  if (repository_.git_dir.empty()) {
    return false;
  }
  // A folder put in for "~/" or "./" is matched as it is spelt, with its
  // symbolic links resolved: a "*" or "[" in its name is no wildcard.
  std::string literal;
  std::string pattern;
  if (written.rfind("~/", 0) == 0) {
    if (!home_) {
      return false;
    }
    literal = real_text(*home_);
    pattern = written.substr(1);
  } else if (written.rfind("./", 0) == 0) {
    literal = real_text(from.parent_path());
    pattern = written.substr(1);
  } else if (is_absolute_text(written)) {
    pattern = written;
  } else {
    pattern = "**/";
    pattern += written;
  }
  if (!pattern.empty() && pattern.back() == '/') {
    pattern += "**";
  }
  for (const std::string* text : {&real_git_dir_, &found_git_dir_}) {
    if (starts_with(*text, literal, ignore_case) &&
        wildmatch(pattern, std::string_view(*text).substr(literal.size()), ignore_case)) {
      return true;
    }
  }
  return false;
}

std::size_t object_hash_size(const fs::path& repository_config) {
  std::optional<std::string> format;
  parse_config(read_small(repository_config), [&](const config_entry& entry) {
    if (entry.section == "extensions" && !entry.has_subsection && entry.key == "objectformat") {
      format = entry.value;
    }
  });
  return format == "sha256" ? 32 : 20;
}

}  // namespace quorvel::git::detail

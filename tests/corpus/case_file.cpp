#include "tests/corpus/case_file.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace quorvel::corpus {
namespace {

// Appends the UTF-8 form of `code_point`.
void append_utf8(std::string& out, std::uint32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

std::string_view trim_start(std::string_view text) {
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  return text;
}

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Cuts the next token off `rest`: a quoted string (unescaped) or a raw run of
// non-space characters. Throws std::invalid_argument.
std::string take_token(std::string_view& rest) {
  rest = trim_start(rest);
  if (rest.empty()) {
    throw std::invalid_argument("a token is missing");
  }
  if (rest.front() != '"') {
    const std::size_t end = std::min(rest.find(' '), rest.size());
    std::string token(rest.substr(0, end));
    rest.remove_prefix(end);
    return token;
  }
  std::size_t i = 1;
  while (i < rest.size() && rest[i] != '"') {
    i += rest[i] == '\\' ? 2 : 1;
  }
  if (i >= rest.size()) {
    throw std::invalid_argument("a quoted token has no closing quote");
  }
  std::string token = unescape(rest.substr(1, i - 1));
  rest.remove_prefix(i + 1);
  if (!rest.empty() && rest.front() != ' ') {
    throw std::invalid_argument("a quoted token runs into the next one");
  }
  return token;
}

// A relative path below the test folder: no leading "/", no "." or ".."
// elements, no empty elements.
bool is_plain_relative(std::string_view path) {
  if (path.empty() || path.front() == '/' || path.back() == '/') {
    return false;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view element = path.substr(start, end - start);
    if (element.empty() || element == "." || element == "..") {
      return false;
    }
    if (end == path.size()) {
      return true;
    }
    start = end + 1;
  }
}

bool parse_verdict(std::string_view word, bool& ignored) {
  if (word == "ignored") {
    ignored = true;
    return true;
  }
  if (word == "kept") {
    ignored = false;
    return true;
  }
  return false;
}

class case_parser {
 public:
  case_parser(std::string_view text, std::string source) : source_(std::move(source)) {
    std::size_t start = 0;
    while (start <= text.size()) {
      const std::size_t end = std::min(text.find('\n', start), text.size());
      lines_.emplace_back(text.substr(start, end - start));
      start = end + 1;
    }
    // A final line end leaves no line behind it.
    if (!lines_.empty() && lines_.back().empty()) {
      lines_.pop_back();
    }
  }

  corpus_case parse(std::string name) {
    result_.name = std::move(name);
    if (lines_.empty() || !starts_with(lines_[0], "# ") || lines_[0].size() < 3) {
      fail(1, "the first line must be \"# \" and what the case tests");
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      line_number_ = static_cast<int>(i) + 1;
      check_visible(lines_[i]);
    }
    result_.description = lines_[0].substr(2);
    bool has_tags = false;
    bool has_exit = false;
    for (std::size_t i = 1; i < lines_.size(); ++i) {
      line_number_ = static_cast<int>(i) + 1;
      const std::string_view line = lines_[i];
      try {
        if (line.empty() || line.front() == '#') {
          continue;
        }
        if (starts_with(line, "  ")) {
          block_line(line.substr(2));
        } else if (starts_with(line, "tags:")) {
          has_tags = true;
          block_ = block::none;
          tags_line(line.substr(5));
        } else if (line == "tree:") {
          block_ = block::tree;
        } else if (line == "expect:") {
          block_ = block::expect;
        } else if (starts_with(line, "rules ") && line.back() == ':') {
          block_ = block::rules;
          rules_header(line.substr(6, line.size() - 7));
        } else if (starts_with(line, "git config:")) {
          block_ = block::none;
          std::string_view rest = line.substr(11);
          std::string key = take_token(rest);
          std::string value = take_token(rest);
          if (!trim_start(rest).empty()) {
            throw std::invalid_argument("git config: takes a key and a value");
          }
          result_.git_config.emplace_back(std::move(key), std::move(value));
        } else if (line == "tracked:") {
          block_ = block::tracked;
        } else if (starts_with(line, "index:")) {
          block_ = block::none;
          index_line(line.substr(6));
        } else if (starts_with(line, "exit:")) {
          has_exit = true;
          block_ = block::none;
          exit_line(line.substr(5));
        } else {
          throw std::invalid_argument("unknown line");
        }
      } catch (const std::invalid_argument& problem) {
        fail(line_number_, problem.what());
      }
    }
    if (!has_tags || result_.tags.empty()) {
      fail(1, "the case has no tags");
    }
    if (!has_exit) {
      result_.exit_code = 0;
    }
    return std::move(result_);
  }

 private:
  enum class block { none, tree, rules, expect, tracked };

  [[noreturn]] void fail(int line, const std::string& message) const {
    throw case_error(source_ + ":" + std::to_string(line) + ": " + message);
  }

  void check_visible(std::string_view line) const {
    if (line.find('\t') != std::string_view::npos || line.find('\r') != std::string_view::npos) {
      fail(line_number_, "tabs and carriage returns must be written as \\t and \\r");
    }
    if (!line.empty() && line.back() == ' ') {
      fail(line_number_, "trailing spaces must be written inside a quoted token");
    }
  }

  void tags_line(std::string_view text) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = std::min(text.find(',', start), text.size());
      std::string_view tag = trim_start(text.substr(start, end - start));
      if (tag.empty()) {
        throw std::invalid_argument("an empty tag");
      }
      result_.tags.emplace_back(tag);
      if (end == text.size()) {
        break;
      }
      start = end + 1;
    }
  }

  void rules_header(std::string_view text) {
    std::string path = take_token(text);
    if (!trim_start(text).empty()) {
      throw std::invalid_argument("a rules header names one file");
    }
    if (path != "../.gitignore" && path != "../../.gitignore" && path != info_exclude_file &&
        path != global_excludes_file && !is_plain_relative(path)) {
      throw std::invalid_argument(
          "a rule file lies below the test folder, or is ../.gitignore, ../../.gitignore, " +
          std::string(info_exclude_file) + " or " + global_excludes_file);
    }
    for (const rule_file& file : result_.rule_files) {
      if (file.path == path) {
        throw std::invalid_argument("the rule file " + path + " is given twice");
      }
    }
    result_.rule_files.push_back({std::move(path), {}, line_number_});
  }

  void exit_line(std::string_view text) {
    text = trim_start(text);
    if (text == "0") {
      result_.exit_code = 0;
      return;
    }
    if (!starts_with(text, "4 at ")) {
      throw std::invalid_argument("exit is \"0\" or \"4 at <rule file>:<line>\"");
    }
    text.remove_prefix(5);
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon + 1 == text.size()) {
      throw std::invalid_argument("exit 4 names <rule file>:<line>");
    }
    result_.exit_code = 4;
    result_.error_file = std::string(text.substr(0, colon));
    result_.error_line = std::stoi(std::string(text.substr(colon + 1)));
  }

  void block_line(std::string_view text) {
    switch (block_) {
      case block::none:
        throw std::invalid_argument("an indented line outside a block");
      case block::tree:
        if (!text.empty() && text.front() != '#') {
          tree_line(text);
        }
        return;
      case block::rules:
        rules_line(text);
        return;
      case block::expect:
        if (!text.empty() && text.front() != '#') {
          expect_line(text);
        }
        return;
      case block::tracked:
        if (!text.empty() && text.front() != '#') {
          tracked_line(text);
        }
        return;
    }
  }

  void index_line(std::string_view text) {
    std::string form = take_token(text);
    if (!trim_start(text).empty() ||
        (form != "v2" && form != "v3" && form != "v4" && form != "split")) {
      throw std::invalid_argument("index is v2, v3, v4 or split");
    }
    if (!result_.index_form.empty()) {
      throw std::invalid_argument("the index form is given twice");
    }
    result_.index_form = std::move(form);
  }

  void tracked_line(std::string_view text) {
    tracked_path entry;
    entry.line = line_number_;
    entry.path = take_token(text);
    if (!is_plain_relative(entry.path)) {
      throw std::invalid_argument("a tracked path is relative, without \".\" or \"..\" elements");
    }
    text = trim_start(text);
    if (!text.empty()) {
      const std::string marker = take_token(text);
      if (marker == "deleted") {
        entry.kind = tracked_kind::deleted;
      } else if (marker == "rm-cached") {
        entry.kind = tracked_kind::rm_cached;
      } else if (marker == "intent-to-add") {
        entry.kind = tracked_kind::intent_to_add;
      } else if (marker == "gitlink") {
        entry.kind = tracked_kind::gitlink;
      } else {
        throw std::invalid_argument(
            "a tracked path is marked deleted, rm-cached, intent-to-add or gitlink");
      }
      if (!trim_start(text).empty()) {
        throw std::invalid_argument("unexpected text after the marker");
      }
    }
    for (const tracked_path& other : result_.tracked) {
      if (other.path == entry.path) {
        throw std::invalid_argument("the tracked path " + entry.path + " is given twice");
      }
    }
    result_.tracked.push_back(std::move(entry));
  }

  void tree_line(std::string_view text) {
    const std::string kind = take_token(text);
    tree_entry entry;
    entry.line = line_number_;
    entry.path = take_token(text);
    if (!is_plain_relative(entry.path)) {
      throw std::invalid_argument("a tree path is relative, without \".\" or \"..\" elements");
    }
    text = trim_start(text);
    if (kind == "file") {
      entry.kind = entry_kind::file;
      if (!text.empty()) {
        if (!starts_with(text, "=")) {
          throw std::invalid_argument("a file's content follows \"=\"");
        }
        text.remove_prefix(1);
        text = trim_start(text);
        if (text.empty() || text.front() != '"') {
          throw std::invalid_argument("a file's content is a quoted token");
        }
        entry.content = take_token(text);
      }
    } else if (kind == "dir") {
      entry.kind = entry_kind::folder;
    } else if (kind == "link") {
      entry.kind = entry_kind::link;
      if (!starts_with(text, "->")) {
        throw std::invalid_argument("a link's target follows \"->\"");
      }
      text.remove_prefix(2);
      entry.content = take_token(text);
    } else {
      throw std::invalid_argument("a tree line is file, dir or link");
    }
    if (!trim_start(text).empty()) {
      throw std::invalid_argument("unexpected text after the entry");
    }
    for (const tree_entry& other : result_.tree) {
      if (other.path == entry.path) {
        throw std::invalid_argument("the entry " + entry.path + " is given twice");
      }
    }
    result_.tree.push_back(std::move(entry));
  }

  void rules_line(std::string_view text) {
    std::string& bytes = result_.rule_files.back().bytes;
    if (!text.empty() && text.front() == '"') {
      std::string_view rest = text;
      bytes += take_token(rest);
      if (!trim_start(rest).empty()) {
        throw std::invalid_argument("a quoted rule line is one token");
      }
      return;
    }
    if (text.empty()) {
      throw std::invalid_argument("an empty rule line is written \"\\n\"");
    }
    bytes += text;
    bytes += '\n';
  }

  void expect_line(std::string_view text) {
    expectation entry;
    entry.line = line_number_;
    entry.path = take_token(text);
    if (entry.path != "." && !is_plain_relative(entry.path)) {
      throw std::invalid_argument("an expectation's path is \".\" or relative");
    }
    if (!parse_verdict(take_token(text), entry.ignored)) {
      throw std::invalid_argument("the verdict is \"ignored\" or \"kept\"");
    }
    std::string_view rest = trim_start(text);

    // git's verdict and the cause of a disagreement close the line.
    const std::size_t git =
        rest == std::string_view("git") || starts_with(rest, "git ") ? 0 : rest.find(" git ");
    if (git != std::string_view::npos) {
      std::string_view tail = rest.substr(git);
      rest = rest.substr(0, git);
      if (take_token(tail) != "git") {
        throw std::invalid_argument("expected \"git\"");
      }
      bool git_ignored = false;
      if (!parse_verdict(take_token(tail), git_ignored)) {
        throw std::invalid_argument("git's verdict is \"ignored\" or \"kept\"");
      }
      entry.git_ignored = git_ignored;
      if (!trim_start(tail).empty()) {
        if (take_token(tail) != "why") {
          throw std::invalid_argument("expected \"why\" after git's verdict");
        }
        entry.why = take_token(tail);
        if (!trim_start(tail).empty()) {
          throw std::invalid_argument("unexpected text after the cause");
        }
      }
    }
    while (!rest.empty() && rest.back() == ' ') {
      rest.remove_suffix(1);
    }

    if (rest.empty()) {
      if (entry.ignored) {
        throw std::invalid_argument("an ignored entry names its rule: <rule> or \"rule\"");
      }
    } else {
      if (!entry.ignored) {
        throw std::invalid_argument("a kept entry has no rule");
      }
      if (rest.front() == '"') {
        entry.rule = take_token(rest);
        rest = trim_start(rest);
      } else if (rest.front() == '<') {
        // <rule> alone ends in ">"; with a regular expression, "> /" separates the two.
        const std::size_t close = rest.back() == '>'   ? rest.size() - 1
                                  : rest.back() == '/' ? rest.find("> /")
                                                       : std::string_view::npos;
        if (close == std::string_view::npos || close == 0) {
          throw std::invalid_argument("a rule is written <rule>");
        }
        entry.rule = std::string(rest.substr(1, close - 1));
        rest = trim_start(rest.substr(close + 1));
      } else {
        throw std::invalid_argument("a rule is written <rule> or \"rule\"");
      }
      if (!rest.empty()) {
        if (rest.size() < 2 || rest.front() != '/' || rest.back() != '/') {
          throw std::invalid_argument("a regular expression is written /regex/");
        }
        entry.regex = std::string(rest.substr(1, rest.size() - 2));
      }
    }
    for (const expectation& other : result_.expectations) {
      if (other.path == entry.path) {
        throw std::invalid_argument("the entry " + entry.path + " is expected twice");
      }
    }
    result_.expectations.push_back(std::move(entry));
  }

  std::string source_;
  std::vector<std::string> lines_;
  int line_number_ = 0;
  block block_ = block::none;
  corpus_case result_;
};

std::string read_text(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios_base::binary);
  if (!stream) {
    throw case_error(file.string() + ":0: cannot be read");
  }
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

}  // namespace

std::string unescape(std::string_view token) {
  std::string out;
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (token[i] == '"') {
      throw std::invalid_argument("a double quote inside a quoted token is written \\\"");
    }
    if (token[i] != '\\') {
      out += token[i];
      continue;
    }
    if (++i == token.size()) {
      throw std::invalid_argument("a quoted token ends in a lone backslash");
    }
    switch (token[i]) {
      case '\\':
        out += '\\';
        break;
      case '"':
        out += '"';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case '0':
        out += '\0';
        break;
      case 'x': {
        const int high = i + 1 < token.size() ? hex_digit(token[i + 1]) : -1;
        const int low = i + 2 < token.size() ? hex_digit(token[i + 2]) : -1;
        if (high < 0 || low < 0) {
          throw std::invalid_argument("\\x takes two hexadecimal digits");
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      case 'u': {
        const std::size_t close = token.find('}', i);
        if (i + 1 >= token.size() || token[i + 1] != '{' || close == std::string_view::npos ||
            close == i + 2 || close - i - 2 > 6) {
          throw std::invalid_argument("\\u is written \\u{HEX}");
        }
        std::uint32_t code_point = 0;
        for (std::size_t k = i + 2; k < close; ++k) {
          const int digit = hex_digit(token[k]);
          if (digit < 0) {
            throw std::invalid_argument("\\u{...} holds hexadecimal digits");
          }
          code_point = code_point * 16 + static_cast<std::uint32_t>(digit);
        }
        if (code_point > 0x10FFFF) {
          throw std::invalid_argument("\\u{...} is beyond U+10FFFF");
        }
        append_utf8(out, code_point);
        i = close;
        break;
      }
      default:
        throw std::invalid_argument(std::string("unknown escape \\") + token[i]);
    }
  }
  return out;
}

std::string quote(std::string_view bytes) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        if (byte < 0x20 || byte >= 0x7F) {
          out += "\\x";
          out += digits[byte >> 4];
          out += digits[byte & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

corpus_case parse_case(std::string_view text, const std::string& source, std::string name) {
  return case_parser(text, source).parse(std::move(name));
}

corpus_case read_case(const std::filesystem::path& file) {
  return parse_case(read_text(file), file.string(), file.stem().string());
}

bool catalogue::has_tag(std::string_view tag) const {
  return std::any_of(tags.begin(), tags.end(),
                     [&](const auto& entry) { return entry.first == tag; });
}

bool catalogue::has_cause(std::string_view key) const {
  return std::any_of(causes.begin(), causes.end(),
                     [&](const auto& entry) { return entry.first == key; });
}

catalogue read_catalogue(const std::filesystem::path& file) {
  const std::string text = read_text(file);
  catalogue result;
  std::istringstream lines(text);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (line.empty() || line.front() == '#') {
      continue;
    }
    const bool is_tag = starts_with(line, "tag ");
    const bool is_cause = starts_with(line, "why ");
    const std::size_t colon = line.find(": ", 4);
    if ((!is_tag && !is_cause) || colon == std::string::npos || colon == 4) {
      throw case_error(file.string() + ":" + std::to_string(number) +
                       ": expected \"tag <tag>: <text>\" or \"why <key>: <text>\"");
    }
    auto entry = std::make_pair(line.substr(4, colon - 4), line.substr(colon + 2));
    auto& list = is_tag ? result.tags : result.causes;
    if (std::any_of(list.begin(), list.end(),
                    [&](const auto& e) { return e.first == entry.first; })) {
      throw case_error(file.string() + ":" + std::to_string(number) + ": " + entry.first +
                       " is given twice");
    }
    list.push_back(std::move(entry));
  }
  return result;
}

std::vector<std::filesystem::path> list_case_files(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().extension() == ".case") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace quorvel::corpus

#include "tests/corpus/check.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace quorvel::corpus {
namespace {

constexpr std::string_view summary_rule = "========================";

std::string parent_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool ends_with(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string digit(bool value) {
  return value ? "1" : "0";
}

// The number of lines a rule file's bytes hold, as an editor counts them (and
// the reader's messages number them): "\r\n", a lone "\r" and "\n" each end one.
int count_lines(const std::string& bytes) {
  int lines = 1;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))) {
      ++lines;
    }
  }
  return lines;
}

const expectation* find_expectation(const corpus_case& the_case, const std::string& path) {
  for (const expectation& entry : the_case.expectations) {
    if (entry.path == path) {
      return &entry;
    }
  }
  return nullptr;
}

// A known entry line, cut into its parts.
struct entry_line {
  bool ok = false;
  bool walker_ignored = false;
  bool git_ignored = false;
  std::string path;  // relative, without the leading "/"
  std::string rule_part;
};

// Cuts `line` into an entry line, or returns a description of what is wrong.
// `known` maps every known entry's path, with its leading "/", to anything.
template <class Known>
std::optional<entry_line> parse_entry_line(std::string_view line, const Known& known,
                                           std::string& problem) {
  if (line.size() < 12 || (line.substr(0, 3) != " OK" && line.substr(0, 3) != "ERR") ||
      line.substr(3, 3) != " : " || (line[6] != '0' && line[6] != '1') ||
      (line[7] != '0' && line[7] != '1') || line.substr(8, 3) != " - " || line[11] != '/') {
    problem = "not an entry line: " + quote(line);
    return std::nullopt;
  }
  entry_line parsed;
  parsed.ok = line[0] == ' ';
  parsed.walker_ignored = line[6] == '1';
  parsed.git_ignored = line[7] == '1';
  const std::string_view rest = line.substr(11);
  // The longest known path that the rest spells, alone or before a rule part.
  std::size_t best = std::string::npos;
  for (const auto& [path, unused] : known) {
    if (rest.size() >= path.size() && rest.substr(0, path.size()) == path &&
        (rest.size() == path.size() || starts_with(rest.substr(path.size()), " <")) &&
        (best == std::string::npos || path.size() > best)) {
      best = path.size();
    }
  }
  if (best == std::string::npos) {
    problem = "an entry line names no entry of the case: " + quote(line);
    return std::nullopt;
  }
  parsed.path = std::string(rest.substr(0, best));
  parsed.rule_part = std::string(rest.substr(best));
  return parsed;
}

// Checks the order of the entry lines of a completed walk.
void check_order(const std::vector<std::string>& paths, const std::vector<walk_entry>& tree,
                 std::vector<std::string>& problems) {
  std::map<std::string, const walk_entry*> by_path;
  std::map<std::string, std::vector<const walk_entry*>> children;
  for (const walk_entry& entry : tree) {
    by_path[entry.path] = &entry;
    children[parent_of(entry.path)].push_back(&entry);
  }
  // The run of consecutive lines with one parent is that folder's listing.
  std::vector<std::string> stack;
  std::set<std::string> listed;
  std::size_t start = 0;
  while (start < paths.size()) {
    const std::string folder = parent_of(paths[start]);
    std::size_t end = start;
    while (end < paths.size() && parent_of(paths[end]) == folder) {
      ++end;
    }
    if (!listed.insert(folder).second) {
      problems.push_back("the entries of " + quote(folder) + " do not come out together");
    }
    // The listing: its directories ascending, then its other entries ascending.
    std::vector<const walk_entry*> wanted = children[folder];
    std::sort(wanted.begin(), wanted.end(), [](const walk_entry* a, const walk_entry* b) {
      if (a->is_directory != b->is_directory) {
        return a->is_directory;
      }
      return name_of(a->path) < name_of(b->path);
    });
    std::vector<std::string> got(paths.begin() + static_cast<std::ptrdiff_t>(start),
                                 paths.begin() + static_cast<std::ptrdiff_t>(end));
    std::vector<std::string> expected;
    for (const walk_entry* entry : wanted) {
      expected.push_back(entry->path);
    }
    if (got != expected) {
      // Appended piece by piece: g++ 12 at -O3 takes `" " + quote(path)` for
      // an overlapping copy (a false -Wrestrict).
      std::string text = "the listing of " + quote(folder) + " is";
      for (const std::string& path : got) {
        text.append(" ").append(quote(path));
      }
      text += " but should be";
      for (const std::string& path : expected) {
        text.append(" ").append(quote(path));
      }
      problems.push_back(text);
    }
    // Depth first: the folder's parent is the last listed folder or one of
    // those whose subtree the walk is still in.
    if (folder == ".") {
      if (!stack.empty()) {
        problems.push_back("the test folder is not listed first");
      }
    } else {
      const auto entry = by_path.find(folder);
      if (entry == by_path.end() || !entry->second->is_listed) {
        problems.push_back(quote(folder) + " is listed but is not a folder the walk enters");
      }
      while (!stack.empty() && stack.back() != parent_of(folder)) {
        stack.pop_back();
      }
      if (stack.empty()) {
        problems.push_back(quote(folder) + " is listed outside the subtree of its parent");
      }
    }
    stack.push_back(folder);
    start = end;
  }
}

// The output cut at its line ends; a last line without one is a problem.
std::vector<std::string> split_lines(std::string_view output, std::vector<std::string>& problems) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < output.size()) {
    const std::size_t end = output.find('\n', start);
    if (end == std::string_view::npos) {
      problems.push_back("the output does not end with a line end");
      lines.emplace_back(output.substr(start));
      break;
    }
    lines.emplace_back(output.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Whether the four lines before the end of `lines` are a summary; returns its
// text line.
std::optional<std::string> summary_of(const std::vector<std::string>& lines) {
  if (lines.size() >= 4 && lines[lines.size() - 4].empty() &&
      lines[lines.size() - 3] == summary_rule && lines[lines.size() - 1] == summary_rule) {
    return lines[lines.size() - 2];
  }
  return std::nullopt;
}

std::string wanted_summary(int err_lines) {
  return err_lines == 0 ? std::string("All OK") : "Errors : " + std::to_string(err_lines);
}

bool is_git_folder(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(folder / "HEAD", error) ||
      !std::filesystem::is_directory(folder / "objects", error) ||
      !std::filesystem::is_directory(folder / "refs", error)) {
    return false;
  }
  std::ifstream stream(folder / "HEAD", std::ios_base::binary);
  std::string head;
  std::getline(stream, head);
  if (starts_with(head, "ref: refs/")) {
    return true;
  }
  return head.size() == 40 && std::all_of(head.begin(), head.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

// The tracked block names what git can put in the index: files and links
// that the case makes (git add takes no folder as one entry), paths that are
// not there for the deleted ones, and for a gitlink an empty folder or
// nothing, since a path inside a submodule makes git check-ignore fail.
void check_tracked(const corpus_case& the_case, const std::set<std::string>& paths,
                   std::vector<std::string>& problems) {
  const auto at = [&](int line) { return the_case.name + ".case:" + std::to_string(line) + ": "; };
  for (const tracked_path& entry : the_case.tracked) {
    const auto in_tree =
        std::find_if(the_case.tree.begin(), the_case.tree.end(),
                     [&](const tree_entry& made) { return made.path == entry.path; });
    const bool is_rule_file =
        std::any_of(the_case.rule_files.begin(), the_case.rule_files.end(),
                    [&](const rule_file& file) { return file.path == entry.path; });
    const bool is_file_or_link =
        is_rule_file || (in_tree != the_case.tree.end() && in_tree->kind != entry_kind::folder);
    const bool has_inside = std::any_of(paths.begin(), paths.end(), [&](const std::string& path) {
      return starts_with(path, entry.path + "/");
    });
    if (entry.path == "i.txt") {
      problems.push_back(at(entry.line) +
                         "i.txt is written after the index, so it is never tracked");
    } else if (entry.kind == tracked_kind::deleted) {
      if (paths.count(entry.path) != 0) {
        problems.push_back(at(entry.line) + "the deleted path " + quote(entry.path) +
                           " is not in the work tree, so the case does not make it");
      }
    } else if (entry.kind == tracked_kind::gitlink) {
      if (is_file_or_link || has_inside) {
        problems.push_back(at(entry.line) + "the gitlink " + quote(entry.path) +
                           " is an empty folder of the tree or not there");
      }
    } else if (!is_file_or_link) {
      problems.push_back(at(entry.line) + "the tracked path " + quote(entry.path) +
                         " is a file or link that the case makes");
    }
  }
}

}  // namespace

bool is_repository(const std::filesystem::path& folder) {
  const std::filesystem::path git = folder / ".git";
  std::error_code error;
  if (std::filesystem::is_directory(git, error)) {
    return is_git_folder(git);
  }
  if (!std::filesystem::is_regular_file(git, error)) {
    return false;
  }
  std::ifstream stream(git, std::ios_base::binary);
  std::string text;
  std::getline(stream, text);
  if (!starts_with(text, "gitdir: ")) {
    return false;
  }
  if (!text.empty() && text.back() == '\r') {
    text.pop_back();
  }
  return is_git_folder(folder / text.substr(8));
}

std::vector<walk_entry> list_git_tree(const std::filesystem::path& folder) {
  std::vector<walk_entry> entries;
  const std::string prefix = folder.string() + "/";
  for (auto it = std::filesystem::recursive_directory_iterator(folder);
       it != std::filesystem::recursive_directory_iterator(); ++it) {
    if (it->path().filename() == ".git") {
      it.disable_recursion_pending();
      continue;
    }
    walk_entry entry;
    entry.path = it->path().string().substr(prefix.size());
    std::error_code error;
    entry.is_directory = std::filesystem::is_directory(it->path(), error);
    entry.is_listed = it->is_directory() && !it->is_symlink() && !is_repository(it->path());
    if (entry.is_listed != (it->is_directory() && !it->is_symlink())) {
      it.disable_recursion_pending();
    }
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const walk_entry& a, const walk_entry& b) { return a.path < b.path; });
  return entries;
}

std::vector<walk_entry> list_tree(const std::filesystem::path& folder) {
  std::vector<walk_entry> entries;
  const std::string prefix = folder.string() + "/";
  for (auto it = std::filesystem::recursive_directory_iterator(folder);
       it != std::filesystem::recursive_directory_iterator(); ++it) {
    walk_entry entry;
    entry.path = it->path().string().substr(prefix.size());
    std::error_code error;
    entry.is_listed = it->is_directory() && !it->is_symlink();
    entry.is_directory = std::filesystem::is_directory(it->path(), error);
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const walk_entry& a, const walk_entry& b) { return a.path < b.path; });
  return entries;
}

std::set<std::string> declared_paths(const corpus_case& the_case) {
  std::set<std::string> paths = {"i.txt"};
  const auto add = [&paths](std::string path) {
    for (;;) {
      paths.insert(path);
      const std::size_t slash = path.rfind('/');
      if (slash == std::string::npos) {
        return;
      }
      path.resize(slash);
    }
  };
  for (const tree_entry& entry : the_case.tree) {
    add(entry.path);
  }
  for (const rule_file& file : the_case.rule_files) {
    if (!starts_with(file.path, "../") && !starts_with(file.path, "~/")) {
      add(file.path);
    }
  }
  // A tracked file deleted from the work tree leaves the folders above it.
  for (const tracked_path& entry : the_case.tracked) {
    const std::size_t slash = entry.path.rfind('/');
    if (entry.kind == tracked_kind::deleted && slash != std::string::npos) {
      add(entry.path.substr(0, slash));
    }
  }
  return paths;
}

std::vector<std::string> check_case(const corpus_case& the_case, const catalogue& known) {
  std::vector<std::string> problems;
  const auto at = [&](int line) { return the_case.name + ".case:" + std::to_string(line) + ": "; };
  for (const std::string& tag : the_case.tags) {
    if (!known.has_tag(tag)) {
      problems.push_back(at(2) + "the tag " + quote(tag) + " is not in the catalogue");
    }
  }
  const std::set<std::string> paths = declared_paths(the_case);
  std::set<std::string> links;
  for (const tree_entry& entry : the_case.tree) {
    if (entry.path == "i.txt") {
      problems.push_back(at(entry.line) + "i.txt is git's listing, which the case does not make");
    }
    if (entry.kind == entry_kind::link) {
      links.insert(entry.path);
    }
  }
  for (const std::string& path : paths) {
    for (const std::string& link : links) {
      if (starts_with(path, link + "/")) {
        problems.push_back(at(1) + quote(path) + " lies below the link " + quote(link));
      }
    }
  }
  for (const rule_file& file : the_case.rule_files) {
    for (const tree_entry& entry : the_case.tree) {
      if (entry.path == file.path) {
        problems.push_back(at(file.line) + quote(file.path) +
                           " is both a rule file and in the tree");
      }
    }
  }
  check_tracked(the_case, paths, problems);
  for (const expectation& entry : the_case.expectations) {
    if (entry.path != "." && paths.count(entry.path) == 0) {
      problems.push_back(at(entry.line) + "the case makes no entry " + quote(entry.path));
    }
    const bool differs = entry.git_ignored.has_value() && *entry.git_ignored != entry.ignored;
    if (differs && entry.why.empty()) {
      problems.push_back(at(entry.line) + "a disagreement with git names its cause (why ...)");
    }
    if (!differs && !entry.why.empty()) {
      problems.push_back(at(entry.line) + "a cause is named only where git disagrees");
    }
    if (!entry.why.empty() && !known.has_cause(entry.why)) {
      problems.push_back(at(entry.line) + "the cause " + quote(entry.why) +
                         " is not in the catalogue");
    }
  }
  if (the_case.exit_code == 4) {
    const auto file =
        std::find_if(the_case.rule_files.begin(), the_case.rule_files.end(),
                     [&](const rule_file& f) { return f.path == the_case.error_file; });
    if (file == the_case.rule_files.end()) {
      problems.push_back(at(1) + "exit 4 names " + quote(the_case.error_file) +
                         ", which is not a rule file of the case");
    } else if (the_case.error_line < 1 || the_case.error_line > count_lines(file->bytes)) {
      problems.push_back(at(1) + "exit 4 names a line that " + quote(the_case.error_file) +
                         " does not have");
    }
  }
  return problems;
}

std::map<std::string, expected_verdict> expected_verdicts(const corpus_case& the_case,
                                                          const std::vector<walk_entry>& tree,
                                                          std::vector<std::string>& problems) {
  std::map<std::string, expected_verdict> result;
  expected_verdict root;
  if (const expectation* stated = find_expectation(the_case, ".")) {
    root.ignored = stated->ignored;
    root.rule = stated->rule;
    root.regex = stated->regex;
    root.git_ignored = stated->git_ignored.value_or(false);
    root.why = stated->why;
  }
  std::vector<const walk_entry*> ordered;
  for (const walk_entry& entry : tree) {
    ordered.push_back(&entry);
  }
  // Parents before their children: a path sorts before every path it is a prefix of.
  std::sort(ordered.begin(), ordered.end(),
            [](const walk_entry* a, const walk_entry* b) { return a->path < b->path; });
  for (const walk_entry* entry : ordered) {
    const std::string parent_path = parent_of(entry->path);
    const expected_verdict& parent = parent_path == "." ? root : result.at(parent_path);
    const expectation* stated = find_expectation(the_case, entry->path);
    const std::string where =
        stated != nullptr ? the_case.name + ".case:" + std::to_string(stated->line) + ": " : "";
    expected_verdict verdict;
    if (parent.ignored) {
      verdict.ignored = true;
      verdict.rule = parent.rule;
      verdict.regex = parent.regex;
      if (stated != nullptr && (!stated->ignored || stated->rule != parent.rule)) {
        problems.push_back(where + quote(entry->path) +
                           " lies in an ignored folder and inherits its verdict and rule " +
                           quote(parent.rule));
      }
      if (stated != nullptr && stated->regex) {
        verdict.regex = stated->regex;
      }
    } else if (stated != nullptr) {
      verdict.ignored = stated->ignored;
      verdict.rule = stated->rule;
      verdict.regex = stated->regex;
    }

    if (parent.git_ignored) {
      verdict.git_ignored = true;
      if (stated != nullptr && stated->git_ignored == false) {
        problems.push_back(where + quote(entry->path) +
                           " lies in a folder that git's listing names, so git ignores it too");
      }
    } else if (stated != nullptr && stated->git_ignored.has_value()) {
      verdict.git_ignored = *stated->git_ignored;
    } else if (parent.ignored) {
      verdict.git_ignored = parent.git_ignored;
    } else {
      verdict.git_ignored = verdict.ignored;
    }
    verdict.why = stated != nullptr && !stated->why.empty() ? stated->why : parent.why;
    if (verdict.ignored != verdict.git_ignored && verdict.why.empty()) {
      problems.push_back(where + quote(entry->path) +
                         " is expected to disagree with git, but no cause is named for it or "
                         "a folder above it");
    }
    result[entry->path] = verdict;
  }
  return result;
}

run_report check_run(const corpus_case& the_case, const std::vector<walk_entry>& tree,
                     const std::filesystem::path& test_folder, int exit_code,
                     std::string_view output) {
  run_report report;
  report.stopped = exit_code == 4;
  std::vector<std::string>& problems = report.problems;
  const std::map<std::string, expected_verdict> expected =
      expected_verdicts(the_case, tree, problems);
  std::map<std::string, expected_verdict> known;
  for (const auto& [path, verdict] : expected) {
    known["/" + path] = verdict;
  }

  if (exit_code != the_case.exit_code) {
    problems.push_back("the exit code is " + std::to_string(exit_code) + ", expected " +
                       std::to_string(the_case.exit_code));
  }
  std::vector<std::string> lines = split_lines(output, problems);

  // The closing lines: the summary of a completed walk, or the error line.
  std::size_t entry_count = lines.size();
  std::optional<std::string> summary;
  if (the_case.exit_code == 0) {
    summary = summary_of(lines);
    if (summary) {
      entry_count -= 4;
    } else {
      problems.push_back("the output does not end with the summary");
    }
  } else if (the_case.exit_code == 4) {
    const std::string file = (test_folder / the_case.error_file).lexically_normal().string() + ":" +
                             std::to_string(the_case.error_line) + ":";
    if (lines.empty() || !starts_with(lines.back(), "error: ") ||
        lines.back().find(file) == std::string::npos) {
      problems.push_back("the output does not end with an error line naming " + file + " (" +
                         (lines.empty() ? std::string("no output") : quote(lines.back())) + ")");
    } else {
      entry_count -= 1;
    }
  }

  std::vector<std::string> paths;
  std::set<std::string> seen;
  int err_lines = 0;
  for (std::size_t i = 0; i < entry_count; ++i) {
    std::string problem;
    const std::optional<entry_line> line = parse_entry_line(lines[i], known, problem);
    if (!line) {
      problems.push_back(problem);
      continue;
    }
    const std::string relative = line->path.substr(1);
    const expected_verdict& verdict = known.at(line->path);
    ++report.entries;
    if (line->ok) {
      ++report.agree;
    } else {
      ++report.disagree;
      ++err_lines;
      ++report.causes[verdict.why.empty() ? std::string("unexplained") : verdict.why];
    }
    if (!seen.insert(relative).second) {
      problems.push_back(quote(relative) + " comes out twice");
    }
    paths.push_back(relative);
    const std::string subject = quote(relative) + ": ";
    if (line->ok != (line->walker_ignored == line->git_ignored)) {
      problems.push_back(subject + "the status does not follow the digits: " + quote(lines[i]));
    }
    if (line->walker_ignored != verdict.ignored) {
      problems.push_back(subject + "the walker's digit is " + digit(line->walker_ignored) +
                         ", expected " + digit(verdict.ignored) +
                         (verdict.ignored ? " (by " + quote(verdict.rule) + ")" : ""));
    } else if (verdict.ignored) {
      const std::string head = " <" + verdict.rule + "> /";
      if (!starts_with(line->rule_part, head) || !ends_with(line->rule_part, "/") ||
          line->rule_part.size() < head.size() + 1) {
        problems.push_back(subject + "the rule part is " + quote(line->rule_part) +
                           ", expected the rule " + quote(verdict.rule));
      } else if (verdict.regex && line->rule_part != head + *verdict.regex + "/") {
        problems.push_back(subject + "the rule part is " + quote(line->rule_part) +
                           ", expected the regular expression " + quote(*verdict.regex));
      }
    } else if (!line->rule_part.empty()) {
      problems.push_back(subject + "a kept entry shows a rule part " + quote(line->rule_part));
    }
    if (line->git_ignored != verdict.git_ignored) {
      problems.push_back(subject + "git's digit is " + digit(line->git_ignored) + ", expected " +
                         digit(verdict.git_ignored));
    }
  }

  if (summary) {
    const std::string wanted = wanted_summary(err_lines);
    if (*summary != wanted) {
      problems.push_back("the summary is " + quote(*summary) + ", expected " + quote(wanted));
    }
    for (const walk_entry& entry : tree) {
      if (seen.count(entry.path) == 0) {
        problems.push_back(quote(entry.path) + " does not come out");
      }
    }
    check_order(paths, tree, problems);
  }
  return report;
}

run_report check_git_run(const std::vector<walk_entry>& tree,
                         const std::map<std::string, git_answer>& git, int exit_code,
                         std::string_view output) {
  run_report report;
  std::vector<std::string>& problems = report.problems;
  static const git_answer no_answer;
  std::map<std::string, const git_answer*> known;
  for (const walk_entry& entry : tree) {
    const auto answer = git.find(entry.path);
    if (answer == git.end()) {
      problems.push_back("git gave no answer for " + quote(entry.path));
    }
    known["/" + entry.path] = answer == git.end() ? &no_answer : &answer->second;
  }
  if (exit_code != 0) {
    problems.push_back("the exit code is " + std::to_string(exit_code) + ", expected 0");
  }
  std::vector<std::string> lines = split_lines(output, problems);
  const std::optional<std::string> summary = summary_of(lines);
  if (summary) {
    lines.resize(lines.size() - 4);
  } else {
    problems.push_back("the output does not end with the summary");
  }

  std::vector<std::string> paths;
  std::set<std::string> seen;
  for (const std::string& text : lines) {
    std::string problem;
    const std::optional<entry_line> line = parse_entry_line(text, known, problem);
    if (!line) {
      problems.push_back(problem);
      continue;
    }
    const std::string relative = line->path.substr(1);
    const git_answer& answer = *known.at(line->path);
    ++report.entries;
    if (line->ok) {
      ++report.agree;
    } else {
      ++report.disagree;
      ++report.causes["git-engine"];
    }
    if (!seen.insert(relative).second) {
      problems.push_back(quote(relative) + " comes out twice");
    }
    paths.push_back(relative);
    const std::string subject = quote(relative) + ": ";
    if (line->ok != (line->walker_ignored == line->git_ignored)) {
      problems.push_back(subject + "the status does not follow the digits: " + quote(text));
    }
    if (line->git_ignored != answer.ignored) {
      problems.push_back(subject + "git's digit is " + digit(line->git_ignored) +
                         ", but git check-ignore says " + digit(answer.ignored));
    }
    if (line->walker_ignored != answer.ignored) {
      problems.push_back(subject + "the git engine's digit is " + digit(line->walker_ignored) +
                         ", git's " + digit(answer.ignored) +
                         (answer.ignored ? " (by " + quote(answer.pattern) + ")" : ""));
      continue;
    }
    const std::string wanted =
        answer.ignored ? " <" + answer.pattern + "> " + answer.source + ":" + answer.line : "";
    if (line->rule_part != wanted) {
      problems.push_back(subject + "the rule part is " + quote(line->rule_part) + ", git says " +
                         quote(wanted));
    }
  }

  if (summary) {
    if (*summary != wanted_summary(report.disagree)) {
      problems.push_back("the summary is " + quote(*summary) + ", expected " +
                         quote(wanted_summary(report.disagree)));
    }
    for (const walk_entry& entry : tree) {
      if (seen.count(entry.path) == 0) {
        problems.push_back(quote(entry.path) + " does not come out");
      }
    }
    check_order(paths, tree, problems);
  }
  return report;
}

}  // namespace quorvel::corpus

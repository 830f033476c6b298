// conformance_report: runs every corpus case against real git and writes the
// conformance report, where the library and git agree and why they differ,
// for the design's engine and for the git engine (`folder --git`).
//
//   conformance_report --cases DIR --program FOLDER --output FILE
//   conformance_report --cases DIR --program FOLDER --check FILE
//
// --output writes the report; --check compares it with FILE and exits with 1
// when FILE is not current. The report holds no paths, dates or timings, so
// the same cases and the same program always give the same text.

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>
#include <stdlib.h>
#include <string>
#include <system_error>
#include <vector>

#include "tests/corpus/case_file.h"
#include "tests/corpus/check.h"
#include "tests/corpus/materialise.h"
#include "tests/corpus/process.h"

namespace quorvel::corpus {
namespace {

struct case_result {
  corpus_case the_case;
  run_report report;
  run_report git_report;  // the run of `folder --git`, judged against git's answers
};

// Makes a fresh folder under the system's temporary folder.
std::filesystem::path make_work_folder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "quorvel-conformance-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder");
  }
  return pattern;
}

case_result run_case(const std::filesystem::path& file, const std::filesystem::path& program,
                     const std::filesystem::path& work) {
  case_result result{read_case(file), {}, {}};
  const std::filesystem::path out_folder = work / result.the_case.name;
  const std::filesystem::path folder = make_case(result.the_case, out_folder);
  const std::vector<walk_entry> tree = list_tree(folder);
  const process_result run = run_process({program.string(), folder.string()}, {});
  result.report = check_run(result.the_case, tree, folder, run.exit_code, run.output);
  const std::vector<walk_entry> git_tree = list_git_tree(folder);
  const std::vector<std::string> environment = case_environment(out_folder);
  const process_result git_run =
      run_process({program.string(), "--git", folder.string()}, {}, environment);
  result.git_report = check_git_run(
      git_tree, ask_git(folder, git_tree, environment, {}, result.the_case.uses_index()),
      git_run.exit_code, git_run.output);
  std::error_code ignored;
  std::filesystem::remove_all(out_folder, ignored);
  return result;
}

// Prose in a table cell: the characters that Markdown or a table would read
// as markup are escaped.
std::string prose(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == '`' || c == '*' || c == '_' || c == '[' || c == ']' || c == '<' ||
        c == '>' || c == '|') {
      out += '\\';
    }
    out += c;
  }
  return out;
}

// A tag or cause key as code, safe inside a table cell.
std::string code(const std::string& text) {
  std::string out = "`";
  for (const char c : text) {
    out += c == '|' ? std::string("\\|") : std::string(1, c);
  }
  return out + "`";
}

std::string percent(int part, int whole) {
  if (whole == 0) {
    return "-";
  }
  std::ostringstream text;
  text << std::fixed << std::setprecision(1) << 100.0 * part / whole << "%";
  return text.str();
}

struct tally {
  int cases = 0;
  int entries = 0;
  int agree = 0;
  int disagree = 0;
};

std::string write_report(const std::vector<case_result>& results, const catalogue& known) {
  std::ostringstream out;
  tally total;
  tally git_total;
  int all_agree = 0;
  int git_all_agree = 0;
  int stopped = 0;
  std::map<std::string, tally> by_tag;
  std::map<std::string, tally> git_by_tag;
  std::map<std::string, tally> by_cause;
  for (const case_result& result : results) {
    const run_report& report = result.report;
    ++total.cases;
    total.entries += report.entries;
    total.agree += report.agree;
    total.disagree += report.disagree;
    all_agree += report.disagree == 0 && !report.stopped ? 1 : 0;
    stopped += report.stopped ? 1 : 0;
    const run_report& git = result.git_report;
    ++git_total.cases;
    git_total.entries += git.entries;
    git_total.agree += git.agree;
    git_total.disagree += git.disagree;
    git_all_agree += git.disagree == 0 && git.problems.empty() ? 1 : 0;
    for (const std::string& tag : result.the_case.tags) {
      tally& row = by_tag[tag];
      ++row.cases;
      row.entries += report.entries;
      row.agree += report.agree;
      row.disagree += report.disagree;
      tally& git_row = git_by_tag[tag];
      git_row.entries += git.entries;
      git_row.agree += git.agree;
    }
    for (const auto& [cause, count] : report.causes) {
      ++by_cause[cause].cases;
      by_cause[cause].entries += count;
    }
  }

  out << "# Where the library and git agree\n\n"
      << "This report is generated by `scripts/conformance` from the cases in `tests/cases/`; "
         "do not edit it by hand.\n\n"
      << "Each case is a small test folder, `repo/case`, inside a fresh git repository with no "
         "commits. Its listing is written the way the README tells users to, inside the test "
         "folder:\n\n"
      << "    " << listing_command << "\n\n"
      << "and the `folder` program then judges every entry of the test folder. An entry agrees "
         "when the walker's verdict (ignored or not) equals what git's listing says of it "
         "(` OK` in the program's output) and disagrees otherwise (`ERR`). Every case also states "
         "what the library must decide by its documented design, and every disagreement that "
         "the corpus expects is named with its cause below.\n\n"
      << "The git engine's column is the run of `folder --git` on the same case: there the "
         "expectation is git itself, for every entry that the git walk hands out (no `.git` "
         "entry, nothing inside a nested repository): git's listing for both digits, and "
         "`git check-ignore -v` for the deciding line and its place. A case whose git-engine "
         "run is not `All OK` fails the corpus test.\n\n";

  out << "## Summary\n\n"
      << "- " << total.cases << " cases, " << total.entries << " entries: " << total.agree
      << " agree (" << percent(total.agree, total.entries) << "), " << total.disagree
      << " disagree.\n"
      << "- " << all_agree << " cases agree on every entry.\n"
      << "- The git engine: " << git_total.entries << " entries, " << git_total.agree << " agree ("
      << percent(git_total.agree, git_total.entries) << "), " << git_total.disagree << " disagree; "
      << git_all_agree << " of " << git_total.cases << " cases agree on every entry.\n"
      << "- " << stopped
      << " cases end with exit code 4: a rule line that the library cannot compile (the line "
         "\"!\", or a pattern that is not a valid regular expression) stops the run after the "
         "entries already written, while git reads every such line as a pattern.\n";
  std::vector<std::string> differing;
  for (const case_result& result : results) {
    if (!result.report.problems.empty()) {
      differing.push_back(result.the_case.name);
    } else if (!result.git_report.problems.empty()) {
      differing.push_back(result.the_case.name + " (--git)");
    }
  }
  out << "- Runs that differ from what their case expects: ";
  if (differing.empty()) {
    out << "none.\n\n";
  } else {
    for (std::size_t i = 0; i < differing.size(); ++i) {
      out << (i == 0 ? "" : ", ") << code(differing[i]);
    }
    out << " (run the corpus test for the details).\n\n";
  }

  out << "## Causes of disagreement\n\n"
      << "| Cause | Entries | Cases | Why |\n|---|---:|---:|---|\n";
  for (const auto& [key, text] : known.causes) {
    const auto row = by_cause.find(key);
    if (row != by_cause.end()) {
      out << "| " << code(key) << " | " << row->second.entries << " | " << row->second.cases
          << " | " << prose(text) << " |\n";
    }
  }
  if (const auto row = by_cause.find("unexplained"); row != by_cause.end()) {
    out << "| unexplained | " << row->second.entries << " | " << row->second.cases
        << " | not expected by the case: see the corpus test |\n";
  }
  out << "\nAn entry inside a folder counts under the cause of the folder when it disagrees "
         "because of it (its verdict is the folder's).\n\n";

  out << "## Quirks of git's listing\n\n"
      << "The runner reads only the \"Ignored files:\" section of the listing and looks each "
         "entry, and the folders above it, up by its exact path. With `--ignored=matching "
         "--untracked-files=all` git names exactly the entries that a rule matches: a folder "
         "that a rule ignores is named once, as `folder/`, even when it is empty, and a folder "
         "whose entries are all ignored without the folder itself is not named, its entries "
         "are. Untracked empty folders are never named. What remains:\n\n"
      << "- git never names an entry called `.git`, while the walker ignores a folder `.git` "
         "beside any rule file (cause `dot-git-listing`).\n"
      << "- git writes a name that holds a backslash, a double quote or a control character "
         "in C quotes, even with `core.quotePath=false` (with `true`, every name that is not "
         "ASCII too); the runner reads the quoted line back to the name's bytes.\n"
      << "- When a rule above ignores the test folder itself, git lists it as `./`, which "
         "the runner takes for the test folder, so every entry counts as listed.\n"
      << "- The listing is written by a shell redirection, so `i.txt` exists while git lists "
         "the folder and is judged like any other entry.\n\n";

  out << "## By rule form and topic\n\n"
      << "| Tag | What | Cases | Entries | Agree | Disagree | Git engine |\n"
      << "|---|---|---:|---:|---:|---:|---:|\n";
  for (const auto& [tag, text] : known.tags) {
    const auto row = by_tag.find(tag);
    if (row == by_tag.end()) {
      continue;
    }
    out << "| " << code(tag) << " | " << prose(text) << " | " << row->second.cases << " | "
        << row->second.entries << " | " << row->second.agree << " | " << row->second.disagree
        << " | " << git_by_tag[tag].agree << " / " << git_by_tag[tag].entries << " |\n";
  }

  out << "\n## By case\n\n"
      << "| Case | What it tests | Entries | Agree | Disagree | Causes | Git engine |\n"
      << "|---|---|---:|---:|---:|---|---:|\n";
  for (const case_result& result : results) {
    const run_report& report = result.report;
    std::string causes;
    for (const auto& [key, text] : known.causes) {
      if (const auto count = report.causes.find(key); count != report.causes.end()) {
        causes += (causes.empty() ? "" : ", ") + code(key) + " " + std::to_string(count->second);
      }
    }
    if (const auto count = report.causes.find("unexplained"); count != report.causes.end()) {
      causes += (causes.empty() ? "" : ", ") + std::string("unexplained ") +
                std::to_string(count->second);
    }
    if (report.stopped) {
      causes += (causes.empty() ? "" : ", ") + std::string("stops with exit code 4");
    }
    out << "| [" << result.the_case.name << "](../tests/cases/" << result.the_case.name
        << ".case) | " << prose(result.the_case.description) << " | " << report.entries << " | "
        << report.agree << " | " << report.disagree << " | " << causes << " | "
        << result.git_report.agree << " / " << result.git_report.entries << " |\n";
  }
  return out.str();
}

int run(int argc, char** argv) {
  std::filesystem::path cases;
  std::filesystem::path program;
  std::filesystem::path output;
  std::filesystem::path check;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--cases") {
      cases = argv[i + 1];
    } else if (option == "--program") {
      program = argv[i + 1];
    } else if (option == "--output") {
      output = argv[i + 1];
    } else if (option == "--check") {
      check = argv[i + 1];
    } else {
      cases.clear();
      break;
    }
  }
  if (argc % 2 == 0 || cases.empty() || program.empty() || output.empty() == check.empty()) {
    std::cerr << "usage: conformance_report --cases DIR --program FOLDER "
                 "(--output FILE | --check FILE)\n";
    return 2;
  }

  const catalogue known = read_catalogue(cases / "catalogue.txt");
  const std::filesystem::path work = make_work_folder();
  std::vector<case_result> results;
  try {
    for (const std::filesystem::path& file : list_case_files(cases)) {
      results.push_back(run_case(file, program, work));
    }
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    throw;
  }
  std::error_code ignored;
  std::filesystem::remove_all(work, ignored);
  const std::string report = write_report(results, known);

  if (!output.empty()) {
    std::ofstream stream(output, std::ios_base::binary | std::ios_base::trunc);
    stream << report;
    stream.close();
    if (!stream) {
      std::cerr << "error: cannot write " << output.string() << "\n";
      return 2;
    }
    return 0;
  }
  std::ifstream stream(check, std::ios_base::binary);
  std::ostringstream current;
  current << stream.rdbuf();
  if (current.str() != report) {
    std::cerr << check.string()
              << " is not current: regenerate it with scripts/conformance and commit it\n";
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace quorvel::corpus

int main(int argc, char** argv) {
  try {
    return quorvel::corpus::run(argc, argv);
  } catch (const std::exception& failure) {
    std::cerr << "error: " << failure.what() << "\n";
    return 2;
  }
}

#include "quorvel/runner/options.h"

#include <string_view>

#include "quorvel/text/utf8.h"

#ifndef QUORVEL_VERSION
#error "QUORVEL_VERSION is the project's version, set by the build"
#endif

namespace quorvel::runner {

const char* const usage_text =
    "usage: folder [options] <pathTests>\n"
    "\n"
    "  -h, --help          show this help and exit\n"
    "      --version       show the program's version and exit\n"
    "      --git           walk and judge with the git engine; an ignored entry's\n"
    "                      line names the rule file and line that decided\n"
    "      --errors-only   write only the ERR lines and the summary\n"
    "      --color[=WHEN]  colour the report: auto (the default: on a terminal,\n"
    "                      unless NO_COLOR is set), always, or never\n"
    "      --              end of the options: the next argument is <pathTests>\n";

const char* const version_text = "folder (quorvel) " QUORVEL_VERSION;

namespace {

// The failure's line, with the argument as the user wrote it (its bytes where
// it holds bytes that are not UTF-8).
options failed(options result, std::string_view what, std::wstring_view argument,
               std::string_view after = {}) {
  result.what = command::fail;
  result.error = "folder: ";
  result.error += what;
  result.error += " '";
  result.error += text::wide_to_bytes(argument);
  result.error += "'";
  result.error += after;
  return result;
}

}  // namespace

options parse_options(const std::vector<std::wstring>& arguments) {
  options result;
  std::size_t index = 1;
  for (; index < arguments.size(); ++index) {
    const std::wstring_view argument = arguments[index];
    if (argument == L"--") {
      ++index;
      break;
    }
    if (argument.size() < 2 || argument[0] != L'-') {
      break;
    }
    if (argument == L"-h" || argument == L"--help") {
      result.what = command::help;
      return result;
    }
    if (argument == L"--version") {
      result.what = command::version;
      return result;
    }
    if (argument == L"--git") {
      result.git = true;
    } else if (argument == L"--errors-only") {
      result.errors_only = true;
    } else if (argument == L"--color" || argument == L"--color=always") {
      result.colour = colour_choice::always;
    } else if (argument == L"--color=auto") {
      result.colour = colour_choice::automatic;
    } else if (argument == L"--color=never") {
      result.colour = colour_choice::never;
    } else if (argument.starts_with(L"--color=")) {
      return failed(result, "invalid value", argument.substr(8), " for '--color'");
    } else {
      return failed(result, "unknown option", argument);
    }
  }
  if (index < arguments.size()) {
    result.has_folder = true;
    result.folder = arguments[index];
  }
  return result;
}

}  // namespace quorvel::runner

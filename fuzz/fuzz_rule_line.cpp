// A rule file of arbitrary bytes: reading, translating and compiling each
// line either succeeds or fails with one of the documented exceptions,
// whose message names the file and the line.

#include <cstdlib>
#include <regex>
#include <stdexcept>
#include <string>

#include "fuzz/fuzz_support.h"
#include "quorvel/filesystem/gitignore.h"

namespace {

void expect_located(const std::exception& failure, const std::string& file) {
  if (std::string(failure.what()).rfind(file + ":", 0) != 0) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto file = quorvel::fuzzing::write_rule_file(quorvel::fuzzing::as_bytes(data, size));
  try {
    const quorvel::filesystem::gitignore rules(file);
    (void)rules.compiled_rules().size();
  } catch (const std::regex_error& failure) {
    expect_located(failure, file.string());
  } catch (const std::out_of_range& failure) {
    expect_located(failure, file.string());
  } catch (const std::length_error& failure) {
    expect_located(failure, file.string());
  }
  return 0;
}

// An index of arbitrary bytes: reading it either gives a table that answers
// for each of its own paths, or fails with an index_error that names the
// file. The input is one byte of options (bit 0: SHA-256, bit 1:
// ignore_case), the index's size in 4 bytes (big-endian), the index, and
// then the shared index that a split one is given, whatever hash it names.

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "quorvel/git/index.h"

namespace {

using quorvel::git::tracked_files;

void check(bool holds) {
  if (!holds) {
    std::abort();
  }
}

std::string upper(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

// Every path that was read is found again, and so is something below each
// folder above it; the paths are in strict byte order.
void check_answers(const tracked_files& files, bool ignore_case) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string_view path = files.path(i);
    check(i == 0 || files.path(i - 1) < path);
    if (!path.empty() && !path.ends_with('/')) {
      check(files.tracked(path));
      if (ignore_case) {
        check(files.tracked(upper(path)));
      }
    }
    check(files.tracked_below(""));
    const std::string_view inner = path.ends_with('/') ? path.substr(0, path.size() - 1) : path;
    for (std::size_t slash = inner.find('/'); slash != std::string_view::npos;
         slash = inner.find('/', slash + 1)) {
      if (slash != 0) {
        check(files.tracked_below(inner.substr(0, slash)));
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = quorvel::fuzzing::as_bytes(data, size);
  if (input.size() < 5) {
    return 0;
  }
  const auto options = static_cast<unsigned char>(input[0]);
  const auto byte = [&input](std::size_t i) {
    return static_cast<std::size_t>(static_cast<unsigned char>(input[i]));
  };
  const std::size_t length = (byte(1) << 24) | (byte(2) << 16) | (byte(3) << 8) | byte(4);
  input.remove_prefix(5);
  const std::string_view index = input.substr(0, length);
  const std::string_view shared = length < input.size() ? input.substr(length) : "";
  const bool ignore_case = (options & 2) != 0;
  try {
    const tracked_files files = tracked_files::from_bytes(
        index, "fuzz/index", (options & 1) != 0 ? 32 : 20, ignore_case,
        [shared](std::string_view) { return std::optional<std::string_view>(shared); });
    check_answers(files, ignore_case);
  } catch (const quorvel::git::index_error& failure) {
    const std::string what = failure.what();
    check(what.starts_with("fuzz/index: ") || what.starts_with("fuzz/sharedindex."));
  }
  return 0;
}

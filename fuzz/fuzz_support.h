#pragma once
// What the fuzz targets share: a rule file made from the fuzzer's bytes.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace quorvel::fuzzing {

// Writes `bytes` to this process's own scratch rule file (replacing what the
// previous input left) and returns its path. Aborts if it cannot be written,
// since an input that never reaches the compiler would only fake coverage.
std::filesystem::path write_rule_file(std::string_view bytes);

// The input of the matching targets: a rule file, a NUL byte, then paths,
// one per line (the last line may lack its "\n").
struct rules_and_paths {
  std::string_view rules;
  std::vector<std::string_view> paths;
};

// Splits such an input; false when it holds no NUL byte.
bool split_rules_and_paths(std::string_view input, rules_and_paths& out);

inline std::string_view as_bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace quorvel::fuzzing

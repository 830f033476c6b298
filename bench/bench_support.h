#pragma once
// What the micro-benchmarks share: a scratch folder, and rule lines and
// paths shaped like those of a large source tree with build output.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::bench {

// A fresh folder of this process under the system's temporary folder,
// removed when the process ends.
const std::filesystem::path& scratch_folder();

// Writes `bytes` to `relative` below the scratch folder and returns its path.
std::filesystem::path write_scratch_file(const std::filesystem::path& relative,
                                         std::string_view bytes);

// Rule lines of the kinds a kernel-sized tree holds: build products by
// extension, editor files, plain names, anchored paths, "**" and negations.
const std::vector<std::string>& sample_rule_lines();

// Relative paths (beginning with "/") for those rules to be asked about:
// sources, headers, objects, deep folders.
const std::vector<std::wstring>& sample_paths();

}  // namespace quorvel::bench

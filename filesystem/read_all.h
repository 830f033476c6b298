#pragma once
// Reading a whole file as bytes.

#include <filesystem>
#include <string>

namespace quorvel::filesystem {

// Fills `out` with the bytes of the file at `path`, unchanged (binary, no
// newline translation, a byte order mark kept). A file that cannot be sized
// or opened (missing, a folder, no permission) leaves `out` as it was.
void read_all(const std::filesystem::path& path, std::string& out);

}  // namespace quorvel::filesystem

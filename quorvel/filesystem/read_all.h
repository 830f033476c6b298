#pragma once
// Reading a whole file as bytes.

#include <filesystem>
#include <string>

namespace quorvel::filesystem {

// Fills `out` with the bytes of the file at `path`, unchanged (binary, no
// newline translation, a byte order mark kept), in one read of the size the
// file reports. A file that shrank since then gives only the bytes it still
// holds; one that grew is cut at that size. A file that cannot be sized or
// opened (missing, a folder, no permission) leaves `out` as it was, and
// nothing is reported. Throws std::bad_alloc or std::length_error for a file
// too large to hold, and std::system_error if the stream cannot be set up.
void read_all(const std::filesystem::path& path, std::string& out);

}  // namespace quorvel::filesystem

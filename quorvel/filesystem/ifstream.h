#pragma once
// The file input stream: a byte source that is also the standard narrow
// input file stream.

#include <cstdint>
#include <fstream>

#include "quorvel/stream/in.h"

namespace quorvel::filesystem {

// A byte source over a file. A new stream has no file open; `open`,
// `is_open` and `close` are the standard stream's, and so are its states
// and its (empty) exception mask.
class ifstream : public stream::in, public std::basic_ifstream<char> {
 public:
  ~ifstream() override;

  // Reads up to `count` bytes with the standard stream's `read` and returns
  // its `gcount`. At the end of the file it delivers fewer bytes and sets
  // the end-of-file and fail states.
  std::int64_t read(char* buffer, std::int64_t count) override;
};

}  // namespace quorvel::filesystem

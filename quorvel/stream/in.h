#pragma once
// The abstract byte source that every input stream implements.

#include <cstdint>

#include "quorvel/stream/intl/random.h"
#include "quorvel/stream/notify.h"
#include "quorvel/stream/watcher.h"

namespace quorvel::stream {

// An input stream of bytes. Its bases are constructed in the order listed
// and carry state that the system only constructs and destroys.
class in : public watcher<long long, void*, void*, void*>,
           public notify<long long>,
           public intl::random {
 public:
  ~in() override;

  // Copies up to `count` bytes into `buffer` and returns how many it
  // delivered; fewer than `count` means the source ran out.
  virtual std::int64_t read(char* buffer, std::int64_t count) = 0;
};

}  // namespace quorvel::stream

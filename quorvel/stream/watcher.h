#pragma once
// The observer base that every input stream carries.

#include <array>
#include <cstdint>
#include <mutex>

namespace quorvel {

// Observer state of a stream: a mutex and five words that construction
// clears under that mutex, then one value of each template type, which
// construction leaves as it finds them (zero when the owner is
// value-initialised). Nothing here registers, notifies or locks after
// construction yet; the class only fixes the layout every stream shares.
// Throws std::system_error when the mutex cannot be locked.
template <class Value, class First, class Second, class Third>
class watcher {
 public:
  watcher();
  virtual ~watcher() = default;

 private:
  std::mutex mutex;
  std::array<std::uint64_t, 5> words;
  Value value;
  First first;
  Second second;
  Third third;
};

template <class Value, class First, class Second, class Third>
watcher<Value, First, Second, Third>::watcher() {
  const std::lock_guard<std::mutex> lock(mutex);
  words.fill(0);
}

}  // namespace quorvel

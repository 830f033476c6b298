#pragma once
// The random source that every input stream carries.

#include <cstdint>
#include <random>

namespace quorvel::stream::intl {

// A Mersenne Twister seeded once from the system's random device, with a
// distribution over 1..65536. Nothing in the system draws from it yet.
// Throws what std::random_device throws when no random device is available.
class random {
 public:
  random();
  virtual ~random();

 private:
  std::random_device device;
  std::mt19937 engine;
  std::uniform_int_distribution<std::int64_t> distribution;
};

}  // namespace quorvel::stream::intl

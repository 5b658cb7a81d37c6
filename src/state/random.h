// The engine's pseudo-random numbers: the C library's classic linear congruential generator,
// owned by the engine so that a seeded run repeats exactly.
#pragma once

#include <cstdint>

namespace qw {

class RandomGenerator {
 public:
  void seed(std::uint32_t value) { state_ = value; }
  // 0 to 2^31 - 1.
  std::int32_t next() {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<std::int32_t>(state_ & 0x7FFFFFFFu);
  }

 private:
  std::uint32_t state_ = 1;
};

}  // namespace qw

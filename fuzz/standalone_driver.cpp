// Runs a fuzz target without libFuzzer: over the generated seeds, over every cut of each
// seed, and over a fixed number of deterministic mutations of them. With file arguments it
// runs those files instead (to replay a crash found by libFuzzer).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "seeds.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

struct Rng {
  std::uint64_t state;
  std::uint32_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<std::uint32_t>(state);
  }
  std::size_t below(std::size_t n) { return n == 0 ? 0 : next() % n; }
};

void Run(const std::string& input) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

// Values that break size and offset arithmetic.
constexpr std::uint32_t kInteresting[] = {0,     1,          2,          0x7F,       0x80,
                                          0xFF,  0x100,      0x7FFF,     0xFFFF,     16384,
                                          16385, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFF0};

std::string Mutate(const std::string& seed, Rng& rng) {
  std::string s = seed;
  const int steps = 1 + static_cast<int>(rng.below(4));
  for (int i = 0; i < steps; ++i) {
    if (s.empty()) s.push_back('\0');
    const std::size_t at = rng.below(s.size());
    switch (rng.below(7)) {
      case 0:
        s[at] = static_cast<char>(s[at] ^ (1 << rng.below(8)));
        break;
      case 1:
        s[at] = static_cast<char>(rng.next());
        break;
      case 2: {
        const std::uint32_t v = kInteresting[rng.below(std::size(kInteresting))];
        const bool big = rng.below(2) == 0;
        for (int k = 0; k < 4 && at + k < s.size(); ++k) {
          s[at + k] = static_cast<char>(big ? v >> (24 - 8 * k) : v >> (8 * k));
        }
        break;
      }
      case 3:
        s.resize(at);
        break;
      case 4:
        s.insert(at, s.substr(rng.below(s.size()), 1 + rng.below(64)));
        break;
      case 5:
        s.erase(at, 1 + rng.below(16));
        break;
      default:
        s.insert(at, 1 + rng.below(8), static_cast<char>(rng.next()));
        break;
    }
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && argv[1][0] != '-') {
    for (int i = 1; i < argc; ++i) {
      std::ifstream in(argv[i], std::ios::binary);
      Run(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    }
    return 0;
  }
  long iterations = 4000;
  if (argc > 1 && std::string(argv[1]).rfind("-runs=", 0) == 0) iterations = std::atol(argv[1] + 6);
  std::vector<std::string> seeds = qw::fuzz::Seeds(QW_FUZZ_TARGET);
  if (seeds.empty()) {
    // Targets that read text start from a few lines of script.
    seeds = {"", ":start\r\n_wait 10\r\n;note\r\n\x82\xA0text\r\n",
             "_if $flg[1]+2*3>=4,\"a,b\",*_\n_goto start\n"};
  }
  const auto start = std::chrono::steady_clock::now();
  long runs = 0;
  for (const std::string& seed : seeds) {
    Run(seed);
    // Every cut of the seed: truncated files are the commonest bad input.
    const std::size_t step = seed.size() / 512 + 1;
    for (std::size_t n = 0; n < seed.size(); n += step, ++runs)
      Run(seed.substr(0, n));
  }
  Rng rng{0x9E3779B97F4A7C15ull};
  for (long i = 0; i < iterations; ++i, ++runs) {
    Run(Mutate(seeds[rng.below(seeds.size())], rng));
  }
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s: %ld inputs in %.2f s, no fault\n", QW_FUZZ_TARGET, runs, secs);
  return 0;
}

// Writes the generated seeds of one target into a folder, as a libFuzzer corpus.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "seeds.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TARGET DIR\n", argv[0]);
    return 2;
  }
  std::filesystem::create_directories(argv[2]);
  int n = 0;
  for (const std::string& seed : qw::fuzz::Seeds(argv[1])) {
    std::ofstream(std::filesystem::path(argv[2]) / ("seed" + std::to_string(n++)), std::ios::binary)
        << seed;
  }
  return n > 0 ? 0 : 1;
}

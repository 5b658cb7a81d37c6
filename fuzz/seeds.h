// Valid pictures of every kind the fuzz targets read, made by the test writers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qw::fuzz {

// Seeds for the target "bmp", "png", "jpeg", "mag" or "frl".
std::vector<std::string> Seeds(std::string_view target);

// Seeds of the engine's readers: "expr", "text_line", "config", "save", "save_slot", "events",
// "midi". Made with the engine's writers, so only programs that link the engine have them.
std::vector<std::string> EngineSeeds(std::string_view target);

// Between the files of a "save_slot" input.
inline constexpr std::string_view kPartSeparator = "\n--8<--\n";

}  // namespace qw::fuzz

// Valid pictures of every kind the fuzz targets read, made by the test writers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qw::fuzz {

// Seeds for the target "bmp", "png", "jpeg", "mag" or "frl".
std::vector<std::string> Seeds(std::string_view target);

}  // namespace qw::fuzz

// Writing surfaces as PNG files (snapshots, the picture command).
#pragma once

#include <filesystem>
#include <string>

#include "gfx/surface.h"

namespace qw {

// Writes `surface` as an 8-bit RGBA PNG, every pixel opaque (the fourth byte of a pixel is
// not transparency). False with `error` set when the file cannot be written.
bool WritePng(const Surface& surface, const std::filesystem::path& path, std::string* error);

// The same PNG as bytes, for tests and in-memory use.
std::string EncodePng(const Surface& surface);

}  // namespace qw

// `quillwork picture IN OUT.png`: a picture read as the engine reads it, written as PNG.
#pragma once

#include <ostream>
#include <string>

namespace qw {

// Reads `in` (a name as the command line gives it, UTF-8; "%DATA_DRIVE%" stands for
// `dataRoot`) with LoadPicture and writes it to `outPng` as a 32-bit PNG. Returns 0, or 1
// after printing the engine's message (or the platform's, or the reason the picture was not
// read) on `err`.
int RunPictureCommand(const std::string& dataRoot, const std::string& in, const std::string& outPng,
                      std::ostream& err);

}  // namespace qw

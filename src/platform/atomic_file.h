// Writing a file so that a crash, a power cut or a full disk never destroys the old copy.
#pragma once

#include <filesystem>
#include <string_view>

namespace qw {

// Writes `bytes` to a temporary file in the same folder, flushes it to disk, renames it over
// `path` and flushes the folder. Returns false (and leaves any old file as it was) on failure.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace qw

// Writing a file so that a crash, a power cut or a full disk never destroys the old copy.
#pragma once

#include <filesystem>
#include <string_view>

namespace qw {

// Writes `bytes` to a temporary file in the same folder, flushes it to disk, renames it over
// `path` and flushes the folder. The file keeps the permissions of the copy it replaces.
// Returns false on failure: before the rename the old file is left as it was; a failed flush
// of the folder after it is reported too, since the new copy may not survive a power cut.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace qw

// Writing a file so that a crash, a power cut or a full disk never destroys the old copy.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <span>
#include <string_view>

namespace qw {

// Writes `bytes` to a temporary file in the same folder, flushes it to disk, renames it over
// `path` and flushes the folder. The file keeps the permissions of the copy it replaces.
// Returns false on failure: before the rename the old file is left as it was; a failed flush
// of the folder after it is reported too, since the new copy may not survive a power cut.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// ---- Pieces of a write of several files that share their flushes ----

// Writes `bytes` as a new file `path` (any file or link of that name is removed first, so a
// link never leads the write elsewhere), with the permissions of `permissionsOf` when that
// exists. Nothing is flushed: see FlushToDisk. Returns false on failure, the file removed.
bool WriteScratchFile(const std::filesystem::path& path, std::string_view bytes,
                      const std::filesystem::path& permissionsOf);

// Flushes the contents of `files` and the names in `folder` to disk and waits for all of them.
// The flushes run side by side, so the file system can commit them in one go.
bool FlushToDisk(std::span<const std::filesystem::path> files, const std::filesystem::path& folder);

// The folder of `path` (".", for a bare name).
std::filesystem::path FolderOf(const std::filesystem::path& path);

// ---- Leftovers ----

// Removes the temporary files that a WriteFileAtomically killed mid-write leaves behind:
// regular files named ".NAME.XXXXXX" (six letters or digits) in `folder`, for a NAME that
// `ours` accepts, unchanged for `minAge` or longer (a younger one may be another process's
// write in progress). Returns how many were removed.
int RemoveStaleTemporaries(const std::filesystem::path& folder,
                           const std::function<bool(std::string_view name)>& ours,
                           std::chrono::seconds minAge = std::chrono::seconds(90));

}  // namespace qw

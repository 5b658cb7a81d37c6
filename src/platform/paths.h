// Script file names (CP932, Windows style) to files on this system.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qw {

inline constexpr std::string_view kDataDriveToken = "%DATA_DRIVE%";

// Replaces the first "%DATA_DRIVE%" of a CP932 name with `dataRoot` (CP932 too).
std::string SubstituteDataDrive(std::string_view name, std::string_view dataRoot);

// Resolves a CP932 file name as every file open of the engine does: the first
// "%DATA_DRIVE%" becomes `dataRoot` (a path on this system, UTF-8, no trailing separator),
// "\" becomes "/" (never the trail byte of a double-byte character), and each component that
// does not exist as written is matched without regard to letter case, as UTF-8 or as the raw
// CP932 bytes. A name that does not exist comes back converted but otherwise unmatched.
std::filesystem::path ResolvePath(std::string_view cp932Name, std::string_view dataRoot = {});

// The same for a name relative to `folder`, a path on this system taken as it is (its name
// may hold characters that CP932 lacks). An absolute name or one with "%DATA_DRIVE%" ignores
// `folder`.
std::filesystem::path ResolvePathIn(const std::filesystem::path& folder, std::string_view cp932Name,
                                    std::string_view dataRoot = {});

bool FileExists(std::string_view cp932Name, std::string_view dataRoot = {});

// The whole file, or nothing when it cannot be opened.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

}  // namespace qw

// The bundled demo is played from a copy in the reader's data folder: the installed one is
// read-only, and the one in a source tree must not collect saves and settings.
#pragma once

#include <filesystem>
#include <string>

namespace qw {

// $XDG_DATA_HOME/quillwork/demo when that names an absolute folder, else
// ~/.local/share/quillwork/demo; empty when neither is known.
std::filesystem::path ReaderDemoFolder();

// Brings `copy` up to date with `bundle`: every file of the bundle whose copy is missing or
// differs in size or modification time is copied over; files only in the copy (the reader's
// settings and saves) stay. Returns an empty text, or why the copy could not be made.
std::string RefreshDemoCopy(const std::filesystem::path& bundle, const std::filesystem::path& copy);

}  // namespace qw

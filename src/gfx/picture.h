// The one loader behind every picture on screen.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "gfx/surface.h"
#include "platform/host.h"
#include "platform/reporter.h"

namespace qw {

enum class PictureLoad {
  Loaded,   // `picture` holds the file's picture, 32 bits per pixel
  Failed,   // a MAG or FRL file could not be read: the message was shown and reported, and
            // `picture` became 8 x 8 (its top-left part kept, the rest white)
  Skipped,  // the extension is none the loader knows: nothing shown, `picture` unchanged
};

inline constexpr const char* kMagUnreadableMessage = "ＭＡＧ画像が読めません:";
inline constexpr const char* kMagDecodeWarning = "Failed by MMAG_MagtoBmp";
inline constexpr const char* kPictureUnreadableMessage = "画像が読めません:";

// Loads the picture file `cp932Name` (a script file name: CP932, Windows separators, may hold
// "%DATA_DRIVE%", which stands for `dataRoot`) into `picture`. The decoder is chosen by the
// extension, compared without regard to letter case: ".bmp", ".jpg", ".mag" and ".qim",
// ".frl", ".png"; every result is a 32-bit surface (pixel 0xXXRRGGBB).
//
// - BMP, JPEG, PNG: a file that is missing or cannot be decoded throws FrameworkError (for the
//   application exception handler); `picture` is then unchanged and nothing is shown here.
// - MAG/.qim: a header or size failure gives "ＭＡＧ画像が読めません:" + the name through
//   `reporter.scriptError`; a decode failure first shows the "Failed by MMAG_MagtoBmp"
//   warning through `host` (skipped when `host` is null). FRL failures give
//   "画像が読めません:" + the name. Both then leave an 8 x 8 picture (PictureLoad::Failed).
//   Messages name the file after "%DATA_DRIVE%" was replaced, converted to UTF-8.
// Pictures larger than 16384 x 16384 or 256 MiB of pixels take these failure paths; so do
// files that are no regular file (a FIFO, a device) or larger than kMaxPictureFileSize.
// A picture that would take all surfaces together past the memory budget (codecs.h) fails as
// an FRL or MAG file does, whatever its format: "画像が読めません:" (for MAG
// "ＭＡＧ画像が読めません:"), an 8 x 8 picture, PictureLoad::Failed; the script goes on.
// Inside a run with a work meter, a load counts its bytes and pixels toward the run's budget.
PictureLoad LoadPicture(Surface& picture, std::string_view cp932Name, std::string_view dataRoot,
                        ErrorReporter& reporter, Host* host = nullptr);

// The same, with the warning dialog shown through `messageBox` (may be empty) instead of a
// host.
using MessageBoxFn = std::function<void(const MessageBoxSpec&)>;
PictureLoad LoadPicture(Surface& picture, std::string_view cp932Name, std::string_view dataRoot,
                        ErrorReporter& reporter, const MessageBoxFn& messageBox);

// The file name as messages show it: the token replaced by `dataRoot` (UTF-8), the script
// bytes converted from CP932.
std::string PictureDisplayName(std::string_view cp932Name, std::string_view dataRoot);

}  // namespace qw

// The desktop window between runs: its place, size, full screen and pixel scaling, kept in a
// small file of its own beside the reader's settings (`qwk.ini` stays as the scenario knows it).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qw {

inline constexpr std::string_view kWindowStateFileName = "qwk-window.ini";
// The window's client size is kept within these bounds; a remembered size outside is ignored.
inline constexpr int kMinWindowWidth = 160;
inline constexpr int kMinWindowHeight = 120;
inline constexpr int kMaxWindowSide = 16384;
inline constexpr int kMaxWindowScale = 8;

// The client area of the framed window on the desktop (not full screen).
struct WindowPlace {
  int x = 0;
  int y = 0;
  int width = 640;
  int height = 480;
  bool operator==(const WindowPlace&) const = default;
};

struct WindowState {
  std::optional<WindowPlace> place;  // nothing: centred at 640 x 480
  bool fullScreen = false;
  // The picture scaled by whole multiples with hard pixel edges, instead of filling the window
  // smoothly.
  bool sharpPixels = false;
  bool operator==(const WindowState&) const = default;
};

// What the command line asks of the desktop window; unset fields keep the remembered state.
struct DesktopOptions {
  std::optional<int> scale;  // 1..kMaxWindowScale: the client area is 640 x 480 times it
  std::optional<bool> fullScreen;
  std::optional<bool> sharpPixels;
  bool readAloud = false;
};

std::filesystem::path WindowStatePath(const std::filesystem::path& dataFolder);

// "Key=value" lines (X, Y, Width, Height, FullScreen, SharpPixels). A key with a bad value,
// an unknown key or a line without "=" is skipped and described in `problems`; the place is
// taken only when all four of its keys are present and sound.
WindowState ParseWindowState(std::string_view text, std::vector<std::string>* problems);
std::string FormatWindowState(const WindowState& state);

// The remembered state; defaults when there is no file. A file that cannot be read or holds
// bad lines gives what could be read and a description in `problems`.
WindowState LoadWindowState(const std::filesystem::path& path, std::vector<std::string>* problems);
// Replaces the file whole or not at all.
bool SaveWindowState(const std::filesystem::path& path, const WindowState& state);

// The state the window starts in: the remembered one with the command line over it. A scale
// asks for a window of that size, centred: the remembered place and full screen give way
// (unless full screen is asked for too).
WindowState StartWindowState(WindowState remembered, const DesktopOptions& options);

}  // namespace qw

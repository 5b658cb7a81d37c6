#include "app/window_state.h"

#include <charconv>
#include <cstdint>

#include "platform/atomic_file.h"
#include "platform/file_read.h"

namespace qw {
namespace {

constexpr int kMaxCoordinate = 1 << 20;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::optional<int> Number(std::string_view text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < low || value > high) return std::nullopt;
  return value;
}

std::optional<bool> Switch(std::string_view text) {
  if (text == "1") return true;
  if (text == "0") return false;
  return std::nullopt;
}

}  // namespace

std::filesystem::path WindowStatePath(const std::filesystem::path& dataFolder) {
  return dataFolder / std::string(kWindowStateFileName);
}

WindowState ParseWindowState(std::string_view text, std::vector<std::string>* problems) {
  WindowState state;
  std::optional<int> x, y, width, height;
  auto problem = [&](int line, std::string_view what) {
    if (problems) problems->push_back("line " + std::to_string(line) + ": " + std::string(what));
  };
  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '[') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      problem(lineNumber, "no \"=\"");
      continue;
    }
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    bool sound = true;
    if (key == "X" || key == "Y") {
      const std::optional<int> n = Number(value, -kMaxCoordinate, kMaxCoordinate);
      (key == "X" ? x : y) = n;
      sound = n.has_value();
    } else if (key == "Width" || key == "Height") {
      const bool w = key == "Width";
      const std::optional<int> n =
          Number(value, w ? kMinWindowWidth : kMinWindowHeight, kMaxWindowSide);
      (w ? width : height) = n;
      sound = n.has_value();
    } else if (key == "FullScreen" || key == "SharpPixels") {
      const std::optional<bool> on = Switch(value);
      if (on) (key == "FullScreen" ? state.fullScreen : state.sharpPixels) = *on;
      sound = on.has_value();
    } else {
      problem(lineNumber, "unknown key");
      continue;
    }
    if (!sound) problem(lineNumber, "bad value for " + std::string(key));
  }
  if (x && y && width && height) state.place = WindowPlace{*x, *y, *width, *height};
  return state;
}

std::string FormatWindowState(const WindowState& state) {
  std::string out = "[Window]\n";
  if (state.place) {
    out += "X=" + std::to_string(state.place->x) + "\n";
    out += "Y=" + std::to_string(state.place->y) + "\n";
    out += "Width=" + std::to_string(state.place->width) + "\n";
    out += "Height=" + std::to_string(state.place->height) + "\n";
  }
  out += std::string("FullScreen=") + (state.fullScreen ? "1" : "0") + "\n";
  out += std::string("SharpPixels=") + (state.sharpPixels ? "1" : "0") + "\n";
  return out;
}

WindowState LoadWindowState(const std::filesystem::path& path, std::vector<std::string>* problems) {
  const FileRead file = ReadRegularFile(path, kMaxSettingsFileSize);
  if (file.failure == FileReadFailure::Missing) return {};
  if (!file) {
    if (problems) problems->push_back(file.reason());
    return {};
  }
  return ParseWindowState(file.bytes, problems);
}

bool SaveWindowState(const std::filesystem::path& path, const WindowState& state) {
  return WriteFileAtomically(path, FormatWindowState(state));
}

WindowState StartWindowState(WindowState remembered, const DesktopOptions& options) {
  if (options.scale) {
    remembered.place.reset();
    remembered.fullScreen = false;
  }
  if (options.fullScreen) remembered.fullScreen = *options.fullScreen;
  if (options.sharpPixels) remembered.sharpPixels = *options.sharpPixels;
  return remembered;
}

}  // namespace qw

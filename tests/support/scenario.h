// A scenario folder built by a test, run headless, with its report and snapshots at hand.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "gfx/surface.h"
#include "host/headless/headless_runner.h"

namespace qw::test {

// Reads a PNG as 32-bit pixels 0x00RRGGBB. Throws std::runtime_error when it cannot.
Surface ReadPng(const std::filesystem::path& path);

// A fresh temporary folder, removed with the object:
//   <root>/scenario/   the scenario folder (the current folder during run()), with a qwk.cfg
//                      that names the folder itself as the save folder
//   <root>/snapshots/  snap NAME.png and final.png
//   <root>/events.txt, <root>/report.json
class Scenario {
 public:
  Scenario();
  ~Scenario();
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  std::filesystem::path snapshotDir() const { return root_ / "snapshots"; }
  std::filesystem::path reportPath() const { return root_ / "report.json"; }

  // A script written as CP932; the text is written as given, line ends included. `name` is
  // relative to the scenario folder (UTF-8; folders on the way are made).
  void writeScript(const std::string& name, std::string_view utf8Text);
  void writeFile(const std::string& name, std::string_view bytes);
  // Generated pictures: a PNG (8-bit RGBA, opaque) or an uncompressed 24-bit BMP.
  void writePng(const std::string& name, const Surface& picture);
  void writeBmp(const std::string& name, const Surface& picture);
  // The events file of the next run (none by default).
  void events(std::string_view text);

  // The run's options beyond the folders: time limit, data root, colour depth.
  HeadlessRunOptions& options() { return options_; }

  // Runs headless with this folder's events, report and snapshot folder. Usage errors
  // (HeadlessUsageError) pass through.
  HeadlessReport run();

  std::string reportJson() const;
  std::filesystem::path snapshotPath(const std::string& name) const;
  bool hasSnapshot(const std::string& name) const;
  // The snapshot NAME.png ("final" for the picture at the end).
  Surface snapshot(const std::string& name) const;

 private:
  std::filesystem::path pathOf(const std::string& name) const;

  std::filesystem::path root_;
  std::filesystem::path dir_;
  HeadlessRunOptions options_;
};

}  // namespace qw::test

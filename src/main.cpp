// The `quillwork` program: picks the front end the command line asks for.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "app/bundled_demo.h"
#include "app/cli.h"
#include "app/coverage.h"
#include "app/engine_options.h"
#include "app/run_stop.h"
#include "gfx/picture_command.h"
#include "host/headless/headless_runner.h"
#include "host/qt/play_in_window.h"
#include "tools/lint.h"

namespace {

std::filesystem::path DefaultScenario(const char* argv0) {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::canonical("/proc/self/exe", ec);
  if (ec) exe = std::filesystem::absolute(argv0, ec);
  for (const auto& candidate :
       {exe.parent_path() / "demo", exe.parent_path() / "../share/quillwork/demo"}) {
    if (std::filesystem::is_directory(candidate, ec)) return candidate;
  }
  return QW_DEMO_DIR;
}

std::string WithoutTrailingSeparator(std::filesystem::path p) {
  std::string s = p.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/')
    s.pop_back();
  return s;
}

int Play(const qw::CommandLine& cmd, int argc, char** argv) {
  std::error_code ec;
  std::filesystem::path dir = cmd.dir ? *cmd.dir : DefaultScenario(argv[0]);
  if (!cmd.dir) {
    const std::filesystem::path copy = qw::ReaderDemoFolder();
    const std::string failure = copy.empty() ? "no home folder" : qw::RefreshDemoCopy(dir, copy);
    if (failure.empty()) {
      dir = copy;
    } else {
      std::cerr << "quillwork: playing the demo where it is installed (" << failure << ")\n";
    }
  }
  dir = std::filesystem::absolute(dir, ec);
  // A file manager opens a scenario by its start script (the desktop entry's "%f").
  if (std::filesystem::is_regular_file(dir, ec)) dir = dir.parent_path();
  if (!std::filesystem::is_directory(dir, ec)) {
    std::cerr << "quillwork: no scenario folder " << dir.string() << "\n";
    return 2;
  }
  std::filesystem::current_path(dir, ec);
  if (ec) {
    std::cerr << "quillwork: cannot enter " << dir.string() << ": " << ec.message() << "\n";
    return 2;
  }
  qw::EngineOptions options;
  options.startDir = dir;
  options.dataRoot =
      WithoutTrailingSeparator(cmd.dataRoot ? std::filesystem::absolute(*cmd.dataRoot, ec) : dir);
  options.textHook = cmd.textHook;
  return qw::PlayInWindow(options, cmd.desktop, argc, argv);
}

int Headless(const qw::CommandLine& cmd) {
  qw::HeadlessRunOptions options;
  options.scenarioDir = *cmd.dir;
  options.dataRoot = cmd.dataRoot;
  options.eventsFile = cmd.events;
  options.reportFile = cmd.report;
  options.snapshotDir = cmd.snapshots;
  if (cmd.timeLimitMs) options.timeLimitMs = *cmd.timeLimitMs;
  options.textHook = cmd.textHook;
  qw::ScriptCoverage coverage;
  if (cmd.coverage) options.coverage = &coverage;
  int code = 0;
  try {
    code = qw::RunHeadless(options);
  } catch (const qw::HeadlessUsageError& e) {
    std::cerr << "quillwork run: " << e.what() << "\n";
    return 2;
  } catch (const qw::HostFailure& e) {
    std::cerr << "quillwork run: " << e.message << "\n";
    code = 3;
  } catch (const std::exception& e) {
    std::cerr << "quillwork run: " << e.what() << "\n";
    code = 1;
  }
  // Whatever ended the run, the lines it took are worth having.
  if (cmd.coverage) {
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::absolute(*cmd.dir, ec);
    const std::string root =
        WithoutTrailingSeparator(cmd.dataRoot ? std::filesystem::absolute(*cmd.dataRoot, ec) : dir);
    if (!coverage.write(*cmd.coverage, dir, root)) {
      std::cerr << "quillwork run: cannot write the coverage file " << cmd.coverage->string()
                << "\n";
      return 3;
    }
  }
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  qw::CommandLine cmd = qw::ParseCommandLineArguments(args);
  switch (cmd.mode) {
    case qw::CommandLine::Mode::Play:
      return Play(cmd, argc, argv);
    case qw::CommandLine::Mode::Headless:
      return Headless(cmd);
    case qw::CommandLine::Mode::Lint:
      return qw::RunLintCommand(*cmd.dir, std::cout, std::cerr);
    case qw::CommandLine::Mode::Cipher:
      return qw::RunCipherCommand(cmd, std::cerr);
    case qw::CommandLine::Mode::Picture: {
      std::error_code ec;
      std::string root =
          cmd.dataRoot ? WithoutTrailingSeparator(std::filesystem::absolute(*cmd.dataRoot, ec))
                       : WithoutTrailingSeparator(std::filesystem::current_path(ec));
      return qw::RunPictureCommand(root, cmd.in, cmd.out, std::cerr);
    }
    case qw::CommandLine::Mode::Help:
      std::cout << qw::UsageText();
      return 0;
    case qw::CommandLine::Mode::Usage:
      break;
  }
  std::cerr << "quillwork: " << cmd.error << "\n" << qw::UsageText();
  return 2;
}

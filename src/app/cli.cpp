#include "app/cli.h"

#include <ostream>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "script/source.h"

namespace qw {
namespace {

bool ParseCount(const std::string& text, std::uint64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

}  // namespace

std::string UsageText() {
  return "usage:\n"
         "  quillwork [--data-root DIR] [--scale N] [--fullscreen | --window]\n"
         "            [--sharp-pixels | --smooth] [--read-aloud] [--texthook[=clipboard]]\n"
         "            [DIR]\n"
         "                                      play the scenario in DIR (default: the demo)\n"
         "  quillwork run --headless [--events FILE] [--report FILE] [--snapshots DIR]\n"
         "                [--time-limit-ms N] [--coverage FILE] [--data-root DIR]\n"
         "                [--texthook[=clipboard]] DIR\n"
         "  quillwork lint DIR                  check every script without running it\n"
         "  quillwork cipher [--key-file FILE] IN OUT\n"
         "  quillwork picture [--data-root DIR] IN OUT.png\n";
}

CommandLine ParseCommandLineArguments(const std::vector<std::string>& args) {
  CommandLine cmd;
  std::size_t i = 0;
  auto fail = [&cmd](std::string message) {
    cmd.mode = CommandLine::Mode::Usage;
    cmd.error = std::move(message);
    return cmd;
  };
  if (i < args.size()) {
    const std::string& first = args[i];
    if (first == "run")
      cmd.mode = CommandLine::Mode::Headless, ++i;
    else if (first == "lint")
      cmd.mode = CommandLine::Mode::Lint, ++i;
    else if (first == "cipher")
      cmd.mode = CommandLine::Mode::Cipher, ++i;
    else if (first == "picture")
      cmd.mode = CommandLine::Mode::Picture, ++i;
    else if (first == "--help" || first == "-h") {
      cmd.mode = CommandLine::Mode::Help;
      return cmd;
    }
  }
  bool headlessSeen = false;
  std::vector<std::string> positional;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    bool headless = cmd.mode == CommandLine::Mode::Headless;
    const bool play = cmd.mode == CommandLine::Mode::Play;
    if (a == "--data-root" && cmd.mode != CommandLine::Mode::Cipher &&
        cmd.mode != CommandLine::Mode::Lint) {
      if (!value(v)) return fail("--data-root needs a folder");
      cmd.dataRoot = v;
    } else if (a == "--headless" && headless) {
      headlessSeen = true;
    } else if (a == "--events" && headless) {
      if (!value(v)) return fail("--events needs a file");
      cmd.events = v;
    } else if (a == "--report" && headless) {
      if (!value(v)) return fail("--report needs a file");
      cmd.report = v;
    } else if (a == "--snapshots" && headless) {
      if (!value(v)) return fail("--snapshots needs a folder");
      cmd.snapshots = v;
    } else if (a == "--time-limit-ms" && headless) {
      std::uint64_t n = 0;
      if (!value(v) || !ParseCount(v, n)) return fail("--time-limit-ms needs a whole number");
      cmd.timeLimitMs = n;
    } else if (a == "--coverage" && headless) {
      if (!value(v)) return fail("--coverage needs a file");
      cmd.coverage = v;
    } else if (a == "--scale" && play) {
      std::uint64_t n = 0;
      if (!value(v) || !ParseCount(v, n) || n < 1 || n > kMaxWindowScale)
        return fail("--scale needs a whole number from 1 to " + std::to_string(kMaxWindowScale));
      cmd.desktop.scale = static_cast<int>(n);
    } else if ((a == "--fullscreen" || a == "--window") && play) {
      const bool full = a == "--fullscreen";
      if (cmd.desktop.fullScreen && *cmd.desktop.fullScreen != full)
        return fail("--fullscreen and --window together");
      cmd.desktop.fullScreen = full;
    } else if ((a == "--sharp-pixels" || a == "--smooth") && play) {
      const bool sharp = a == "--sharp-pixels";
      if (cmd.desktop.sharpPixels && *cmd.desktop.sharpPixels != sharp)
        return fail("--sharp-pixels and --smooth together");
      cmd.desktop.sharpPixels = sharp;
    } else if (a == "--read-aloud" && play) {
      cmd.desktop.readAloud = true;
    } else if (a.starts_with("--texthook") && (play || headless)) {
      if (a == "--texthook" || a == "--texthook=stdout") {
        cmd.textHook = TextHookTarget::Stdout;
      } else if (a == "--texthook=clipboard") {
        cmd.textHook = TextHookTarget::Clipboard;
      } else {
        return fail("--texthook goes to standard output, or --texthook=clipboard");
      }
    } else if (a == "--key-file" && cmd.mode == CommandLine::Mode::Cipher) {
      if (!value(v)) return fail("--key-file needs a file");
      cmd.keyFile = v;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      return fail("unknown option " + a);
    } else {
      positional.push_back(a);
    }
  }
  switch (cmd.mode) {
    case CommandLine::Mode::Play:
      if (positional.size() > 1) return fail("more than one scenario folder");
      if (!positional.empty()) cmd.dir = positional[0];
      break;
    case CommandLine::Mode::Headless:
      if (!headlessSeen) return fail("run needs --headless");
      if (positional.size() != 1) return fail("run needs one scenario folder");
      cmd.dir = positional[0];
      break;
    case CommandLine::Mode::Lint:
      if (positional.size() != 1) return fail("lint needs one scenario folder");
      cmd.dir = positional[0];
      break;
    case CommandLine::Mode::Cipher:
    case CommandLine::Mode::Picture:
      if (positional.size() != 2) return fail("needs IN and OUT");
      cmd.in = positional[0];
      cmd.out = positional[1];
      break;
    default:
      break;
  }
  return cmd;
}

int RunCipherCommand(const CommandLine& cmd, std::ostream& err) {
  FileRead input = ReadRegularFile(cmd.in, kMaxScriptFileSize);
  if (!input) {
    err << "quillwork cipher: cannot read " << cmd.in << ": " << input.reason() << "\n";
    return 1;
  }
  std::error_code ec;
  if (cmd.keyFile && !std::filesystem::exists(*cmd.keyFile, ec)) {
    err << "quillwork cipher: cannot read the key file " << cmd.keyFile->string() << "\n";
    return 1;
  }
  std::string problem;
  const std::int32_t key =
      cmd.keyFile ? ReadScriptKeyFile(*cmd.keyFile, &problem) : ReadScriptKey({}, &problem);
  // An unusable key file would silently encipher with the default key.
  if (!problem.empty()) {
    err << "quillwork cipher: " << problem << "\n";
    return 1;
  }
  CipherBytes(input.bytes, key);
  if (!WriteFileAtomically(cmd.out, input.bytes)) {
    err << "quillwork cipher: cannot write " << cmd.out << "\n";
    return 1;
  }
  return 0;
}

}  // namespace qw

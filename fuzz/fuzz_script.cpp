// Script text through the reader, the line parsers and the evaluator.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/errors.h"
#include "script/parse.h"
#include "script/source.h"
#include "state/expr.h"

namespace {

struct QuietReporter : qw::ErrorReporter {
  void scriptError(const std::string&, qw::MessageIcon) override {}
  void reportScriptError(const std::string&) override {}
};

struct CountingSystem : qw::SystemValueSource {
  std::int32_t systemValue(int index) override { return index; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  qw::ScriptSource source;
  source.lines = qw::SplitLines(bytes);
  for (std::string& line : source.lines)
    qw::CipherLine(line, qw::kDefaultScriptKey);
  qw::BuildLabelTable(source);
  for (std::string& line : source.lines)
    qw::CipherLine(line, qw::kDefaultScriptKey);
  qw::BuildLabelTable(source);

  qw::FlagStore flags;
  flags.set(1, "12");
  CountingSystem sys;
  QuietReporter reporter;
  qw::Evaluator eval(flags, sys, reporter);
  std::array<std::string, qw::TProg::kArgCount> args;
  for (const std::string& line : source.lines) {
    std::string_view trimmed = qw::TrimControl(line);
    std::string word = qw::ParseCommandLine(trimmed, args);
    qw::ParseMenuItemLine(trimmed);
    qw::FindLabel(source, trimmed);
    try {
      eval.EvaluateArgument(trimmed);
      for (const std::string& a : args)
        eval.EvaluateArgument(a);
      int pos = 2;
      eval.EvaluateAt(word, pos);
      eval.ReadSubscript(word, 2);
      pos = 1;
      eval.EvaluateText(args[0], pos);
    } catch (const qw::FrameworkError&) {
      // Division by zero and bad numbers are the platform's errors, handled by the engine.
    }
  }
  return 0;
}

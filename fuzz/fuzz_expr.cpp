// The expression evaluator on arbitrary text, through each of its entry points.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "state/expr.h"

namespace {

struct QuietReporter : qw::ErrorReporter {
  void scriptError(const std::string&, qw::MessageIcon) override {}
  void reportScriptError(const std::string&) override {}
};

struct CountingSystem : qw::SystemValueSource {
  std::int32_t systemValue(int index) override { return index * 7 - 3; }
};

const qw::FlagStore& Flags() {
  static const qw::FlagStore flags = [] {
    qw::FlagStore f;
    f.set(1, "12");
    f.set(2, "-2147483648");
    f.set(3, "2147483647");
    f.set(4, "text");  // no number: the integer view fails
    f.set(300, "0");
    return f;
  }();
  return flags;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CountingSystem sys;
  QuietReporter reporter;
  qw::Evaluator eval(Flags(), sys, reporter);
  for (int start : {1, 2}) {
    try {
      eval.EvaluateArgument(text);
      eval.Parse(text, start);
      int pos = start;
      eval.EvaluateAt(text, pos);
      pos = start;
      eval.EvaluateText(text, pos);
      eval.ReadSubscript(text, start);
    } catch (const qw::FrameworkError&) {
      // Division by zero and bad numbers are the platform's errors, handled by the engine.
    }
  }
  return 0;
}

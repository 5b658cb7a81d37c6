// The integer expression evaluator: an operator-precedence parser over 32-bit signed integers
// with flag references as variables. Positions are one-based byte positions in the text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/reporter.h"
#include "state/flags.h"

namespace qw {

// The computed `$sys` values.
class SystemValueSource {
 public:
  virtual ~SystemValueSource() = default;
  virtual std::int32_t systemValue(int index) = 0;
};

class Evaluator {
 public:
  Evaluator(const FlagStore& flags, SystemValueSource& sys, ErrorReporter& reporter)
      : flags_(flags), sys_(sys), reporter_(reporter) {}

  // A whole argument; the empty text gives 0. A failure is reported and gives 1.
  std::int32_t EvaluateArgument(std::string_view text);
  // From `pos`, leaving `pos` after the expression's terminator. A failure is reported, puts
  // `pos` back and gives 1.
  std::int32_t EvaluateAt(std::string_view text, int& pos);
  // The text reader: an `@flg[...]` reference at `pos` gives the cell's text.
  std::string EvaluateText(std::string_view text, int& pos);
  // The subscript reader of the flag commands: `$flg`, `@flg` or `$sys` and a subscript at
  // `pos`. An out-of-range subscript is reported with the whole text and gives 0.
  int ReadSubscript(std::string_view text, int pos);

  // The core parse, without reporting: the value, and the position after the expression or a
  // negative failure code.
  struct Result {
    std::int32_t value = 0;
    int pos = 0;  // negative: failure code
  };
  Result Parse(std::string_view text, int pos);

 private:
  struct Reference {
    bool valid = false;
    char kind = 0;  // 'f' $flg, 't' @flg, 's' $sys
    int index = 0;
    int end = 0;    // position after the reference
    int failure = 0;
  };
  Reference ReadReference(std::string_view text, int pos, int depth);
  Result ParseLevel(std::string_view text, int pos, int depth);
  void ReportFailure(int code, std::string_view text);

  const FlagStore& flags_;
  SystemValueSource& sys_;
  ErrorReporter& reporter_;
};

}  // namespace qw

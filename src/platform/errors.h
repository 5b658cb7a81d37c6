// The two ways out of the middle of a step besides returning.
#pragma once

#include <stdexcept>
#include <string>

namespace qw {

// A platform failure (a file that cannot be opened, a text that is not a number, a division
// by zero) with the platform's own message, UTF-8. The application exception handler shows
// it and passes it to the script error report.
class FrameworkError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The process is to end with `code`. Unwinds to the top; deliberately not a std::exception,
// so that no handler of framework errors swallows it.
struct EngineExit {
  int code = 0;
};

}  // namespace qw

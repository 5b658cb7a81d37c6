// Ends a run from outside the script: thrown by a host (or the line budget) from inside a wait,
// it unwinds through the engine to the front end, which reports why the run stopped.
#pragma once

#include <string>

namespace qw {

struct RunStopped {
  enum class Reason { InputExhausted, TimeLimit };
  Reason reason;
};

// A failure of the program itself, not of the script: a snapshot or report that cannot be
// written. It is no std::exception, so the engine's handlers of script failures let it pass;
// the front end prints `message` and exits with status 3.
struct HostFailure {
  std::string message;
};

}  // namespace qw

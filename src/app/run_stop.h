// Ends a run from outside the script: thrown by a host (or the line budget) from inside a wait,
// it unwinds through the engine to the front end, which reports why the run stopped.
#pragma once

namespace qw {

struct RunStopped {
  enum class Reason { InputExhausted, TimeLimit };
  Reason reason;
};

}  // namespace qw

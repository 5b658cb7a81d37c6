// A subsystem of the engine (media, saves, tool windows): one owner of its own state, held by
// the engine object behind a forward declaration, that knows how to start over when the story
// returns to the title.
#pragma once

namespace qw {

class Subsystem {
 public:
  virtual ~Subsystem() = default;
  // The return to the title: back to the state the subsystem had when the scenario started,
  // keeping what outlives a story (settings, the read-text record).
  virtual void ResetForTitle() = 0;
};

}  // namespace qw

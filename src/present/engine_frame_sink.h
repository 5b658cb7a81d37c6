// The engine's side of the frame sink the drawn effects use: the window's picture, presenting
// through the host, and pauses on the wait unit with clicks not counting.
#pragma once

#include "gfx/frame_sink.h"

namespace qw {

class TFmain;

class EngineFrameSink final : public FrameSink {
 public:
  explicit EngineFrameSink(TFmain& engine) : engine_(engine) {}
  Surface& shown() override;
  void present(const IntRect& area) override;
  void pause(std::uint32_t ms) override;

 private:
  TFmain& engine_;
};

}  // namespace qw

// The engine's timed frame sink for the effects that keep their own frame deadlines (the
// picture roll, the moving window): the frame sink of the transitions plus the host's clock,
// single wait rounds and the reader's mouse signals.
#pragma once

#include "gfx/effect_sink.h"
#include "present/engine_frame_sink.h"

namespace qw {

class TFmain;

class EngineTimedSink final : public TimedFrameSink {
 public:
  explicit EngineTimedSink(TFmain& engine) : engine_(engine), frames_(engine) {}
  Surface& shown() override { return frames_.shown(); }
  void present(const IntRect& area) override { frames_.present(area); }
  void pause(std::uint32_t ms) override { frames_.pause(ms); }
  std::uint32_t ticks() override;
  void waitRound(std::uint32_t deadline) override;
  bool buttonHeld() override;
  void clearMouseSignals() override;

 private:
  TFmain& engine_;
  EngineFrameSink frames_;
};

// Where the effects' picture files come from: the scenario's data root, the engine's error
// reports and its host for the loaders' warning boxes.
PictureFiles EnginePictureFiles(TFmain& engine);

}  // namespace qw

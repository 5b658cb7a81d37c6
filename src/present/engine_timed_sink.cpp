#include "present/engine_timed_sink.h"

#include "app/engine.h"

namespace qw {

std::uint32_t EngineTimedSink::ticks() {
  return engine_.waiter().now();
}

void EngineTimedSink::waitRound(std::uint32_t deadline) {
  engine_.waiter().round(deadline);
}

bool EngineTimedSink::buttonHeld() {
  const InputSignals& input = engine_.input();
  return input.mouseDown && !input.mouseUp;
}

void EngineTimedSink::clearMouseSignals() {
  InputSignals& input = engine_.input();
  input.mouseDown = input.mouseUp = false;
}

PictureFiles EnginePictureFiles(TFmain& engine) {
  return PictureFiles{engine.options().dataRoot, engine, &engine.host()};
}

}  // namespace qw

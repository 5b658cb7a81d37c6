#include "present/engine_frame_sink.h"

#include "app/engine.h"

namespace qw {

Surface& EngineFrameSink::shown() {
  return engine_.window();
}

void EngineFrameSink::present(const IntRect& area) {
  engine_.PresentWindow(area);
}

void EngineFrameSink::pause(std::uint32_t ms) {
  if (ms == 0) {
    engine_.waiter().processPending();
    return;
  }
  engine_.Pause(ms);
}

}  // namespace qw

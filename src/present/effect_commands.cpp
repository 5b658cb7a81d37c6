#include "present/effect_commands.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/engine.h"
#include "gfx/black_hole.h"
#include "gfx/scroll_roll.h"
#include "gfx/shake.h"
#include "present/engine_frame_sink.h"
#include "present/engine_timed_sink.h"
#include "script/source.h"

namespace qw {
namespace {

// `$sys[30]`: the next number of the engine's own generator, so that a seeded run repeats.
constexpr int kRandomSystemValue = 30;
constexpr const char* kEndMarker = "_endscroll";

BlackHoleArgs WindowArgs(TFmain& e) {
  BlackHoleArgs args;
  args.picture = e.arg(0);
  args.sourceX = e.argInt(1);
  args.sourceY = e.argInt(2);
  args.x = e.argInt(3);
  args.y = e.argInt(4);
  args.width = e.argInt(5);
  args.height = e.argInt(6);
  args.frames = e.argInt(7);
  args.interval = e.argInt(8);
  args.screenDirection = e.argInt(9);
  args.sourceDirection = e.argInt(10);
  return args;
}

}  // namespace

void CmdScroll(TFmain& e) {
  RollSettings settings;
  settings.interval = e.argInt(0);
  settings.color = RollColorPixel(e.arg(1));
  settings.step = e.argInt(2);
  settings.fastForward = e.argInt(3, 0) != 0;
  settings.kind = e.argInt(4, 0);

  TProg& p = e.prog();
  const std::vector<std::string>& script = e.script().lines;
  const auto size = static_cast<std::int32_t>(script.size());
  const std::int32_t first = std::clamp(p.Pc + 1, 0, size);
  std::int32_t end = e.FindLineFrom(kEndMarker, first);
  // A missing marker gives line 0 after its message. Going on at line 1 would meet this
  // `_scroll` again and roll for ever; the roll takes the rest of the script instead.
  if (end < first || end >= size ||
      TrimControl(script[static_cast<std::size_t>(end)]) != kEndMarker) {
    end = size;
  }
  // A copy: the roll waits, and the lines must not move under it.
  const std::vector<std::string> lines(script.begin() + first, script.begin() + end);
  p.NextPc = std::min(end + 1, size);
  p.TextPos = 0;
  p.Status = 0;

  MenuLockScope locked(e.menu());
  EngineTimedSink sink(e);
  RunRoll(settings, lines, sink, EnginePictureFiles(e));
}

void CmdShake(TFmain& e) {
  const std::int32_t amplitude = e.argInt(0, 16);
  const std::int32_t count = e.argInt(1, 5);
  const std::int32_t delay = e.argInt(2, 100);
  MenuLockScope locked(e.menu());
  EngineFrameSink sink(e);
  RunShake(amplitude, count, delay, e.screen().buffer(TEMP2), sink,
           [&e] { return e.systemValue(kRandomSystemValue); });
}

void CmdBhole(TFmain& e) {
  const BlackHoleArgs args = WindowArgs(e);
  MenuLockScope locked(e.menu());
  EngineTimedSink sink(e);
  RunBlackHole(args, e.screen().buffer(BG), sink, EnginePictureFiles(e));
}

void CmdBholeop(TFmain& e) {
  const BlackHoleArgs args = WindowArgs(e);
  BlackHoleOverlay overlay;
  overlay.x = e.argInt(11);
  overlay.y = e.argInt(12);
  overlay.mode = e.argInt(13);
  overlay.picture = e.arg(14);
  MenuLockScope locked(e.menu());
  EngineTimedSink sink(e);
  RunBlackHoleOp(args, overlay, e.screen().buffer(BG), sink, EnginePictureFiles(e));
}

void CmdBholeover(TFmain& e) {
  const BlackHoleArgs args = WindowArgs(e);
  BlackHoleOverlay overlay;
  overlay.x = e.argInt(11);
  overlay.y = e.argInt(12);
  overlay.maskFile = e.arg(13);
  overlay.picture = e.arg(14);
  MenuLockScope locked(e.menu());
  EngineTimedSink sink(e);
  RunBlackHoleOver(args, overlay, sink, EnginePictureFiles(e));
}

}  // namespace qw

// One full refresh of a busy frame against a plain 640 x 480 copy in the same run.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench_support.h"
#include "gfx/composite.h"
#include "gfx/raster.h"
#include "present/screen.h"

namespace {

qw::Surface Pattern(int w, int h, std::uint32_t seed) {
  qw::Surface s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      s.at(x, y) = (seed * 2654435761u) ^ (static_cast<std::uint32_t>(x * 7 + y * 13));
  return s;
}

// Background, three masked character layers, a masked effect in "#BLEND", darkening, the text
// overlay and four sprites.
qw::Screen BusyScreen() {
  qw::Screen s;
  qw::ResetAllBuffers(s);
  s.buffer(qw::BG) = Pattern(640, 480, 1);
  s.record(qw::BG).shown = true;
  for (int layer = 0; layer < 3; ++layer) {
    int slot = qw::PERSON0 + 2 * layer;
    s.buffer(slot) = Pattern(300, 440, static_cast<std::uint32_t>(10 + layer));
    s.buffer(slot).at(0, 0) = 0x123456;
    qw::MakeColorMask(s.buffer(slot), s.buffer(slot + 1), qw::PixelToColor(0x123456));
    qw::TImageStatus& r = s.record(slot);
    r.shown = r.loaded = r.transparent = true;
    r.x = layer * 170;
    r.y = 40;
  }
  s.buffer(qw::EFFECT) = Pattern(640, 480, 5);
  s.buffer(qw::EFFECT_MASK) = qw::Surface(640, 480, 0);
  qw::TImageStatus& fx = s.record(qw::EFFECT);
  fx.shown = true;
  fx.mode = static_cast<int>(qw::CompositeMode::Blend);
  fx.maskMode = qw::kMaskSource;
  fx.order = 1;
  s.darkness = true;
  s.sprite.cellWidth = s.sprite.cellHeight = 32;
  s.sprite.columns = 4;
  s.sprite.rows = 1;
  s.sprite.ready = s.sprite.transparent = true;
  s.buffer(qw::SPRITE) = Pattern(128, 32, 7);
  s.buffer(qw::SPRITE_MASK) = qw::Surface(128, 32, 0);
  for (int i = 0; i < 4; ++i) {
    s.spriteSlots[static_cast<std::size_t>(i)].visible = true;
    s.spriteSlots[static_cast<std::size_t>(i)].x = 100 * i;
    s.spriteSlots[static_cast<std::size_t>(i)].y = 300;
    s.spriteSlots[static_cast<std::size_t>(i)].column = i;
  }
  return s;
}

void BM_PlainCopy(benchmark::State& state) {
  qw::Surface src = Pattern(640, 480, 3);
  qw::Surface dst(640, 480);
  for (auto _ : state) {
    qw::Blit(dst, 0, 0, 640, 480, src, 0, 0, qw::RasterOp::Copy);
    benchmark::DoNotOptimize(dst.data());
  }
}
BENCHMARK(BM_PlainCopy);

void BM_BusyFrame(benchmark::State& state) {
  qw::Screen s = BusyScreen();
  qw::Surface window(640, 480);
  for (auto _ : state) {
    // As FullRefresh does it: the darkening, the copy and the text in one sweep.
    qw::ComposeVram(s, true);
    qw::ShowComposedFrame(window, s.buffer(qw::VRAM), s.darknessRate, &s.buffer(qw::TEXT),
                          &s.buffer(qw::TEXT_MASK), 640, 480);
    qw::DrawSprites(s, window);
    benchmark::DoNotOptimize(window.data());
  }
  qw::bench::ReportCopies(state);
}
BENCHMARK(BM_BusyFrame);

}  // namespace

BENCHMARK_MAIN();

#include "present/page_snapshot.h"

#include "app/engine.h"

namespace qw {

void TakePageSnapshot(TFmain& engine) {
  PageSnapshot snapshot;
  snapshot.prog = engine.prog();
  for (int i = 0; i < 256; ++i)
    snapshot.localFlags[static_cast<std::size_t>(i)] = engine.flags().text(i);
  snapshot.textStatus = engine.textStatus();
  snapshot.text = engine.text();
  engine.backlog().markSaveRangeTaken();
  engine.pageSnapshot() = std::move(snapshot);
}

}  // namespace qw

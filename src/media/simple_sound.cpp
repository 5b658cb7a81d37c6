#include "media/simple_sound.h"

#include "app/engine.h"
#include "app/media_subsystem.h"

namespace qw {

void PlaySimpleSound(TFmain& engine, const std::string& cp932Name, bool wait) {
  engine.media().PlaySimpleSound(SimpleSoundKind::Voice, cp932Name, wait);
}

}  // namespace qw

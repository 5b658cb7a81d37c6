#include "media/menu_hooks.h"

#include "app/engine.h"
#include "app/media_subsystem.h"

namespace qw {

void RestartEndlessMusic(TFmain& engine) {
  engine.media().channels().RestartEndlessMusic();
}

bool StopMusicForMenu(TFmain& engine) {
  return engine.media().channels().MusicSwitchedOff();
}

void ResumeMusicForMenu(TFmain& engine) {
  engine.media().channels().MusicSwitchedOn();
}

void StopSoundForMenu(TFmain& engine) {
  engine.media().channels().SoundSwitchedOff();
}

void ResumeSoundForMenu(TFmain& engine) {
  engine.media().channels().SoundSwitchedOn();
}

void PlayMenuClickSound(TFmain& engine) {
  // Without a configured sound the menu ends silently and at once.
  const std::string file = engine.config().value("MenuClickSound");
  if (file.empty()) return;
  engine.media().PlaySimpleSound(SimpleSoundKind::Click, file, true);
}

}  // namespace qw

#include "media/menu_hooks.h"

namespace qw {

// No channel exists yet: nothing plays, so every stop succeeds and nothing restarts.
void RestartEndlessMusic(TFmain& /*engine*/) {}
bool StopMusicForMenu(TFmain& /*engine*/) {
  return true;
}
void ResumeMusicForMenu(TFmain& /*engine*/) {}
void StopSoundForMenu(TFmain& /*engine*/) {}
void ResumeSoundForMenu(TFmain& /*engine*/) {}

}  // namespace qw

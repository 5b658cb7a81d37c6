// What the pop-up menu's display and sound switches and the choice menus ask of the engine's
// sound channels.
#pragma once

namespace qw {

class TFmain;

// After a change of the window frame or of full screen: music that repeats endlessly (the
// CD track, then MIDI or MP3 music) plays again from the start.
void RestartEndlessMusic(TFmain& engine);
// `Kmusic` switched off: remembers which of CD audio and file music plays and stops both.
// Returns whether both stops succeeded.
bool StopMusicForMenu(TFmain& engine);
// `Kmusic` switched on: the remembered music plays again if it repeats endlessly.
void ResumeMusicForMenu(TFmain& engine);
// `Ksound` switched off: remembers whether a sound effect plays and stops it.
void StopSoundForMenu(TFmain& engine);
// `Ksound` switched on: the remembered sound effect plays again if it repeats endlessly.
void ResumeSoundForMenu(TFmain& engine);
// A choice menu ended: the configured `MenuClickSound` plays, and this returns when it has
// ended. Without one it returns at once.
void PlayMenuClickSound(TFmain& engine);

}  // namespace qw

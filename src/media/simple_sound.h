// The simple sound call of the text tags: a sound file played once, with or without waiting.
#pragma once

#include <string>

namespace qw {

class TFmain;

// Plays the sound file `cp932Name` ("%DATA_DRIVE%" allowed); with `wait`, returns when it has
// ended. An empty name stops the sound; a file that cannot be played stays silent.
void PlaySimpleSound(TFmain& engine, const std::string& cp932Name, bool wait);

}  // namespace qw

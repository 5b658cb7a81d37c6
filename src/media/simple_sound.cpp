#include "media/simple_sound.h"

namespace qw {

void PlaySimpleSound(TFmain& /*engine*/, const std::string& /*cp932Name*/, bool /*wait*/) {
  // The sound channels join here; a missing file stays silent as the platform call does.
}

}  // namespace qw

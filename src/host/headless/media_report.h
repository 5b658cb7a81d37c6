// The report's `channels` and `audio` fields: the three sound-channel records with the music
// mode, and every medium started, ended or stopped.
#pragma once

#include <nlohmann/json.hpp>

#include "media/audio_log.h"
#include "media/media_channels.h"

namespace qw {

// {"mode": -1, "music": {...}, "sound": {...}, "cd": {...}}; each channel as
// {"file", "plays", "repeat", "start", "length", "playing", "open", "pending"}, its file name
// converted from CP932.
nlohmann::ordered_json ChannelsToJson(const MediaChannels& channels);
// [{"ms", "channel", "event", "file"}, ...] in the order they happened.
nlohmann::ordered_json AudioLogToJson(const AudioLog& log);

}  // namespace qw

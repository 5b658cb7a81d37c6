#include "host/headless/media_report.h"

#include "host/headless/report.h"
#include "platform/cp932.h"
#include "platform/text_cut.h"

namespace qw {

namespace {

// Cut before the conversion, so that a name of megabytes is never converted whole.
std::string FileText(const std::string& cp932) {
  return CutText(ValidUtf8(Cp932ToUtf8(std::string_view(cp932).substr(0, kMaxListTextBytes))));
}

nlohmann::ordered_json ChannelToJson(const TSoundChannel& c) {
  return {{"file", FileText(c.fileName)},
          {"plays", c.playCount},
          {"repeat", c.repeatCount},
          {"start", c.startPos},
          {"length", c.length},
          {"playing", c.playing},
          {"open", c.open},
          {"pending", c.pending}};
}

}  // namespace

nlohmann::ordered_json ChannelsToJson(const MediaChannels& channels) {
  nlohmann::ordered_json out;
  out["mode"] = channels.musicMode();
  out["music"] = ChannelToJson(channels.music());
  out["sound"] = ChannelToJson(channels.sound());
  out["cd"] = ChannelToJson(channels.cd());
  return out;
}

nlohmann::ordered_json AudioLogToJson(const AudioLog& log) {
  nlohmann::ordered_json out = nlohmann::ordered_json::array();
  for (const AudioEvent& e : log.entries()) {
    out.push_back(
        {{"ms", e.ms}, {"channel", e.channel}, {"event", e.event}, {"file", FileText(e.file)}});
  }
  return out;
}

}  // namespace qw

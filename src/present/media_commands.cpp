#include "present/media_commands.h"

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "app/engine.h"
#include "app/media_subsystem.h"
#include "media/movie.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "present/screen.h"
#include "present/wait.h"

namespace qw {

namespace {

constexpr IntRect kWholeWindow{0, 0, kScreenWidth, kScreenHeight};

MediaChannels& Channels(TFmain& e) {
  return e.media().channels();
}

// The name of a file and its repeat count, read in that order.
struct FileAndRepeat {
  std::string file;
  std::int32_t repeat;
};

FileAndRepeat ReadFileAndRepeat(TFmain& e) {
  std::string file = e.arg(0);
  const std::int32_t repeat = e.argInt(1);
  return {std::move(file), repeat};
}

// While a movie shows, the window shows the form behind the hidden picture: black, with the
// movie's rectangle over it. The picture itself is left as it was and comes back at the end,
// however the wait ends.
class PictureHiddenScope {
 public:
  explicit PictureHiddenScope(TFmain& e) : e_(e) {}
  ~PictureHiddenScope() { e_.PresentWindow(kWholeWindow); }
  PictureHiddenScope(const PictureHiddenScope&) = delete;
  PictureHiddenScope& operator=(const PictureHiddenScope&) = delete;

 private:
  TFmain& e_;
};

}  // namespace

void CmdBgmmode(TFmain& e) {
  Channels(e).setMusicMode(e.argInt(0));
}

void CmdBgmplay(TFmain& e) {
  FileAndRepeat a = ReadFileAndRepeat(e);
  Channels(e).BgmPlay(a.file, a.repeat);
}

void CmdBgmstop(TFmain& e) {
  Channels(e).BgmStop();
}

void CmdMidiplay(TFmain& e) {
  FileAndRepeat a = ReadFileAndRepeat(e);
  Channels(e).PlayMusic(a.file, a.repeat);
}

void CmdMidistop(TFmain& e) {
  Channels(e).StopMusic();
}

void CmdCdplay(TFmain& e) {
  const std::int32_t track = e.argInt(0);
  const std::int32_t repeat = e.argInt(1);
  Channels(e).PlayCdTrack(track, repeat);
}

void CmdCdstop(TFmain& e) {
  Channels(e).StopCd();
}

void CmdPcmplay(TFmain& e) {
  FileAndRepeat a = ReadFileAndRepeat(e);
  Channels(e).PlaySound(a.file, a.repeat);
}

void CmdPcmstop(TFmain& e) {
  Channels(e).StopSound();
}

void CmdAviplay(TFmain& e) {
  const std::string file = e.arg(0);
  const std::int32_t left = e.argInt(1, 0);
  const std::int32_t top = e.argInt(2, 0);
  const std::int32_t width = e.argInt(3, kScreenWidth);
  const std::int32_t height = e.argInt(4, kScreenHeight);
  MediaSubsystem& media = e.media();

  std::error_code ec;
  std::filesystem::path path = ResolvePath(file, e.options().dataRoot);
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  if (!ec) path = full;
  std::string error;
  std::unique_ptr<MoviePlayback> movie = MoviePlayback::Open(
      path, MoviePlayback::DisplayRect(left, top, width, height), &media.output(), error);
  if (!movie) {
    throw FrameworkError("Cannot open movie \"" + path.string() + "\": " + error);
  }

  MenuLockScope locked(e.menu());
  FlagScope waiting(media.movieWait(), true);
  InputSignals& in = e.input();
  in.click = in.mouseDown = in.mouseUp = false;
  Waiter& waiter = e.waiter();
  Host& host = e.host();
  Surface form(kScreenWidth, kScreenHeight, 0);
  bool ended = false;
  {
    PictureHiddenScope hidden(e);
    host.present(form, kWholeWindow);
    movie->start(waiter.now());
    media.LogMovie("play", file);
    auto clicked = [&] { return in.click || !media.movieWait(); };
    for (;;) {
      const std::uint32_t now = waiter.now();
      const IntRect drawn = movie->update(form, now);
      if (!drawn.empty()) host.present(form, drawn);
      if (movie->finished(now)) {
        ended = true;
        break;
      }
      if (clicked()) break;
      waiter.untilTickOr(movie->nextDeadline(), clicked);
    }
    movie.reset();
  }
  media.LogMovie(ended ? "end" : "stop", file);
  // The click that ended the movie does not advance the story.
  in.click = in.mouseDown = in.mouseUp = false;
}

}  // namespace qw

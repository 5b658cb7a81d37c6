// Movies through FFmpeg: the picture decoded frame by frame and scaled into a rectangle of the
// window, the sound track through the same output as every other sound, frames shown when
// their time comes on the caller's clock (the virtual clock in a headless run).
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "gfx/surface.h"
#include "media/audio_output.h"
#include "media/ffmpeg_input.h"
#include "platform/host.h"

struct SwsContext;

namespace qw {

// The largest picture a movie may have, in pixels: bigger ones are refused when opened and
// frames that grow past it are dropped.
inline constexpr std::int64_t kMaxMoviePixels = kMaxDecodedPixels;

class MovieDecoder {
 public:
  // Opens the video stream of `path` and decodes its first frame. Null with `error` set
  // (UTF-8) when the file is no movie FFmpeg can decode.
  static std::unique_ptr<MovieDecoder> Open(const std::filesystem::path& path, std::string& error);
  ~MovieDecoder();
  MovieDecoder(const MovieDecoder&) = delete;
  MovieDecoder& operator=(const MovieDecoder&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // Frames per second as the file states it; 0 when it does not.
  double frameRate() const { return frameRate_; }
  // The movie's length from its header; 0 when the header does not tell.
  std::int32_t durationMs() const { return durationMs_; }

  // When the next frame is to be shown, in milliseconds from the start; nothing after the
  // last frame.
  std::optional<std::int32_t> nextFrameTime() const { return nextTime_; }
  // Makes the next frame the current one and decodes the one after it.
  void advance();
  // The time of the current frame; nothing before the first advance().
  std::optional<std::int32_t> currentFrameTime() const { return currentTime_; }
  // Draws the current frame scaled into `dest` (picture coordinates; the part outside
  // `target` is cut off). Nothing happens before the first advance().
  void drawCurrent(Surface& target, const IntRect& dest);

 private:
  MovieDecoder() = default;
  bool decodeNext();

  std::unique_ptr<DecodedStream> input_;
  AvFramePtr current_;
  AvFramePtr next_;
  SwsContext* sws_ = nullptr;
  Surface scaled_;
  int width_ = 0;
  int height_ = 0;
  double frameRate_ = 0;
  std::int32_t durationMs_ = 0;
  std::int32_t frameStepMs_ = 40;
  std::optional<std::int32_t> nextTime_;
  std::optional<std::int32_t> currentTime_;
};

// One showing of a movie: its frames into the window on the caller's clock, its sound track
// on the output's movie slot.
class MoviePlayback {
 public:
  // The rectangle of the movie command: left, top, width, height (MCI's destination form).
  // Sides past the int range are cut to it.
  static IntRect DisplayRect(int left, int top, int width, int height) {
    auto end = [](int start, int size) {
      const std::int64_t e = std::int64_t{start} + size;
      return static_cast<int>(std::clamp<std::int64_t>(e, std::numeric_limits<int>::min(),
                                                       std::numeric_limits<int>::max()));
    };
    return {left, top, end(left, width), end(top, height)};
  }

  // Opens the movie `path` for showing in `dest`. Null with `error` set when it cannot be
  // decoded. `audio` may be null (no sound track is played then).
  static std::unique_ptr<MoviePlayback> Open(const std::filesystem::path& path, const IntRect& dest,
                                             AudioOutput* audio, std::string& error);
  // Stops the sound track.
  ~MoviePlayback();

  // Starts the clock and the sound track (when the file has one that can be played).
  void start(std::uint32_t now);
  // Draws into `window` the latest frame due by `now` and returns the area to present;
  // empty when no new frame was due.
  IntRect update(Surface& window, std::uint32_t now);
  // The tick by which update() has something to do: the next frame or the end.
  std::uint32_t nextDeadline() const;
  // Whether the movie has played to its end by `now`.
  bool finished(std::uint32_t now) const;
  // The length the movie plays: its header's, or its last frame's end when longer.
  std::int32_t lengthMs() const;
  // Stops the sound track early.
  void stop();

  const MovieDecoder& decoder() const { return *decoder_; }

 private:
  MoviePlayback() = default;
  std::int32_t elapsed(std::uint32_t now) const;

  std::unique_ptr<MovieDecoder> decoder_;
  AudioOutput* audio_ = nullptr;
  std::filesystem::path path_;
  IntRect dest_;
  std::uint32_t start_ = 0;
  bool started_ = false;
  std::int32_t lastFrameEnd_ = 0;
};

}  // namespace qw

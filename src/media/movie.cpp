#include "media/movie.h"

#include <algorithm>
#include <cmath>
#include <limits>

extern "C" {
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace qw {

namespace {

// The largest rectangle a movie is scaled to; beyond it nothing is drawn.
constexpr int kMaxDisplaySide = 4096;
// Frames stamped later than this past the header's length are taken as the end.
constexpr std::int32_t kLateFrameSlackMs = 1000;

std::int32_t ToMs(double ms) {
  if (!(ms > 0)) return 0;
  if (ms >= std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::llround(ms));
}

}  // namespace

std::unique_ptr<MovieDecoder> MovieDecoder::Open(const std::filesystem::path& path,
                                                 std::string& error) {
  std::unique_ptr<MovieDecoder> d(new MovieDecoder);
  d->input_ = DecodedStream::Open(path, AVMEDIA_TYPE_VIDEO, error);
  if (!d->input_) return nullptr;
  const AVStream& stream = d->input_->stream();
  d->width_ = stream.codecpar->width;
  d->height_ = stream.codecpar->height;
  if (d->width_ <= 0 || d->height_ <= 0 ||
      static_cast<std::int64_t>(d->width_) * d->height_ > kMaxMoviePixels) {
    error =
        "unsupported picture size " + std::to_string(d->width_) + "x" + std::to_string(d->height_);
    return nullptr;
  }
  AVRational rate = av_guess_frame_rate(const_cast<AVFormatContext*>(&d->input_->format()),
                                        const_cast<AVStream*>(&stream), nullptr);
  if (rate.num > 0 && rate.den > 0) {
    d->frameRate_ = av_q2d(rate);
    d->frameStepMs_ = std::max(1, ToMs(1000.0 / d->frameRate_));
  }
  if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
    d->durationMs_ = ToMs(static_cast<double>(stream.duration) * av_q2d(stream.time_base) * 1000);
  } else if (d->input_->format().duration != AV_NOPTS_VALUE && d->input_->format().duration > 0) {
    d->durationMs_ =
        ToMs(static_cast<double>(d->input_->format().duration) / (AV_TIME_BASE / 1000));
  }
  d->current_.reset(av_frame_alloc());
  d->next_.reset(av_frame_alloc());
  if (!d->current_ || !d->next_) {
    error = "out of memory";
    return nullptr;
  }
  if (!d->decodeNext()) {
    error = std::string("no frame could be decoded (") +
            avcodec_get_name(stream.codecpar->codec_id) + ")";
    return nullptr;
  }
  return d;
}

MovieDecoder::~MovieDecoder() {
  sws_freeContext(sws_);
}

void MovieDecoder::advance() {
  if (!nextTime_) return;
  std::swap(current_, next_);
  currentTime_ = nextTime_;
  if (!decodeNext()) nextTime_.reset();
}

bool MovieDecoder::decodeNext() {
  const AVStream& stream = input_->stream();
  while (input_->next(*next_)) {
    if (static_cast<std::int64_t>(next_->width) * next_->height > kMaxMoviePixels ||
        next_->width <= 0 || next_->height <= 0) {
      av_frame_unref(next_.get());
      input_->reject();
      continue;
    }
    std::int64_t pts = next_->best_effort_timestamp;
    std::int32_t time = 0;
    if (pts == AV_NOPTS_VALUE) {
      time = currentTime_ ? *currentTime_ + frameStepMs_ : 0;
    } else {
      std::int64_t origin = stream.start_time == AV_NOPTS_VALUE ? 0 : stream.start_time;
      // In doubles: a hostile file's stamps may be far apart enough to overflow.
      time = ToMs((static_cast<double>(pts) - static_cast<double>(origin)) *
                  av_q2d(stream.time_base) * 1000);
    }
    // Frames never go back in time.
    if (currentTime_) time = std::max(time, *currentTime_);
    if (durationMs_ > 0 && time > durationMs_ + kLateFrameSlackMs) {
      input_->finish();
      break;
    }
    nextTime_ = time;
    return true;
  }
  nextTime_.reset();
  return false;
}

void MovieDecoder::drawCurrent(Surface& target, const IntRect& dest) {
  if (!currentTime_) return;
  const AVFrame& frame = *current_;
  // In 64 bits: a rectangle from the script may span more than the int range.
  const std::int64_t w64 = std::int64_t{dest.right} - dest.left;
  const std::int64_t h64 = std::int64_t{dest.bottom} - dest.top;
  if (w64 <= 0 || h64 <= 0 || w64 > kMaxDisplaySide || h64 > kMaxDisplaySide) return;
  const int w = static_cast<int>(w64);
  const int h = static_cast<int>(h64);
  IntRect clip{std::max(dest.left, 0), std::max(dest.top, 0), std::min(dest.right, target.width()),
               std::min(dest.bottom, target.height())};
  if (clip.empty()) return;
  sws_ = sws_getCachedContext(sws_, frame.width, frame.height,
                              static_cast<AVPixelFormat>(frame.format), w, h, AV_PIX_FMT_BGRA,
                              SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!sws_) return;
  scaled_.resetForOverwrite(w, h);
  std::uint8_t* planes[4] = {reinterpret_cast<std::uint8_t*>(scaled_.data()), nullptr, nullptr,
                             nullptr};
  int strides[4] = {w * 4, 0, 0, 0};
  if (sws_scale(sws_, frame.data, frame.linesize, 0, frame.height, planes, strides) <= 0) return;
  for (int y = clip.top; y < clip.bottom; ++y) {
    const std::uint32_t* src = scaled_.row(y - dest.top) + (clip.left - dest.left);
    std::uint32_t* out = target.row(y) + clip.left;
    for (int x = 0; x < clip.width(); ++x)
      out[x] = src[x] & 0x00FFFFFFu;
  }
}

// ---- MoviePlayback ----

std::unique_ptr<MoviePlayback> MoviePlayback::Open(const std::filesystem::path& path,
                                                   const IntRect& dest, AudioOutput* audio,
                                                   std::string& error) {
  auto decoder = MovieDecoder::Open(path, error);
  if (!decoder) return nullptr;
  std::unique_ptr<MoviePlayback> p(new MoviePlayback);
  p->decoder_ = std::move(decoder);
  p->audio_ = audio;
  p->path_ = path;
  p->dest_ = dest;
  return p;
}

MoviePlayback::~MoviePlayback() {
  stop();
}

void MoviePlayback::start(std::uint32_t now) {
  start_ = now;
  started_ = true;
  if (audio_ && audio_->open(AudioSlot::Movie, path_)) audio_->play(AudioSlot::Movie);
}

std::int32_t MoviePlayback::elapsed(std::uint32_t now) const {
  return std::max<std::int32_t>(0, static_cast<std::int32_t>(now - start_));
}

IntRect MoviePlayback::update(Surface& window, std::uint32_t now) {
  if (!started_) return {};
  const std::int32_t t = elapsed(now);
  bool due = false;
  while (decoder_->nextFrameTime() && *decoder_->nextFrameTime() <= t) {
    decoder_->advance();
    due = true;
  }
  if (!due) return {};
  lastFrameEnd_ = *decoder_->currentFrameTime() +
                  std::max(1, ToMs(1000.0 / std::max(decoder_->frameRate(), 1.0)));
  decoder_->drawCurrent(window, dest_);
  IntRect area{std::max(dest_.left, 0), std::max(dest_.top, 0),
               std::min(dest_.right, window.width()), std::min(dest_.bottom, window.height())};
  return area.empty() ? IntRect{} : area;
}

std::int32_t MoviePlayback::lengthMs() const {
  return std::max(decoder_->durationMs(), lastFrameEnd_);
}

std::uint32_t MoviePlayback::nextDeadline() const {
  if (auto next = decoder_->nextFrameTime()) return start_ + static_cast<std::uint32_t>(*next);
  return start_ + static_cast<std::uint32_t>(lengthMs());
}

bool MoviePlayback::finished(std::uint32_t now) const {
  return started_ && !decoder_->nextFrameTime() && elapsed(now) >= lengthMs();
}

void MoviePlayback::stop() {
  if (audio_ && audio_->isOpen(AudioSlot::Movie)) audio_->close(AudioSlot::Movie);
}

}  // namespace qw

// Sound from a file through FFmpeg, as interleaved 16-bit samples at the rate and channel count
// the mixer wants. Used for every sampled sound (WAV, MP3, Ogg Vorbis, FLAC, CD track files)
// and for the sound track of movies. Memory stays bounded whatever the file's size: samples
// are decoded as they are read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "media/ffmpeg_input.h"

struct SwrContext;

namespace qw {

class AudioDecoder {
 public:
  static constexpr int kDefaultRate = 44100;
  static constexpr int kDefaultChannels = 2;

  // Opens the best sound stream of `path` and decodes its first samples. Null with `error`
  // set (UTF-8) when the file holds no sound FFmpeg can decode. Output is at `rate` Hz with
  // `channels` channels. A `knownDurationMs` from an earlier opening saves measuring again.
  static std::unique_ptr<AudioDecoder> Open(const std::filesystem::path& path, std::string& error,
                                            int rate = kDefaultRate,
                                            int channels = kDefaultChannels,
                                            std::int32_t knownDurationMs = 0);
  ~AudioDecoder();
  AudioDecoder(const AudioDecoder&) = delete;
  AudioDecoder& operator=(const AudioDecoder&) = delete;

  // The length of the sound that plays: from the header of PCM, FLAC and Ogg, else from the
  // durations of the packets less the samples the decoder drops (an MP3 file's encoder delay
  // and padding), else by decoding it all.
  std::int32_t durationMs() const { return durationMs_; }
  int rate() const { return rate_; }
  int channels() const { return channels_; }

  // Fills `out` with up to `frames` frames (one sample per channel each); fewer only at the
  // end of the stream. Returns the number of frames written.
  int read(std::int16_t* out, int frames);
  // Decodes and drops `frames` frames; false when the stream ended first.
  bool skip(std::int64_t frames);
  bool ended() const { return input_->finished() && pending() == 0; }

 private:
  AudioDecoder() = default;
  bool start(const std::filesystem::path& path, std::string& error);
  std::int32_t measure(const std::filesystem::path& path);
  // Decodes until converted samples are waiting or the stream has ended.
  bool fill();
  bool convert(AVFrame& frame);
  void flushResampler();
  std::size_t pending() const {
    return (fifo_.size() - fifoPos_) / static_cast<std::size_t>(channels_);
  }

  std::unique_ptr<DecodedStream> input_;
  AvFramePtr frame_;
  SwrContext* swr_ = nullptr;
  int swrInRate_ = 0;
  int swrInFormat_ = -1;
  AVChannelLayout swrInLayout_{};
  int rate_ = kDefaultRate;
  int channels_ = kDefaultChannels;
  std::int32_t durationMs_ = 0;
  std::vector<std::int16_t> fifo_;
  std::size_t fifoPos_ = 0;
};

}  // namespace qw

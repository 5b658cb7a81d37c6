#include "media/audio_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace qw {

namespace {

// Frames decoded in one fill without any sound coming out (empty or unusable frames) before
// the stream is taken as ended; keeps a hostile file from spinning forever.
constexpr int kMaxFramesPerFill = 1 << 16;
// A single frame never yields more than this many frames after conversion.
constexpr int kMaxFrameSamples = 1 << 20;

std::int32_t ClampMs(double ms) {
  if (!(ms > 0)) return 0;
  if (ms >= std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::llround(ms));
}

// Whether the header's length is the length that plays: PCM and FLAC, whose decoders neither
// add nor drop samples, and Ogg streams, whose pages count the samples that play. Others (MP3
// with its encoder delay and padding) are measured.
bool HeaderLengthIsExact(const AVFormatContext& fmt, const AVStream& stream) {
  if (stream.duration == AV_NOPTS_VALUE || stream.duration <= 0 ||
      fmt.duration_estimation_method == AVFMT_DURATION_FROM_BITRATE) {
    return false;
  }
  const AVCodecID id = stream.codecpar->codec_id;
  return id == AV_CODEC_ID_FLAC || id == AV_CODEC_ID_VORBIS || id == AV_CODEC_ID_OPUS ||
         (id >= AV_CODEC_ID_PCM_S16LE && id < AV_CODEC_ID_ADPCM_IMA_QT);
}

// Samples a packet's side data tells the decoder to drop at its start and end.
std::int64_t SkippedSamples(const AVPacket& packet) {
  std::size_t size = 0;
  const std::uint8_t* data = av_packet_get_side_data(&packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
  if (!data || size < 8) return 0;
  auto le32 = [](const std::uint8_t* p) {
    return std::int64_t{p[0]} | (std::int64_t{p[1]} << 8) | (std::int64_t{p[2]} << 16) |
           (std::int64_t{p[3]} << 24);
  };
  return le32(data) + le32(data + 4);
}

}  // namespace

std::unique_ptr<AudioDecoder> AudioDecoder::Open(const std::filesystem::path& path,
                                                 std::string& error, int rate, int channels,
                                                 std::int32_t knownDurationMs) {
  std::unique_ptr<AudioDecoder> d(new AudioDecoder);
  d->rate_ = std::clamp(rate, 8000, 192000);
  d->channels_ = std::clamp(channels, 1, 8);
  if (!d->start(path, error)) return nullptr;
  const AVStream& stream = d->input_->stream();
  if (knownDurationMs > 0) {
    d->durationMs_ = knownDurationMs;
  } else if (HeaderLengthIsExact(d->input_->format(), stream)) {
    d->durationMs_ =
        ClampMs(static_cast<double>(stream.duration) * av_q2d(stream.time_base) * 1000);
  } else {
    d->durationMs_ = d->measure(path);
  }
  if (d->durationMs_ <= 0) {
    error = "no sound in the file";
    return nullptr;
  }
  return d;
}

AudioDecoder::~AudioDecoder() {
  swr_free(&swr_);
  av_channel_layout_uninit(&swrInLayout_);
}

bool AudioDecoder::start(const std::filesystem::path& path, std::string& error) {
  input_ = DecodedStream::Open(path, AVMEDIA_TYPE_AUDIO, error);
  if (!input_) return false;
  frame_.reset(av_frame_alloc());
  if (!frame_) {
    error = "out of memory";
    return false;
  }
  // A medium is one whose sound can be decoded, not one whose header merely looks right.
  if (!fill()) {
    error = "no sound could be decoded";
    return false;
  }
  return true;
}

// The length by the packets' own durations, read without decoding; where packets carry none,
// by decoding the whole stream.
std::int32_t AudioDecoder::measure(const std::filesystem::path& path) {
  std::string error;
  AvFormatPtr fmt = OpenMediaInput(path, error);
  if (!fmt) return 0;
  AvPacketPtr packet(av_packet_alloc());
  if (!packet) return 0;
  const int index = input_->index();
  const AVStream& stream = *fmt->streams[index];
  std::int64_t total = 0;
  std::int64_t skipped = 0;  // in samples
  bool complete = true;
  while (av_read_frame(fmt.get(), packet.get()) >= 0) {
    if (packet->stream_index == index) {
      if (packet->duration <= 0) complete = false;
      total += packet->duration;
      skipped += SkippedSamples(*packet);
    }
    av_packet_unref(packet.get());
    if (!complete) break;
  }
  if (complete && total > 0 && stream.codecpar->sample_rate > 0) {
    return ClampMs(static_cast<double>(total) * av_q2d(stream.time_base) * 1000 -
                   static_cast<double>(skipped) * 1000 / stream.codecpar->sample_rate);
  }

  std::unique_ptr<AudioDecoder> counter(new AudioDecoder);
  counter->rate_ = rate_;
  counter->channels_ = 1;
  if (!counter->start(path, error)) return 0;
  std::int64_t frames = 0;
  std::vector<std::int16_t> scratch(4096);
  while (int got = counter->read(scratch.data(), static_cast<int>(scratch.size())))
    frames += got;
  return ClampMs(static_cast<double>(frames) * 1000.0 / rate_);
}

int AudioDecoder::read(std::int16_t* out, int frames) {
  int done = 0;
  while (done < frames) {
    std::size_t available = pending();
    if (available == 0) {
      fifo_.clear();
      fifoPos_ = 0;
      if (!fill()) break;
      continue;
    }
    std::size_t n = std::min<std::size_t>(available, static_cast<std::size_t>(frames - done));
    std::size_t samples = n * static_cast<std::size_t>(channels_);
    std::memcpy(out + static_cast<std::size_t>(done) * static_cast<std::size_t>(channels_),
                fifo_.data() + fifoPos_, samples * sizeof(std::int16_t));
    fifoPos_ += samples;
    done += static_cast<int>(n);
  }
  return done;
}

bool AudioDecoder::skip(std::int64_t frames) {
  std::vector<std::int16_t> scratch(4096 * static_cast<std::size_t>(channels_));
  while (frames > 0) {
    int want = static_cast<int>(std::min<std::int64_t>(frames, 4096));
    int got = read(scratch.data(), want);
    if (got == 0) return false;
    frames -= got;
  }
  return true;
}

bool AudioDecoder::fill() {
  for (int frames = 0; frames < kMaxFramesPerFill; ++frames) {
    if (pending() > 0) return true;
    if (!input_->next(*frame_)) {
      // What the resampler still holds is the end of the sound.
      flushResampler();
      return pending() > 0;
    }
    const bool ok = convert(*frame_);
    av_frame_unref(frame_.get());
    if (!ok) input_->reject();
  }
  input_->finish();
  return pending() > 0;
}

bool AudioDecoder::convert(AVFrame& frame) {
  if (frame.nb_samples <= 0 || frame.sample_rate <= 0 || frame.ch_layout.nb_channels <= 0 ||
      frame.nb_samples > kMaxFrameSamples) {
    return false;
  }
  AVChannelLayout in{};
  if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    av_channel_layout_default(&in, frame.ch_layout.nb_channels);
  } else if (av_channel_layout_copy(&in, &frame.ch_layout) < 0) {
    return false;
  }
  // The input's shape may change mid-stream; the resampler follows it.
  if (!swr_ || frame.sample_rate != swrInRate_ || frame.format != swrInFormat_ ||
      av_channel_layout_compare(&in, &swrInLayout_) != 0) {
    flushResampler();
    swr_free(&swr_);
    AVChannelLayout out{};
    av_channel_layout_default(&out, channels_);
    int r = swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_S16, rate_, &in,
                                static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0,
                                nullptr);
    av_channel_layout_uninit(&out);
    // A mono sound plays at full level on both sides, as the sound device would play it.
    if (r >= 0 && in.nb_channels == 1) {
      const std::vector<double> matrix(static_cast<std::size_t>(channels_), 1.0);
      r = swr_set_matrix(swr_, matrix.data(), 1);
    }
    if (r < 0 || swr_init(swr_) < 0) {
      swr_free(&swr_);
      av_channel_layout_uninit(&in);
      return false;
    }
    swrInRate_ = frame.sample_rate;
    swrInFormat_ = frame.format;
    av_channel_layout_uninit(&swrInLayout_);
    swrInLayout_ = in;
  } else {
    av_channel_layout_uninit(&in);
  }
  int room = swr_get_out_samples(swr_, frame.nb_samples);
  if (room <= 0) return true;
  std::size_t base = fifo_.size();
  fifo_.resize(base + static_cast<std::size_t>(room) * static_cast<std::size_t>(channels_));
  std::uint8_t* outPtr = reinterpret_cast<std::uint8_t*>(fifo_.data() + base);
  int got = swr_convert(swr_, &outPtr, room, const_cast<const std::uint8_t**>(frame.extended_data),
                        frame.nb_samples);
  fifo_.resize(base +
               static_cast<std::size_t>(std::max(got, 0)) * static_cast<std::size_t>(channels_));
  return got >= 0;
}

void AudioDecoder::flushResampler() {
  if (!swr_) return;
  int room = swr_get_out_samples(swr_, 0);
  if (room <= 0) return;
  std::size_t base = fifo_.size();
  fifo_.resize(base + static_cast<std::size_t>(room) * static_cast<std::size_t>(channels_));
  std::uint8_t* outPtr = reinterpret_cast<std::uint8_t*>(fifo_.data() + base);
  int got = swr_convert(swr_, &outPtr, room, nullptr, 0);
  fifo_.resize(base +
               static_cast<std::size_t>(std::max(got, 0)) * static_cast<std::size_t>(channels_));
}

}  // namespace qw

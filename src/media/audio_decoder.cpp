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

// A stream that yields this many bad packets in a row has nothing more to give.
constexpr int kMaxDecodeErrors = 64;
// Packets read in one fill without any sound coming out (other streams, empty frames)
// before the stream is taken as ended; keeps a hostile file from spinning forever.
constexpr int kMaxStepsPerFill = 1 << 16;
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
  const AVStream& stream = *d->format_->streams[d->stream_];
  if (knownDurationMs > 0) {
    d->durationMs_ = knownDurationMs;
  } else if (HeaderLengthIsExact(*d->format_, stream)) {
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
  format_ = OpenMediaInput(path, error);
  if (!format_) return false;
  stream_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (stream_ < 0) {
    error = "no sound stream";
    return false;
  }
  codec_ = OpenStreamDecoder(*format_->streams[stream_], error);
  if (!codec_) return false;
  frame_.reset(av_frame_alloc());
  packet_.reset(av_packet_alloc());
  if (!frame_ || !packet_) {
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
  const AVStream& stream = *fmt->streams[stream_];
  std::int64_t total = 0;
  std::int64_t skipped = 0;  // in samples
  bool complete = true;
  while (av_read_frame(fmt.get(), packet.get()) >= 0) {
    if (packet->stream_index == stream_) {
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
  for (int step = 0; step < kMaxStepsPerFill; ++step) {
    if (pending() > 0) return true;
    if (finished_) return false;
    int r = avcodec_receive_frame(codec_.get(), frame_.get());
    if (r == 0) {
      bool ok = convert(*frame_);
      av_frame_unref(frame_.get());
      if (!ok && ++errors_ > kMaxDecodeErrors) finished_ = true;
      continue;
    }
    if (r == AVERROR_EOF) {
      flushResampler();
      finished_ = true;
      continue;
    }
    if (r != AVERROR(EAGAIN)) {
      if (++errors_ > kMaxDecodeErrors) finished_ = true;
      continue;
    }
    if (inputDone_) {
      // The decoder was flushed and still wants input: nothing more will come.
      flushResampler();
      finished_ = true;
      continue;
    }
    r = av_read_frame(format_.get(), packet_.get());
    if (r < 0) {
      avcodec_send_packet(codec_.get(), nullptr);
      inputDone_ = true;
      continue;
    }
    if (packet_->stream_index == stream_) {
      r = avcodec_send_packet(codec_.get(), packet_.get());
      if (r < 0 && r != AVERROR(EAGAIN)) {
        if (++errors_ > kMaxDecodeErrors) finished_ = true;
      }
    }
    av_packet_unref(packet_.get());
  }
  finished_ = true;
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
  if (got < 0) return false;
  errors_ = 0;
  return true;
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

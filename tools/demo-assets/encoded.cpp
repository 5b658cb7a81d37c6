// The demo's media that need real encoders: the dusk music as MP3, the CD track as Ogg Vorbis,
// and the television's two-second movie as MJPEG with PCM sound in an AVI. FFmpeg's encoders
// do the work, with their bit-exact switches on so that a run repeats the last one.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "assets.h"
#include "ffmpeg_muxer.h"
#include "sounds.h"

namespace qw::demo {
namespace {

using encode::AudioEncoder;
using encode::Check;
using encode::Muxer;

// Feeds mono samples to an audio stream in frames of the encoder's size.
void SendSamples(Muxer& mux, int stream, AVCodecContext* c, const std::vector<float>& samples) {
  const int frameSize = c->frame_size > 0 ? c->frame_size : 1024;
  AVFrame* frame = av_frame_alloc();
  const auto total = static_cast<int>(samples.size());
  for (int done = 0; done < total; done += frameSize) {
    frame->nb_samples = std::min(frameSize, total - done);
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &c->ch_layout);
    Check(av_frame_get_buffer(frame, 0), "audio buffer");
    for (int i = 0; i < frame->nb_samples; ++i) {
      const float v = std::clamp(samples[std::size_t(done + i)], -1.0f, 1.0f);
      if (c->sample_fmt == AV_SAMPLE_FMT_FLTP) {
        reinterpret_cast<float*>(frame->data[0])[i] = v;
      } else {
        reinterpret_cast<std::int16_t*>(frame->data[0])[i] =
            static_cast<std::int16_t>(std::lround(v * 32000));
      }
    }
    frame->pts = done;
    mux.send(stream, frame);
    av_frame_unref(frame);
  }
  av_frame_free(&frame);
}

void EncodeMusic(const std::filesystem::path& out, const char* encoder, AVSampleFormat format,
                 int rate, const std::vector<float>& samples) {
  Muxer mux(out);
  AVCodecContext* c = AudioEncoder(encoder, rate, format);
  c->bit_rate = 48000;
  const int stream = mux.add(c);
  mux.begin();
  SendSamples(mux, stream, c, samples);
  mux.finish();
}

// ---- The television's movie ----

constexpr int kMovieW = 320;
constexpr int kMovieH = 240;
constexpr int kMovieFps = 10;
constexpr int kMovieFrames = 20;

Surface NewsFrame(TextPen& pen, int i) {
  Surface s(kMovieW, kMovieH);
  VerticalGradient(s, 0, 0, kMovieW, kMovieH, Rgb(6, 10, 40), Rgb(30, 30, 80));
  Random rng(77);
  StarField(s, rng, 90, 190, Rgb(200, 210, 255));
  // Three shooting stars cross the sky at their own times.
  for (int m = 0; m < 3; ++m) {
    const int t = i - m * 6;
    if (t < 0 || t > 8) continue;
    const double x = 40 + m * 90 + t * 22, y = 20 + m * 30 + t * 10;
    for (int k = 0; k < 30; ++k)
      FillCircle(s, x - k * 2.2, y - k, 1.6 * (1 - k / 30.0) + 0.3,
                 Mix(0, Rgb(220, 230, 255), 1 - k / 30.0), false);
  }
  FillRect(s, 0, 192, kMovieW, 48, Rgb(230, 236, 250));
  FillRect(s, 0, 192, 72, 48, Rgb(200, 40, 50));
  pen.draw(s, 8, 206, "速報", 20, Rgb(255, 255, 255));
  const char* caption = "今夜、流星群がピークに　空の暗い場所で";
  const int x = kMovieW - i * 24;
  Surface bar(kMovieW - 72, 48, Rgb(230, 236, 250));
  pen.draw(bar, x - 72, 14, caption, 20, Rgb(20, 24, 60));
  for (int yy = 0; yy < bar.height(); ++yy)
    for (int xx = 0; xx < bar.width(); ++xx)
      s.at(72 + xx, 192 + yy) = bar.at(xx, yy);
  pen.draw(s, 10, 10, "ＱＷニュース", 16, Rgb(255, 255, 255));
  if (i % 10 < 6) FillCircle(s, 300, 18, 5, Rgb(255, 50, 50));
  return s;
}

void EncodeMovie(const std::filesystem::path& out, TextPen& pen) {
  Muxer mux(out);
  const AVCodec* mjpeg = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
  if (!mjpeg) throw std::runtime_error("FFmpeg has no MJPEG encoder");
  AVCodecContext* v = avcodec_alloc_context3(mjpeg);
  v->width = kMovieW;
  v->height = kMovieH;
  v->pix_fmt = AV_PIX_FMT_YUVJ420P;
  v->time_base = {1, kMovieFps};
  v->framerate = {kMovieFps, 1};
  v->flags |= AV_CODEC_FLAG_QSCALE;
  v->global_quality = FF_QP2LAMBDA * 6;
  const int video = mux.add(v);
  constexpr int kRate = 22050;
  AVCodecContext* a = AudioEncoder("pcm_s16le", kRate, AV_SAMPLE_FMT_S16);
  const int audio = mux.add(a);
  mux.begin();

  auto byte = [](double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
  };
  AVFrame* frame = av_frame_alloc();
  for (int i = 0; i < kMovieFrames; ++i) {
    const Surface picture = NewsFrame(pen, i);
    frame->format = v->pix_fmt;
    frame->width = kMovieW;
    frame->height = kMovieH;
    Check(av_frame_get_buffer(frame, 0), "video buffer");
    // Full-range BT.601, as JPEG stores it; chroma from each 2 x 2 block's mean.
    for (int y = 0; y < kMovieH; ++y) {
      for (int x = 0; x < kMovieW; ++x) {
        const std::uint32_t p = picture.at(x, y);
        const double r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        frame->data[0][y * frame->linesize[0] + x] = byte(0.299 * r + 0.587 * g + 0.114 * b);
      }
    }
    for (int y = 0; y < kMovieH / 2; ++y) {
      for (int x = 0; x < kMovieW / 2; ++x) {
        double r = 0, g = 0, b = 0;
        for (int k = 0; k < 4; ++k) {
          const std::uint32_t p = picture.at(2 * x + k % 2, 2 * y + k / 2);
          r += ((p >> 16) & 0xFF) / 4.0;
          g += ((p >> 8) & 0xFF) / 4.0;
          b += (p & 0xFF) / 4.0;
        }
        frame->data[1][y * frame->linesize[1] + x] =
            byte(128 - 0.168736 * r - 0.331264 * g + 0.5 * b);
        frame->data[2][y * frame->linesize[2] + x] =
            byte(128 + 0.5 * r - 0.418688 * g - 0.081312 * b);
      }
    }
    frame->pts = i;
    // With a fixed quality the encoder reads it from each frame, not from its context.
    frame->quality = v->global_quality;
    mux.send(video, frame);
    av_frame_unref(frame);
  }
  av_frame_free(&frame);
  SendSamples(mux, audio, a, NewsJingle(kRate, double(kMovieFrames) / kMovieFps));
  mux.finish();
}

}  // namespace

std::vector<EncodedAsset> EncodedMedia() {
  return {
      {"bgm/yuugure.mp3",
       [](const std::filesystem::path& out, TextPen&) {
         EncodeMusic(out, "libmp3lame", AV_SAMPLE_FMT_S16P, 22050, DuskMusic(22050));
       }},
      {"cd/track02.ogg",
       [](const std::filesystem::path& out, TextPen&) {
         EncodeMusic(out, "libvorbis", AV_SAMPLE_FMT_FLTP, 22050, EndingMusic(22050));
       }},
      {"mov/tv.avi", EncodeMovie},
  };
}

MediaFacts ProbeMedia(const std::filesystem::path& file) {
  AVFormatContext* ctx = nullptr;
  Check(avformat_open_input(&ctx, file.c_str(), nullptr, nullptr), file.c_str());
  struct Close {
    AVFormatContext*& ctx;
    ~Close() { avformat_close_input(&ctx); }
  } closer{ctx};
  Check(avformat_find_stream_info(ctx, nullptr), "stream info");
  MediaFacts facts;
  facts.durationMs = ctx->duration == AV_NOPTS_VALUE ? -1 : ctx->duration / 1000;
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    const AVStream* st = ctx->streams[i];
    if (!facts.codecs.empty()) facts.codecs += '+';
    facts.codecs += avcodec_get_name(st->codecpar->codec_id);
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
      facts.width = st->codecpar->width;
      facts.height = st->codecpar->height;
      facts.videoFrames = static_cast<int>(st->nb_frames);
    }
  }
  return facts;
}

}  // namespace qw::demo

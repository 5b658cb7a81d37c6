#include "media_samples.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>
#include <stdexcept>

#include "ffmpeg_muxer.h"

namespace qw::testing {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qw-media-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempFolder::write(const std::string& name, const std::string& bytes) const {
  std::filesystem::path p = path_ / name;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p;
}

namespace {

void Le16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Le32(std::string& s, std::uint32_t v) {
  Le16(s, v & 0xFFFF);
  Le16(s, v >> 16);
}
void Be32(std::string& s, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    s += static_cast<char>((v >> shift) & 0xFF);
}
void VarLen(std::string& s, std::uint32_t v) {
  std::string bytes(1, static_cast<char>(v & 0x7F));
  while (v >>= 7)
    bytes.insert(bytes.begin(), static_cast<char>((v & 0x7F) | 0x80));
  s += bytes;
}

using encode::AudioEncoder;
using encode::Check;
using encode::Muxer;

}  // namespace

std::string WavBytes(int ms, int rate, int channels, double hz, int amplitude) {
  const std::uint32_t frames =
      static_cast<std::uint32_t>(static_cast<std::int64_t>(rate) * ms / 1000);
  const std::uint32_t dataBytes = frames * static_cast<std::uint32_t>(channels) * 2;
  std::string s = "RIFF";
  Le32(s, 36 + dataBytes);
  s += "WAVEfmt ";
  Le32(s, 16);
  Le16(s, 1);
  Le16(s, static_cast<unsigned>(channels));
  Le32(s, static_cast<std::uint32_t>(rate));
  Le32(s, static_cast<std::uint32_t>(rate * channels * 2));
  Le16(s, static_cast<unsigned>(channels * 2));
  Le16(s, 16);
  s += "data";
  Le32(s, dataBytes);
  for (std::uint32_t i = 0; i < frames; ++i) {
    auto v = static_cast<std::int16_t>(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate));
    for (int c = 0; c < channels; ++c)
      Le16(s, static_cast<std::uint16_t>(v));
  }
  return s;
}

MidiEvent Tempo(std::uint32_t delta, std::uint32_t micros) {
  return {delta,
          {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(micros >> 16),
           static_cast<std::uint8_t>(micros >> 8), static_cast<std::uint8_t>(micros)}};
}
MidiEvent NoteOn(std::uint32_t delta, int key) {
  return {delta, {0x90, static_cast<std::uint8_t>(key), 100}};
}
MidiEvent NoteOff(std::uint32_t delta, int key) {
  return {delta, {0x80, static_cast<std::uint8_t>(key), 64}};
}
MidiEvent EndOfTrack(std::uint32_t delta) {
  return {delta, {0xFF, 0x2F, 0x00}};
}

std::string MidiBytes(int format, std::uint16_t division,
                      const std::vector<std::vector<MidiEvent>>& tracks) {
  std::string s = "MThd";
  Be32(s, 6);
  s += static_cast<char>(0);
  s += static_cast<char>(format);
  s += static_cast<char>(tracks.size() >> 8);
  s += static_cast<char>(tracks.size() & 0xFF);
  s += static_cast<char>(division >> 8);
  s += static_cast<char>(division & 0xFF);
  for (const auto& track : tracks) {
    std::string body;
    for (const auto& e : track) {
      VarLen(body, e.delta);
      body.append(e.bytes.begin(), e.bytes.end());
    }
    s += "MTrk";
    Be32(s, static_cast<std::uint32_t>(body.size()));
    s += body;
  }
  return s;
}

namespace {

// Sends `ms` milliseconds of a 440 Hz tone in frames of the encoder's size.
void SendTone(Muxer& mux, int stream, AVCodecContext* c, int ms) {
  const int total = c->sample_rate * ms / 1000;
  const int frameSize = c->frame_size > 0 ? c->frame_size : 1024;
  AVFrame* frame = av_frame_alloc();
  for (int done = 0; done < total; done += frameSize) {
    frame->nb_samples = std::min(frameSize, total - done);
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &c->ch_layout);
    Check(av_frame_get_buffer(frame, 0), "audio buffer");
    for (int i = 0; i < frame->nb_samples; ++i) {
      double v = 0.3 * std::sin(2 * std::numbers::pi * 440 * (done + i) / c->sample_rate);
      if (c->sample_fmt == AV_SAMPLE_FMT_FLTP || c->sample_fmt == AV_SAMPLE_FMT_FLT) {
        reinterpret_cast<float*>(frame->data[0])[i] = static_cast<float>(v);
      } else {
        reinterpret_cast<std::int16_t*>(frame->data[0])[i] = static_cast<std::int16_t>(v * 32767);
      }
    }
    frame->pts = done;
    mux.send(stream, frame);
    av_frame_unref(frame);
  }
  av_frame_free(&frame);
}

}  // namespace

void EncodeTone(const std::filesystem::path& path, const std::string& codec, int ms, int rate) {
  AVSampleFormat format = codec == "libvorbis"    ? AV_SAMPLE_FMT_FLTP
                          : codec == "libmp3lame" ? AV_SAMPLE_FMT_S16P
                                                  : AV_SAMPLE_FMT_S16;
  Muxer mux(path);
  AVCodecContext* c = AudioEncoder(codec.c_str(), rate, format);
  c->bit_rate = 64000;
  int stream = mux.add(c);
  mux.begin();
  SendTone(mux, stream, c, ms);
  mux.finish();
}

void WriteAvi(const std::filesystem::path& path, const std::vector<std::uint32_t>& colors,
              int width, int height, int fps, bool withSound, bool raw) {
  Muxer mux(path);
  const AVCodec* encoder = avcodec_find_encoder(raw ? AV_CODEC_ID_RAWVIDEO : AV_CODEC_ID_MJPEG);
  if (!encoder) throw std::runtime_error("no video encoder");
  AVCodecContext* v = avcodec_alloc_context3(encoder);
  v->width = width;
  v->height = height;
  v->pix_fmt = raw ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUVJ420P;
  v->time_base = {1, fps};
  v->framerate = {fps, 1};
  if (!raw) {
    v->global_quality = FF_QP2LAMBDA * 2;
    v->flags |= AV_CODEC_FLAG_QSCALE;
  }
  int video = mux.add(v);
  AVCodecContext* a = nullptr;
  int audio = -1;
  if (withSound) {
    a = AudioEncoder("pcm_s16le", 22050, AV_SAMPLE_FMT_S16);
    a->frame_size = 1024;
    audio = mux.add(a);
  }
  mux.begin();
  auto byte = [](double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
  };
  AVFrame* frame = av_frame_alloc();
  for (std::size_t i = 0; i < colors.size(); ++i) {
    frame->format = v->pix_fmt;
    frame->width = width;
    frame->height = height;
    Check(av_frame_get_buffer(frame, 0), "video buffer");
    const double r = (colors[i] >> 16) & 0xFF, g = (colors[i] >> 8) & 0xFF, b = colors[i] & 0xFF;
    if (raw) {
      for (int row = 0; row < height; ++row) {
        std::uint8_t* p = frame->data[0] + row * frame->linesize[0];
        for (int x = 0; x < width; ++x, p += 3) {
          p[0] = byte(b);
          p[1] = byte(g);
          p[2] = byte(r);
        }
      }
    } else {
      // Full-range BT.601, as JPEG stores it.
      const std::uint8_t y = byte(0.299 * r + 0.587 * g + 0.114 * b);
      const std::uint8_t cb = byte(128 - 0.168736 * r - 0.331264 * g + 0.5 * b);
      const std::uint8_t cr = byte(128 + 0.5 * r - 0.418688 * g - 0.081312 * b);
      const auto w = static_cast<std::size_t>(width);
      for (int row = 0; row < height; ++row)
        std::memset(frame->data[0] + row * frame->linesize[0], y, w);
      for (int row = 0; row < height / 2; ++row) {
        std::memset(frame->data[1] + row * frame->linesize[1], cb, w / 2);
        std::memset(frame->data[2] + row * frame->linesize[2], cr, w / 2);
      }
    }
    frame->pts = static_cast<std::int64_t>(i);
    mux.send(video, frame);
    av_frame_unref(frame);
  }
  av_frame_free(&frame);
  if (withSound) {
    SendTone(mux, audio, a, static_cast<int>(colors.size() * 1000 / static_cast<std::size_t>(fps)));
  }
  mux.finish();
}

}  // namespace qw::testing

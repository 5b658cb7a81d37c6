// Writing media files with FFmpeg's encoders, for the tools and tests that make sample media.
// Every file is written with the bit-exact switches on, so that a run repeats the last one.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace qw::encode {

inline void Check(int result, const char* what) {
  if (result < 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(result, text, sizeof text);
    throw std::runtime_error(std::string(what) + ": " + text);
  }
}

// One output file: its streams' encoders and the container writer.
class Muxer {
 public:
  explicit Muxer(const std::filesystem::path& path) : path_(path.string()) {
    Check(avformat_alloc_output_context2(&ctx_, nullptr, nullptr, path_.c_str()), "container");
    ctx_->flags |= AVFMT_FLAG_BITEXACT;
  }
  ~Muxer() {
    for (AVCodecContext*& c : codecs_)
      avcodec_free_context(&c);
    if (ctx_ && ctx_->pb) avio_closep(&ctx_->pb);
    avformat_free_context(ctx_);
  }
  Muxer(const Muxer&) = delete;
  Muxer& operator=(const Muxer&) = delete;

  // Opens `codec` and adds its stream; returns the stream index.
  int add(AVCodecContext* codec) {
    codec->flags |= AV_CODEC_FLAG_BITEXACT;
    if (ctx_->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    codecs_.push_back(codec);
    Check(avcodec_open2(codec, codec->codec, nullptr), "encoder");
    AVStream* st = avformat_new_stream(ctx_, nullptr);
    Check(avcodec_parameters_from_context(st->codecpar, codec), "stream parameters");
    st->time_base = codec->time_base;
    return st->index;
  }
  void begin() {
    Check(avio_open(&ctx_->pb, path_.c_str(), AVIO_FLAG_WRITE), "open for writing");
    Check(avformat_write_header(ctx_, nullptr), "header");
  }
  void send(int stream, AVFrame* frame) {
    AVCodecContext* codec = codecs_[static_cast<std::size_t>(stream)];
    Check(avcodec_send_frame(codec, frame), "encode");
    AVPacket* pkt = av_packet_alloc();
    while (avcodec_receive_packet(codec, pkt) == 0) {
      av_packet_rescale_ts(pkt, codec->time_base, ctx_->streams[stream]->time_base);
      pkt->stream_index = stream;
      Check(av_interleaved_write_frame(ctx_, pkt), "write");
    }
    av_packet_free(&pkt);
  }
  void finish() {
    for (std::size_t i = 0; i < codecs_.size(); ++i)
      send(static_cast<int>(i), nullptr);
    Check(av_write_trailer(ctx_), "trailer");
  }

 private:
  std::string path_;
  AVFormatContext* ctx_ = nullptr;
  std::vector<AVCodecContext*> codecs_;
};

inline AVCodecContext* AudioEncoder(const char* name, int rate, AVSampleFormat format) {
  const AVCodec* codec = avcodec_find_encoder_by_name(name);
  if (!codec) throw std::runtime_error(std::string("FFmpeg has no encoder ") + name);
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->sample_rate = rate;
  c->sample_fmt = format;
  av_channel_layout_default(&c->ch_layout, 1);
  c->time_base = {1, rate};
  return c;
}

}  // namespace qw::encode

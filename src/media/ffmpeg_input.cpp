#include "media/ffmpeg_input.h"

#include <mutex>
#include <vector>

#include "media/media_file.h"

extern "C" {
#include <libavutil/log.h>
}

namespace qw {

namespace {

// Demuxers for sound files and movies. Those that read other files named inside a file
// (playlists, concatenation lists, image sequences) are left out.
constexpr const char* kFormats =
    "wav,w64,mp3,ogg,flac,aiff,au,voc,caf,avi,mov,mpeg,mpegvideo,asf,matroska,flv";

void QuietLogs() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

}  // namespace

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

AvFormatPtr OpenMediaInput(const std::filesystem::path& path, std::string& error) {
  QuietLogs();
  if (auto bad = CheckMediaFile(path)) {
    error = *bad;
    return nullptr;
  }
  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) {
    error = "out of memory";
    return nullptr;
  }
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  av_dict_set(&options, "format_whitelist", kFormats, 0);
  // The "file:" prefix keeps a colon in a file name from reading as a protocol.
  const std::string url = "file:" + path.string();
  int r = avformat_open_input(&raw, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (r < 0) {
    error = AvErrorText(r);
    return nullptr;  // avformat_open_input frees the context on failure
  }
  AvFormatPtr ctx(raw);
  // Probing decodes a few frames: the same limits hold there as in play.
  std::vector<AVDictionary*> streamOptions(ctx->nb_streams, nullptr);
  for (AVDictionary*& o : streamOptions) {
    av_dict_set_int(&o, "max_pixels", kMaxDecodedPixels, 0);
    av_dict_set(&o, "threads", "1", 0);
  }
  r = avformat_find_stream_info(ctx.get(), streamOptions.empty() ? nullptr : streamOptions.data());
  for (AVDictionary*& o : streamOptions)
    av_dict_free(&o);
  if (r < 0) {
    error = AvErrorText(r);
    return nullptr;
  }
  return ctx;
}

AvCodecPtr OpenStreamDecoder(const AVStream& stream, std::string& error) {
  const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
  if (!codec) {
    error = std::string("no decoder for codec ") + avcodec_get_name(stream.codecpar->codec_id);
    if (stream.codecpar->codec_tag != 0) {
      char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
      error += std::string(" (") + av_fourcc_make_string(tag, stream.codecpar->codec_tag) + ")";
    }
    return nullptr;
  }
  AvCodecPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) {
    error = "out of memory";
    return nullptr;
  }
  int r = avcodec_parameters_to_context(ctx.get(), stream.codecpar);
  if (r >= 0) {
    ctx->pkt_timebase = stream.time_base;
    ctx->thread_count = 1;
    ctx->max_pixels = kMaxDecodedPixels;
    r = avcodec_open2(ctx.get(), codec, nullptr);
  }
  if (r < 0) {
    error = std::string(codec->name) + ": " + AvErrorText(r);
    return nullptr;
  }
  return ctx;
}

std::unique_ptr<DecodedStream> DecodedStream::Open(const std::filesystem::path& path,
                                                   AVMediaType type, std::string& error) {
  std::unique_ptr<DecodedStream> d(new DecodedStream);
  d->format_ = OpenMediaInput(path, error);
  if (!d->format_) return nullptr;
  d->index_ = av_find_best_stream(d->format_.get(), type, -1, -1, nullptr, 0);
  if (d->index_ < 0) {
    error = type == AVMEDIA_TYPE_VIDEO ? "no video stream" : "no sound stream";
    return nullptr;
  }
  d->codec_ = OpenStreamDecoder(d->stream(), error);
  if (!d->codec_) return nullptr;
  d->packet_.reset(av_packet_alloc());
  if (!d->packet_) {
    error = "out of memory";
    return nullptr;
  }
  return d;
}

bool DecodedStream::next(AVFrame& frame) {
  if (handedOut_) errors_ = 0;
  handedOut_ = false;
  av_frame_unref(&frame);
  for (int step = 0; step < kMaxStepsPerFrame && !finished_; ++step) {
    int r = avcodec_receive_frame(codec_.get(), &frame);
    if (r == 0) {
      handedOut_ = true;
      return true;
    }
    if (r == AVERROR_EOF) {
      finished_ = true;
      break;
    }
    if (r != AVERROR(EAGAIN)) {
      fail();
      continue;
    }
    if (inputDone_) {
      // The decoder was flushed and still wants input: nothing more will come.
      finished_ = true;
      break;
    }
    r = av_read_frame(format_.get(), packet_.get());
    if (r < 0) {
      avcodec_send_packet(codec_.get(), nullptr);
      inputDone_ = true;
      continue;
    }
    if (packet_->stream_index == index_) {
      r = avcodec_send_packet(codec_.get(), packet_.get());
      if (r < 0 && r != AVERROR(EAGAIN)) fail();
    }
    av_packet_unref(packet_.get());
  }
  finished_ = true;
  return false;
}

void DecodedStream::reject() {
  handedOut_ = false;
  fail();
}

void DecodedStream::fail() {
  if (++errors_ > kMaxErrorsInRow) finished_ = true;
}

}  // namespace qw

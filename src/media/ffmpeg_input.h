// Opening files with FFmpeg the way every media reader here does: local files only, container
// formats that hold sound or movies only (no playlists or lists of other files), quiet logs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace qw {

struct AvFormatCloser {
  void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
struct AvCodecFreer {
  void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
struct AvFrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AvPacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using AvFormatPtr = std::unique_ptr<AVFormatContext, AvFormatCloser>;
using AvCodecPtr = std::unique_ptr<AVCodecContext, AvCodecFreer>;
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFreer>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFreer>;

// The most pixels a decoded picture may have, so that a broken or hostile file cannot make a
// decoder allocate more.
inline constexpr std::int64_t kMaxDecodedPixels = 4096 * 4096;

std::string AvErrorText(int code);

// Opens `path` and reads its stream information. Null with `error` set when the file is not
// a medium of a known container format.
AvFormatPtr OpenMediaInput(const std::filesystem::path& path, std::string& error);

// A decoder for `stream`, opened single-threaded. Null with `error` set when FFmpeg has none.
AvCodecPtr OpenStreamDecoder(const AVStream& stream, std::string& error);

// One stream of a media file with its decoder: packets are read from the file as the decoder
// wants them and decoded frames taken out. Bounded against hostile files: a stream that gives
// only errors, or reads many packets without a frame, counts as ended.
class DecodedStream {
 public:
  // Decoding errors (and frames the caller rejects) in a row that end the stream.
  static constexpr int kMaxErrorsInRow = 64;
  // Packets read for one frame before the stream counts as ended.
  static constexpr int kMaxStepsPerFrame = 1 << 16;

  // Opens `path` and its best stream of `type` (audio or video) with a decoder. Null with
  // `error` set when there is no such stream or no decoder for it.
  static std::unique_ptr<DecodedStream> Open(const std::filesystem::path& path, AVMediaType type,
                                             std::string& error);

  const AVFormatContext& format() const { return *format_; }
  const AVStream& stream() const { return *format_->streams[index_]; }
  int index() const { return index_; }

  // The next decoded frame into `frame` (which is unreferenced first). False once the stream
  // has ended. A frame handed out counts as good, ending a run of errors, unless reject()
  // is called for it before the next call.
  bool next(AVFrame& frame);
  // The caller could not use the last frame: it counts as a decoding error.
  void reject();
  // No more frames are to be taken (the caller saw the end by other means).
  void finish() { finished_ = true; }
  bool finished() const { return finished_; }

 private:
  DecodedStream() = default;
  void fail();

  AvFormatPtr format_;
  AvCodecPtr codec_;
  AvPacketPtr packet_;
  int index_ = -1;
  int errors_ = 0;
  bool handedOut_ = false;
  bool inputDone_ = false;
  bool finished_ = false;
};

}  // namespace qw

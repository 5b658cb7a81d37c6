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

}  // namespace qw

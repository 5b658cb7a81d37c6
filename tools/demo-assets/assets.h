// Every file of the demo that is made from code, by kind: pictures, plain sounds and MIDI
// written byte by byte, and the media encoded with FFmpeg's encoders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "canvas.h"
#include "gfx/surface.h"

namespace qw::demo {

struct PictureAsset {
  enum class Format { Png, Bmp };
  std::string path;  // relative to the demo folder, '/' separated
  Format format = Format::Png;
  std::function<Surface(TextPen&)> draw;
};
std::vector<PictureAsset> Pictures();

// A 24-bit bottom-up BMP, as old Windows tools wrote them.
std::string BmpBytes(const Surface& picture);

// Files whose bytes are written here exactly: WAV sounds and the MIDI music.
struct ByteAsset {
  std::string path;
  std::function<std::string()> make;
};
std::vector<ByteAsset> Sounds();

// Mono 16-bit samples at `rate` in a RIFF WAVE file.
std::string WavBytes(const std::vector<std::int16_t>& samples, int rate);

// Files made by FFmpeg's encoders: the MP3 music, the CD track, the movie. Their bytes depend
// on the encoder versions, so a check compares what they hold, not their bytes.
struct EncodedAsset {
  std::string path;
  std::function<void(const std::filesystem::path& out, TextPen& pen)> make;
};
std::vector<EncodedAsset> EncodedMedia();

// What FFmpeg reads back from an encoded file: enough to tell two encodings of the same
// source apart from different sources.
struct MediaFacts {
  std::string codecs;  // stream codec names joined with '+'
  std::int64_t durationMs = 0;
  int width = 0;
  int height = 0;
  int videoFrames = 0;
};
// Throws std::runtime_error when the file cannot be read.
MediaFacts ProbeMedia(const std::filesystem::path& file);

}  // namespace qw::demo

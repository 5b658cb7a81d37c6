// The JPEG decoder on arbitrary bytes.
#include "gfx/codecs.h"
#include "platform/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qw::Surface out;
  try {
    qw::DecodeJpeg({data, size}, out);
  } catch (const qw::FrameworkError&) {
  }
  return 0;
}

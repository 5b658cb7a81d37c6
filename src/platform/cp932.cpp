#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <stdexcept>
#include <string>

namespace qw {

void* OpenIconv(const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  // Without the converter every name and message would come out wrong: fail loudly, once.
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("the system cannot convert text from ") + from + " to " +
                             to + " (iconv); install the C library's character set modules");
  }
  return cd;
}

namespace {

// One converter per direction, opened once; iconv descriptors are not thread-safe, so each
// use holds its lock.
struct Converter {
  iconv_t cd;
  std::mutex lock;
  Converter(const char* to, const char* from) : cd(OpenIconv(to, from)) {}
  ~Converter() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
};

std::string Convert(Converter& conv, std::string_view in, std::string_view replacement,
                    bool fromCp932) {
  std::string out;
  if (in.empty()) return out;
  std::lock_guard<std::mutex> guard(conv.lock);
  iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
  out.reserve(in.size() * 2);
  char buffer[1024];
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    std::size_t rc = iconv(conv.cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or incomplete sequence: replace one character and go on.
      std::size_t skip = 1;
      if (fromCp932) {
        auto b = static_cast<unsigned char>(*src);
        if (IsLeadByte(b) && srcLeft >= 2) {
          auto t = static_cast<unsigned char>(src[1]);
          if (t >= 0x40 && t != 0x7F && t <= 0xFC) skip = 2;
        }
      } else {
        auto b = static_cast<unsigned char>(*src);
        if (b >= 0xF0)
          skip = 4;
        else if (b >= 0xE0)
          skip = 3;
        else if (b >= 0xC0)
          skip = 2;
        if (skip > srcLeft) skip = srcLeft;
      }
      out.append(replacement);
      src += skip;
      srcLeft -= skip;
      iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  static Converter conv("UTF-8", "CP932");
  return Convert(conv, cp932, "\xEF\xBF\xBD", true);
}

std::string Utf8ToCp932(std::string_view utf8) {
  static Converter conv("CP932", "UTF-8");
  return Convert(conv, utf8, "?", false);
}

}  // namespace qw

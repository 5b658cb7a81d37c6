#include "host/qt/read_aloud.h"

#ifdef QW_HAVE_SPEECHD
#include <libspeechd.h>
#endif

#include <cstdlib>

namespace qw {

std::string SpokenText(std::string_view shown) {
  std::string out;
  out.reserve(shown.size());
  int depth = 0;
  for (char c : shown) {
    if (c == '(') {
      ++depth;
    } else if (c == ')' && depth > 0) {
      --depth;
    } else if (depth == 0) {
      out += c;
    }
  }
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!out.empty() && blank(out.back()))
    out.pop_back();
  std::size_t start = 0;
  while (start < out.size() && blank(out[start]))
    ++start;
  return out.substr(start);
}

#ifdef QW_HAVE_SPEECHD

namespace {
SPDConnection* Connection(void* c) {
  return static_cast<SPDConnection*>(c);
}
}  // namespace

ReadAloud::ReadAloud(std::FILE* err) : err_(err) {
  char* error = nullptr;
  connection_ = spd_open2("quillwork", "story", nullptr, SPD_MODE_SINGLE, nullptr, 1, &error);
  if (!connection_) {
    std::fprintf(err_,
                 "quillwork: --read-aloud: speech-dispatcher does not answer (%s); the "
                 "story is not read aloud\n",
                 error ? error : "no reason given");
    std::free(error);
    return;
  }
  spd_set_language(Connection(connection_), "ja");
}

ReadAloud::~ReadAloud() {
  if (connection_) spd_close(Connection(connection_));
}

void ReadAloud::speak(std::string_view shownUtf8) {
  if (!connection_) return;
  const std::string text = SpokenText(shownUtf8);
  if (text.empty()) return;
  spd_cancel(Connection(connection_));
  if (spd_say(Connection(connection_), SPD_TEXT, text.c_str()) < 0 && !failed_) {
    failed_ = true;
    std::fprintf(err_, "quillwork: --read-aloud: speech-dispatcher refused a line\n");
  }
}

#else

ReadAloud::ReadAloud(std::FILE* err) : err_(err) {
  std::fprintf(err_,
               "quillwork: --read-aloud: this build has no speech-dispatcher support "
               "(libspeechd-dev was not installed); the story is not read aloud\n");
}

ReadAloud::~ReadAloud() = default;

void ReadAloud::speak(std::string_view) {}

#endif

}  // namespace qw

// `--read-aloud`: each story line spoken through speech-dispatcher, for a reader who cannot
// read the picture's text. Free of Qt: libspeechd's headers bring glib, whose names clash with
// Qt's keywords.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace qw {

// What is said of a shown line: the readings in "(...)" after a ruby's base are left out (the
// speech engine reads the base), and so are blanks at the ends.
std::string SpokenText(std::string_view shownUtf8);

class ReadAloud {
 public:
  // Connects to speech-dispatcher (starting it where it is installed). Without it (this build
  // has no libspeechd, or no server answers) a message says so once on `err`, and every line
  // is dropped.
  explicit ReadAloud(std::FILE* err = stderr);
  ~ReadAloud();
  ReadAloud(const ReadAloud&) = delete;
  ReadAloud& operator=(const ReadAloud&) = delete;

  bool connected() const { return connection_ != nullptr; }
  // Says `shownUtf8` (see SpokenText), cutting off the line still being said: the reader has
  // gone on.
  void speak(std::string_view shownUtf8);

 private:
  void* connection_ = nullptr;  // SPDConnection, an unnamed struct in its header
  std::FILE* err_;
  bool failed_ = false;  // the one message about a failed say has been given
};

}  // namespace qw

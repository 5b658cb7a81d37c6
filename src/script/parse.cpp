#include "script/parse.h"

#include "platform/cp932.h"
#include "script/source.h"

namespace qw {

Token ReadToken(std::string_view line, int pos, char delim) {
  Token token;
  const int len = static_cast<int>(line.size());
  if (pos <= 0) {
    token.next = pos;
    return token;
  }
  int p = pos;
  enum class Mode { Unquoted, Quoted, AfterQuote } mode = Mode::Unquoted;
  if (p <= len && line[static_cast<std::size_t>(p - 1)] == '"' && delim != '"') {
    mode = Mode::Quoted;
    ++p;
  }
  while (true) {
    if (mode == Mode::Unquoted) {
      // A run of plain ASCII characters goes in at once; ASCII is never a lead byte.
      const int start = p;
      while (p <= len) {
        const auto c = static_cast<unsigned char>(line[static_cast<std::size_t>(p - 1)]);
        if (c >= 0x80 || c == ',' || c == static_cast<unsigned char>(delim) || c == ' ' ||
            c == '\t' || c == '\r' || c == '\n') {
          break;
        }
        ++p;
      }
      token.text.append(line.substr(static_cast<std::size_t>(start - 1),
                                    static_cast<std::size_t>(p - start)));
    }
    if (p > len) {
      token.next = p;
      token.ender = 0;
      return token;
    }
    std::size_t at = static_cast<std::size_t>(p - 1);
    std::size_t width = CharLength(line, at);
    char c = line[at];
    p += static_cast<int>(width);
    bool lineBreak = width == 1 && (c == '\r' || c == '\n');
    if (width == 2) {
      if (mode != Mode::AfterQuote) token.text.append(line.substr(at, 2));
      continue;
    }
    switch (mode) {
      case Mode::Unquoted:
        if (lineBreak || c == ',' || c == delim) {
          token.next = p;
          token.ender = c;
          return token;
        }
        if (c != ' ' && c != '\t') token.text.push_back(c);
        break;
      case Mode::Quoted:
        if (lineBreak) {
          token.next = p;
          token.ender = c;
          return token;
        }
        if (c == '"') mode = Mode::AfterQuote;
        else token.text.push_back(c);
        break;
      case Mode::AfterQuote:
        if (lineBreak || c == ',' || c == delim) {
          token.next = p;
          token.ender = c;
          return token;
        }
        break;
    }
  }
}

std::string ParseCommandLine(std::string_view line,
                             std::array<std::string, TProg::kArgCount>& args) {
  for (auto& a : args) a.clear();
  const int len = static_cast<int>(line.size());
  if (len >= 2 && (line[1] == '@' || line[1] == '$')) {
    Token word = ReadToken(line, 1, '=');
    args[0] = ReadToken(line, word.next, '_').text;
    return word.text;
  }
  if (len >= 2 && line[1] == '(') {
    Token word = ReadToken(line, 1, ',');
    if (word.ender == ',' && word.next <= len) {
      args[0] = std::string(TrimLeftControl(line.substr(static_cast<std::size_t>(word.next - 1))));
    }
    return word.text;
  }

  std::size_t blank = line.find(' ');
  std::string word(line.substr(0, blank));
  if (blank == std::string_view::npos) return word;
  int p = static_cast<int>(blank) + 2;  // one-based, past the blank
  for (int n = 0; n < TProg::kArgCount; ++n) {
    while (p <= len && (line[static_cast<std::size_t>(p - 1)] == ' ' ||
                        line[static_cast<std::size_t>(p - 1)] == '\t')) {
      ++p;
    }
    Token token = ReadToken(line, p, '_');
    args[static_cast<std::size_t>(n)] = token.text == "*" ? std::string() : std::move(token.text);
    if (token.ender == '_' || token.ender == 0) break;
    p = token.next;
  }
  return word;
}

MenuItemLine ParseMenuItemLine(std::string_view t) {
  MenuItemLine item;
  const int len = static_cast<int>(t.size());
  auto skipBlanks = [&](int p) {
    while (p <= len && (t[static_cast<std::size_t>(p - 1)] == ' ' ||
                        t[static_cast<std::size_t>(p - 1)] == '\t')) {
      ++p;
    }
    return p;
  };
  Token text = ReadToken(t, 1, ',');
  item.text = std::move(text.text);
  if (text.ender == 0) return item;
  Token condition = ReadToken(t, skipBlanks(text.next), ',');
  item.condition = std::move(condition.text);
  if (condition.ender == 0) return item;
  int rest = skipBlanks(condition.next);
  if (rest <= len) item.command = std::string(t.substr(static_cast<std::size_t>(rest - 1)));
  return item;
}

}  // namespace qw

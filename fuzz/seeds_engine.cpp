#include <zlib.h>

#include <cinttypes>
#include <cstdio>

#include "seeds.h"
#include "state/save_files.h"

namespace qw::fuzz {

namespace {

// CP932 "あいう" and "漢字".
constexpr const char* kKana = "\x82\xA0\x82\xA2\x82\xA4";
constexpr const char* kKanji = "\x8A\xBF\x8E\x9A";

SaveData SampleSave() {
  SaveData d;
  d.localFlags[0] = "1";
  d.localFlags[7] = "-2147483648";
  d.localFlags[255] = kKana;
  SavedImageStatus& person = d.persons[0];
  person.shown = person.loaded = true;
  person.fileName = "cg\\a.bmp";
  person.x = 40;
  person.mode = 3;
  SavedImageStatus& buffer = d.buffers[1];
  buffer.loaded = buffer.transparent = true;
  buffer.transparentColor = 0xFF00FF;
  buffer.fileName = "bg.png";
  d.sprites[2].visible = true;
  d.sprites[2].column = 1;
  SavedChannel& music = d.channels[0];
  music.fileName = "bgm\\a.mid";
  music.playCount = 1;
  music.playing = music.open = true;
  d.prog.fileName = "chapter1.txt";
  d.prog.chapter = kKanji;
  d.prog.pc = 12;
  d.prog.stackTop = 1;
  d.prog.returnStack[0] = 3;
  d.prog.returnStack[1] = 9;
  d.text.fontName = kKanji;
  d.menuTexts[0] = kKana;
  d.menuCommands[0] = "_goto :a";
  d.logPages = {{"line one", kKana}, {}, {"|", "<S3>x"}};
  return d;
}

std::string Manifest(const std::array<std::string, 3>& files) {
  std::string out = "QuillworkSave 1\r\n";
  const char* names[] = {"qfd", "qsd", "qld"};
  for (std::size_t i = 0; i < files.size(); ++i) {
    const auto crc = static_cast<std::uint32_t>(crc32(
        0L, reinterpret_cast<const Bytef*>(files[i].data()), static_cast<uInt>(files[i].size())));
    char line[64];
    std::snprintf(line, sizeof line, "%s %zu %08" PRIx32 "\r\n", names[i], files[i].size(), crc);
    out += line;
  }
  return out;
}

std::string Join(std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string& p : parts) {
    if (!out.empty()) out += kPartSeparator;
    out += p;
  }
  return out;
}

// A Standard MIDI File of `tracks` track chunk bodies.
std::string Smf(int format, std::uint16_t division, std::initializer_list<std::string> tracks) {
  auto be32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 8), static_cast<char>(v)};
  };
  std::string out = "MThd" + be32(6);
  out += {'\0',
          static_cast<char>(format),
          '\0',
          static_cast<char>(tracks.size()),
          static_cast<char>(division >> 8),
          static_cast<char>(division)};
  for (const std::string& t : tracks)
    out += "MTrk" + be32(static_cast<std::uint32_t>(t.size())) + t;
  return out;
}

}  // namespace

std::vector<std::string> EngineSeeds(std::string_view target) {
  using namespace std::string_literals;
  std::vector<std::string> out;
  if (target == "expr") {
    out = {"$flg[1]+2*3>=4", "(1+2)*3^2%7",
           "@flg[4]",        "$sys[20]<50 & $flg[1]==1 | !0",
           "-2147483648/-1", "$flg[$flg[1]]*-$flg[300]",
           "10/0",           "\"a,b\",*",
           "@flg[1]",        "$flg[2]-1",
           "((((((1))))))",  "$sys[999]"};
  } else if (target == "text_line") {
    out = {std::string(kKana) + kKanji + ".",
           "<S3><F1>big<S1>small<X10><Y20><M-4><N4>moved^",
           "<L2><H1><J1><K-1><T3><W0><I8><R300><U200>margins|next%",
           "<C#FF0000><B#00FF00><D0><E1><P1>colours&page",
           "value [$flg[1],5] text [@flg[4]] [$flg[2],-3]",
           std::string("(") + kKanji + ")(" + kKana + ")ruby/centred",
           "<Q5><Q-5><V\"se.wav\"><O\"se.wav\"><A\"a.bmp\">tags."};
  } else if (target == "config") {
    out = {
        "[Quillwork]\r\nProgramID=qw\r\nSavePath=.\\\r\nDarknessRate=64\r\n"
        "CommentFont0="s +
            kKanji +
            "\r\nIcon=sys\\icon.png\r\nTextMaxIndex=64\r\n"
            "TextHideMode=0\r\nGlobalFlagSave=1\r\nMP3Timing=5\r\nDefaultFont4=a,b,c\r\n",
        "[System]\nMdarkness=1\nKmusic=0\nKsound=1\nKtxtwait=x\nKtxtskip=\n"
        "Font0=\nFont1=IPA Gothic\nDebugMode=on\nsavepath=save\\\n",
        "DarknessRate=99999999999\nBGHideMode=-1\nTextMaxIndex=2147483647\n=\n;c\n"};
  } else if (target == "save") {
    const SaveData d = SampleSave();
    out = {FormatFlagFile(d.localFlags), FormatStatusFile(d), FormatLogFile(d.logPages)};
  } else if (target == "save_slot") {
    const SaveData d = SampleSave();
    const std::array<std::string, 3> files = {FormatFlagFile(d.localFlags), FormatStatusFile(d),
                                              FormatLogFile(d.logPages)};
    const std::string textId = "\x01\x80\xFF"s + std::string(61, '\0');
    // A slot without a manifest, one with its manifest, and one interrupted after it.
    out.push_back(Join({files[0], files[1], files[2]}));
    out.push_back(Join({files[0], files[1], files[2], Manifest(files), files[0], textId}));
    out.push_back(
        Join({"", "", "", Manifest(files), files[0], textId, files[0], files[1], files[2]}));
  } else if (target == "events") {
    out = {
        "# comment\nclick 10 20  # trailing\nanswer YES\nat +250 key ctrl+s\ninput name #1\n"
        "  rclick\nslot 80\nslot-cancel\nfont 3 IPA Gothic\nfile-cancel\nwait 1500\n"
        "key enter\n",
        "down 1 2\nup\nmove 639 479\nmenu Msave\nsnap first\nclick-outside\nwheel -1\n"
        "debug set 3 text\ndebug close\nscroll 40\nanswer cancel\nfile a.txt\ninput-cancel\n"};
  } else if (target == "midi") {
    // Note on and off, a running status, a tempo change, a SysEx and a text event.
    const std::string track0 =
        "\x00\xFF\x51\x03\x07\xA1\x20"s
        "\x00\x90\x3C\x40"s
        "\x60\x3E\x40"s
        "\x81\x00\x80\x3C\x00"s
        "\x00\xF0\x02\x7E\xF7"s
        "\x00\xFF\x01\x02hi"s
        "\x00\xFF\x2F\x00"s;
    const std::string track1 = "\x83\x60\xC0\x05\x00\xB0\x07\x64\x00\xFF\x2F\x00"s;
    const std::string smf = Smf(1, 480, {track0, track1});
    out.push_back(Smf(0, 96, {track0}));
    out.push_back(smf);
    out.push_back(Smf(1, 0xE728, {track0, track1}));  // SMPTE division
    const auto le32 = [](std::size_t v) {
      return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                         static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    out.push_back("RIFF" + le32(12 + smf.size()) + "RMIDdata" + le32(smf.size()) + smf);
  }
  return out;
}

}  // namespace qw::fuzz

#include "app/engine.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "app/coverage.h"
#include "app/media_subsystem.h"
#include "app/reader_aids.h"
#include "app/run_stop.h"
#include "app/save_subsystem.h"
#include "app/subsystem.h"
#include "app/tool_windows.h"
#include "gfx/picture.h"
#include "gfx/picture_cache.h"
#include "platform/ascii.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "platform/text_cut.h"
#include "platform/work_meter.h"
#include "present/input.h"
#include "present/layer_commands.h"
#include "present/refresh.h"
#include "present/text_engine.h"

namespace qw {
namespace {

constexpr const char* kAppTitle = "Quillwork";

// What the steps that cost more than a line count toward the run's line budget: a long line
// costs more than a short one, a line compared in a marker scan a fraction of a line run, a
// pixel shown a smaller one.
constexpr std::uint64_t kLineBytesPerUnit = 64;
constexpr std::uint64_t kScannedLinesPerUnit = 8;
constexpr std::uint64_t kShownPixelsPerUnit = 256;

bool SameDirectory(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  bool same = std::filesystem::equivalent(a, b, ec);
  return !ec && same;
}

}  // namespace

TFmain::TFmain(Host& host, EngineOptions options)
    : host_(host),
      options_(std::move(options)),
      evaluator_(flags_, *this, *this),
      waiter_(host, [this] { ThrowIfExitRequested(); }) {
  host_.setListener(this);
  random_.seed(host_.randomSeed());
  std::string keyProblem;
  scriptKey_ = ReadScriptKey({}, &keyProblem);
  backImage_.reset(kScreenWidth, kScreenHeight, 0);
  host_.setCaption(kAppTitle);
  RestoreCursorPattern(*this);  // the pen, pattern 1
  ResetAllBuffers(screen_);
  saves_ = std::make_unique<SaveSubsystem>(*this);
  AttachSubsystem(*saves_);
  media_ = std::make_unique<MediaSubsystem>(*this);
  AttachSubsystem(*media_);
  tools_ = std::make_unique<ToolWindows>(*this);
  readerAids_ = std::make_unique<ReaderAids>(*this);
  AttachSubsystem(*readerAids_);
  try {
    try {
      if (!saves_->ReadConfiguration()) {
        exitRequest_ = 0;
        return;
      }
      media_->SetMp3Timing(saves_->scenario().mp3Timing);
      readerAids_->ReadSettings();
      if (!keyProblem.empty()) ApplicationException(keyProblem);
      LoadStartPictures();
      ResetText(*this);
      bool darkness = screen_.darkness;
      screen_.darkness = false;
      FullRefresh(*this);
      screen_.darkness = darkness;
    } catch (const std::exception& e) {
      ApplicationException(e.what());
    }
  } catch (const EngineExit& e) {
    exitRequest_ = e.code;
  }
}

TFmain::~TFmain() = default;

const ConfigFile& TFmain::config() const {
  return saves_->cfg();
}

void TFmain::LoadStartPictures() {
  const std::string& background = saves_->scenario().background;
  if (!background.empty()) LoadBackground(*this, background);
  const std::string& icon = saves_->scenario().icon;
  if (!icon.empty()) {
    Surface& sheet = screen_.buffer(ICON);
    LoadPicture(sheet, icon, options_.dataRoot, *this, &host_);
    if (!sheet.empty()) {
      MakeColorMask(sheet, screen_.buffer(ICON_MASK), PixelToColor(sheet.at(0, 0)),
                    &screen_.buffer(TEMP2));
    }
  }
}

void TFmain::PresentWindow(const IntRect& area) {
  IntRect clipped{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, kScreenWidth),
                  std::min(area.bottom, kScreenHeight)};
  if (clipped.empty()) return;
  // Counted, not checked: a scope's destructor shows the picture again.
  const auto pixels =
      static_cast<std::uint64_t>(clipped.width()) * static_cast<std::uint64_t>(clipped.height());
  AddWork(pixels / kShownPixelsPerUnit);
  host_.present(backImage_, clipped);
}

std::optional<int> TFmain::ScenarioStart() {
  if (started_) return std::nullopt;
  started_ = true;
  if (exitRequest_) return exitRequest_;
  running_ = true;
  struct RunningScope {
    bool& flag;
    ~RunningScope() { flag = false; }
  } scope{running_};
  PictureCacheScope cachedPictures(pictures_);
  try {
    try {
      if (host_.colorDepth() < 15) {
        ShowMessage("16Bit HighColor 以上でないと色が正しく表示されません", "",
                    MessageIcon::Exclamation);
      }
      ApplyConfiguredFonts(*this);
      SelectStartScript();
      saves_->LoadAtStart();
      tools_->ScenarioStarted();
      RunScript();
    } catch (const std::exception& e) {
      // A failure of the step itself ends the run; the window stays open.
      ApplicationException(e.what());
    }
  } catch (const EngineExit& e) {
    return e.code;
  }
  return exitRequest_;
}

// ---- Driver ----

void TFmain::RunScript() {
  WorkMeter meter(linesRun_, options_.lineLimit,
                  [] { throw RunStopped{RunStopped::Reason::TimeLimit}; });
  WorkMeterScope metered(meter);
  while (prog_.Pc != -1 && prog_.Pc >= 0 &&
         static_cast<std::size_t>(prog_.Pc) < script_.lines.size()) {
    const std::size_t lineBytes = script_.lines[static_cast<std::size_t>(prog_.Pc)].size();
    meter.charge(1 + lineBytes / kLineBytesPerUnit);
    if (options_.coverage) options_.coverage->lineRun(prog_.FileName, script_, prog_.Pc);
    std::string line(TrimControl(script_.lines[static_cast<std::size_t>(prog_.Pc)]));
    currentTextId_ = -1;
    if (!line.empty() && line[0] == '~') {
      currentTextId_ = ParseTextId(line);
      line.erase(0, std::min<std::size_t>(9, line.size()));
    }
    char first = line.empty() ? '\0' : line[0];
    switch (first) {
      case '_':
        prog_.Status = 0;
        ExecuteCommand(line);
        break;
      case '!':
        SetCaption(line.substr(1));
        break;
      case ':':
      case ';':
      case '#':
      case '\0':
        break;
      case '\\':
        DrawRawText(*this, line.substr(1) + "\n");
        break;
      default:
        DrawTextLine(*this, line, 1);
        break;
    }
    ServicePendingRequest();
    if (prog_.NextPc == -1) {
      ++prog_.Pc;
    } else {
      prog_.Pc = prog_.NextPc;
      prog_.NextPc = -1;
    }
  }
}

std::int32_t TFmain::ParseTextId(const std::string& line) {
  std::string digits = line.substr(1, 8);
  bool valid = digits.size() == 8;
  std::uint32_t value = 0;
  for (char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    if (d < 0) valid = false;
    value = value * 16u + static_cast<std::uint32_t>(d < 0 ? 0 : d);
  }
  if (!valid) throw FrameworkError("'$" + Cp932ToUtf8(digits) + "' is not a valid integer value");
  return static_cast<std::int32_t>(value);
}

void TFmain::ServicePendingRequest() {
  // A resumed text line may ask for another load or the title.
  while (pendingRequest_ != 0) {
    const std::int32_t request = pendingRequest_;
    pendingRequest_ = 0;
    if (request == 1 && saves_->LoadRequestedSlot()) {
      tools_->FlagsReloaded();
      currentTextId_ = -1;
      saves_->ResumeTextLine();
    }
    if (request == 2) ReturnToTitle();
  }
}

void TFmain::ReturnToTitle() {
  switches_ = SystemSwitches{};
  switches_.autoRefresh.clear();
  flags_.clickFlag = -1;
  ResetAllBuffers(screen_);
  ResetText(*this);
  ResetInputForTitle(*this);
  for (Subsystem* subsystem : subsystems_)
    subsystem->ResetForTitle();
  FullRefresh(*this);
  SelectStartScript();
  // The start script empties the local flags; the debug window shows them so.
  tools_->FlagsReloaded();
  prog_.NextPc = 0;
}

// ---- Script source ----

void TFmain::LoadScript(const std::string& name) {
  const std::string& n = name;
  std::string base = n.size() >= 4 ? n.substr(0, n.size() - 4) : std::string();
  std::string ext = LowerExtension(n);
  std::string path = n;
  bool decipher = ext == ".txd";
  if (!FileExists(n, options_.dataRoot)) {
    if (ext == ".txt") {
      path = base + ".txd";
      decipher = true;
    } else {
      path = base + ".txt";
      decipher = false;
    }
  }
  FileRead file = ReadRegularFile(ResolvePath(path, options_.dataRoot), kMaxScriptFileSize);
  if (!file) {
    throw FrameworkError("Cannot open file \"" +
                         Cp932ToUtf8(SubstituteDataDrive(path, Utf8ToCp932(options_.dataRoot))) +
                         "\". " + file.reason());
  }
  script_.lines = SplitLines(file.bytes);
  if (decipher) {
    for (std::string& line : script_.lines)
      CipherLine(line, scriptKey_);
  }
  if (!BuildLabelTable(script_)) {
    scriptError("ラベルが多すぎます。最大：" + std::to_string(ScriptSource::kMaxLabels));
  }
  prog_.Pc = 0;
  prog_.NextPc = -1;
  prog_.TextPos = 0;
  prog_.StackTop = -1;
  prog_.Status = 0;
}

std::int32_t TFmain::LookupLabel(const std::string& label) {
  int n = FindLabel(script_, label);
  if (n >= 0) return script_.labelLines[static_cast<std::size_t>(n)];
  scriptError("ラベルが見つかりません" + Cp932ToUtf8(label));
  return prog_.Pc + 1;
}

std::int32_t TFmain::FindLineFrom(const std::string& marker, std::int32_t start) {
  const std::int32_t first = start < 0 ? 0 : start;
  for (std::int32_t i = first; static_cast<std::size_t>(i) < script_.lines.size(); ++i) {
    if (TrimControl(script_.lines[static_cast<std::size_t>(i)]) == marker) {
      ChargeWork(static_cast<std::uint64_t>(i - first) / kScannedLinesPerUnit);
      return i;
    }
  }
  const auto lines = static_cast<std::int64_t>(script_.lines.size());
  ChargeWork(static_cast<std::uint64_t>(std::max<std::int64_t>(lines - first, 0)) /
             kScannedLinesPerUnit);
  scriptError(Cp932ToUtf8(marker) + "が見つかりません");
  return 0;
}

void TFmain::SelectStartScript() {
  std::string name = "autorun.txt";
  if (!FileExists("autorun.txt") && !FileExists("autorun.txd")) {
    OpenFileSpec spec;
    spec.title = "実行ファイル指定";
    spec.fileName = "autorun.txt";
    spec.defaultExtension = "txt";
    spec.filter = "スクリプト(*.txt)|*.txt|暗号化スクリプト(*.txd)|*.txd|全てのファイル(*.*)|*.*";
    std::error_code ec;
    spec.initialDir = std::filesystem::current_path(ec).string();
    if (std::optional<std::string> chosen = host_.openFile(spec)) {
      std::filesystem::path chosenPath(*chosen);
      name = Utf8ToCp932(chosenPath.filename().string());
      // The system's file dialog leaves the current folder at the chosen file's folder.
      std::filesystem::current_path(chosenPath.parent_path(), ec);
      if (!SameDirectory(std::filesystem::current_path(ec), options_.startDir)) {
        MessageAnswer answer = ShowMessage(
            "例：\nサンプルプログラム実行の時→はい\n制作中ソフトのテストプレイの時→いいえ",
            "カレントＤＩＲを変更しますか？", MessageIcon::Question, MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes) std::filesystem::current_path(options_.startDir, ec);
        const std::string absolute = std::filesystem::absolute(chosenPath, ec).string();
        name = Utf8ToCp932(absolute);
        // A folder name CP932 cannot hold would be lost: then the path from here is used.
        if (Cp932ToUtf8(name) != absolute) {
          std::filesystem::path relative =
              std::filesystem::relative(absolute, std::filesystem::current_path(ec), ec);
          if (!ec && !relative.empty()) name = Utf8ToCp932(relative.generic_string());
        }
      }
    }
  }
  prog_.FileName = name;
  prog_.Condition = 0;
  LoadScript(name);
  SetCaption(kAppTitle);
  flags_.clearRange(0, "0");
}

void TFmain::SetCaption(const std::string& cp932Caption) {
  prog_.Caption = cp932Caption;
  host_.setCaption(Cp932ToUtf8(cp932Caption));
}

// ---- Errors ----

void TFmain::reportScriptError(const std::string& message) {
  std::string location = CutText("File:" + Cp932ToUtf8(prog_.FileName) +
                                 " Line:" + std::to_string(prog_.Pc + 1) + "/" + message);
  MessageAnswer answer = ShowMessage("エラー発生！！強制終了しますか？(設定ファイルを保存しません)",
                                     location, MessageIcon::Question, MessageButtons::YesNo);
  if (answer == MessageAnswer::Yes) throw EngineExit{1};
  tools_->ErrorReported(location);
}

const std::vector<std::string>& TFmain::errorList() const {
  return tools_->debug().errors();
}

void TFmain::scriptError(const std::string& message, MessageIcon icon) {
  ShowMessage(message, "", icon);
  reportScriptError(message);
}

void TFmain::ApplicationException(const std::string& message) {
  ShowMessage(message, kAppTitle, MessageIcon::Error);
  reportScriptError(message);
}

MessageAnswer TFmain::ShowMessage(const std::string& text, const std::string& caption,
                                  MessageIcon icon, MessageButtons buttons) {
  return host_.messageBox({CutText(text), CutText(caption), icon, buttons});
}

// ---- Waiting ----

void TFmain::ThrowIfExitRequested() {
  if (exitRequest_ && running_) throw EngineExit{*exitRequest_};
}

void TFmain::SaveOnExit() {
  saves_->SaveOnExit();
}

// ---- Host events ----

template <typename Fn>
void TFmain::Dispatch(Fn&& fn) {
  try {
    try {
      fn();
    } catch (const std::exception& e) {
      // Inside a wait a failure is shown and reported, and the wait goes on.
      ApplicationException(e.what());
    }
  } catch (const EngineExit& e) {
    exitRequest_ = e.code;
  }
}

// The work budget bounds what the engine does between two acts of the reader, so a long
// session of ordinary play never runs out of it.
void TFmain::ReaderActed() {
  linesRun_ = 0;
}

void TFmain::onMouseDown(int x, int y, bool right) {
  ReaderActed();
  Dispatch([&] { MouseDown(*this, x, y, right); });
}

void TFmain::onMouseUp(int x, int y, bool /*right*/) {
  Dispatch([&] { MouseUp(*this, x, y); });
}

void TFmain::onClick(int x, int y) {
  Dispatch([&] { MouseClick(*this, x, y); });
}

void TFmain::onMouseMove(int x, int y) {
  Dispatch([&] {
    input_.mouseX = x;
    input_.mouseY = y;
  });
}

void TFmain::onKey(const std::string& key, bool ctrl) {
  ReaderActed();
  Dispatch([&] { KeyPressed(*this, key, ctrl); });
}

void TFmain::onMenuItem(const std::string& name) {
  ReaderActed();
  Dispatch([&] { ChooseMenuItem(*this, name); });
}

bool TFmain::onCloseRequest() {
  bool mayClose = false;
  Dispatch([&] {
    MessageAnswer answer =
        ShowMessage("終了しますか？", "終了", MessageIcon::Question, MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok) {
      input_.click = input_.mouseDown = input_.mouseUp = false;
      return;
    }
    SaveOnExit();
    exitRequest_ = 0;
    // A running script unwinds first; the host ends the process when it has.
    mayClose = !running_;
  });
  return mayClose;
}

void TFmain::onTimer() {
  Dispatch([&] {
    WaitIconTick(*this);
    readerAids_->Tick();
  });
}

void TFmain::onClickOutside() {
  Dispatch([&] { media_->OnClickOutside(); });
}

void TFmain::onWake() {
  Dispatch([&] { media_->OnWake(); });
}

void TFmain::onScrollBar(int position) {
  ReaderActed();
  Dispatch([&] { saves_->ScrollBacklog(position); });
}

void TFmain::onWheel(int notches, int x, int y) {
  ReaderActed();
  Dispatch([&] { WheelTurned(*this, notches, x, y); });
}

void TFmain::onControlKey(bool held) {
  ReaderActed();
  Dispatch([&] { readerAids_->ControlKey(held); });
}

// ---- System values ----

std::int32_t TFmain::systemValue(int index) {
  const TTextStatus& t = textStatus_;
  switch (index) {
    case 0:
      return input_.mouseX;
    case 1:
      return input_.mouseY;
    case 2:
      return tools_->debugMode() ? 1 : 0;
    case 3:
      return screen_.darkness ? 1 : 0;
    case 4:
      return t.cellWidth;
    case 5:
      return t.cellHeight;
    case 6:
      return t.lineGap;
    case 7:
      return text_.fontIndex;
    case 8:
      return t.leftMargin;
    case 9:
      return t.rightLimit;
    case 10:
      return t.bottomLimit;
    case 11:
      return text_.size;
    case 12:
      return t.fontHeight;
    case 13:
      return t.rubyHeight;
    case 14:
      return text_.textWait;
    case 15:
      return t.cursorX;
    case 16:
      return t.cursorY;
    case 17:
      return t.cellWidth != 0 ? (t.cursorX - t.leftMargin) / t.cellWidth : 0;
    case 18: {
      std::int32_t pitch = t.cellHeight + t.lineGap;
      return pitch != 0 ? t.cursorY / pitch : 0;
    }
    case 19:
      return 143;
    case 20:
      return random_.next() % 100;
    case 21:
      return random_.next() % 1024;
    case 30:
      return random_.next() % 2147483647;
    case 31:
      return static_cast<std::int32_t>(host_.ticks());
    default:
      break;
  }
  if (index >= 22 && index <= 29) {
    LocalTime now = host_.localTime();
    switch (index) {
      case 22:
        return now.second;
      case 23:
        return now.minute;
      case 24:
        return now.hour;
      case 25:
        return now.day;
      case 26:
        return now.month;
      case 27:
        return now.year < 71 ? now.year + 2000 : (now.year < 100 ? now.year + 1900 : now.year);
      case 28:
        return now.weekday;
      default:
        return now.yearDay;
    }
  }
  return 0;
}

std::int32_t TFmain::argInt(int index, std::int32_t fallback) {
  const std::string& a = arg(index);
  return a.empty() ? fallback : evaluator_.EvaluateArgument(a);
}

}  // namespace qw

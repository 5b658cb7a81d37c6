#include "app/save_subsystem.h"

#include <algorithm>
#include <system_error>

#include "app/engine.h"
#include "app/media_subsystem.h"
#include "app/reader_aids.h"
#include "gfx/composite.h"
#include "gfx/picture.h"
#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "present/backlog_viewer.h"
#include "present/refresh.h"
#include "present/text_engine.h"
#include "script/source.h"
#include "state/install_path.h"

namespace qw {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDebugOnCaption = "デバッグモード";
constexpr const char* kDebugOffCaption = "キャンセル";
constexpr const char* kLoadTransition = "#WIPE2";
// The files written at the end, in the words of the save failures beside them.
constexpr const char* kSettingsSaveFailedMessage = "設定データ保存できず．．．";
constexpr const char* kReadTextSaveFailedMessage = "既読データ保存できず．．．";

SavedImageStatus ToSaved(const TImageStatus& r) {
  return {r.shown,    r.loaded,       r.transparent, r.maskMode, r.transparentColor,
          r.fileName, r.maskFileName, r.spareInt,    r.x,        r.y,
          r.order,    r.spareSwitch,  r.mode};
}

TImageStatus FromSaved(const SavedImageStatus& r) {
  TImageStatus out;
  out.shown = r.shown;
  out.loaded = r.loaded;
  out.transparent = r.transparent;
  out.maskMode = r.maskMode;
  out.transparentColor = r.transparentColor;
  out.fileName = r.fileName;
  out.maskFileName = r.maskFileName;
  out.spareInt = r.spareInt;
  out.x = r.x;
  out.y = r.y;
  out.order = r.order;
  out.spareSwitch = r.spareSwitch;
  out.mode = r.mode;
  return out;
}

void CaptureText(const TTextStatus& t, const TextFields& f, SavedText& out) {
  out.cursorX = t.cursorX;
  out.cursorY = t.cursorY;
  out.textColor = t.textColor;
  out.shadowColor = t.shadowColor;
  out.edgeMode = t.edgeMode;
  out.cellWidth = t.cellWidth;
  out.cellHeight = t.cellHeight;
  out.lineGap = t.lineGap;
  out.fontName = t.fontName;
  out.rubyFontName = t.rubyFontName;
  out.fontHeight = t.fontHeight;
  out.rubyHeight = t.rubyHeight;
  out.leftMargin = t.leftMargin;
  out.rightLimit = t.rightLimit;
  out.bottomLimit = t.bottomLimit;
  out.textured = f.textured;
  out.shadow = f.shadow;
  out.textVisible = f.textVisible;
  out.size = f.size;
  out.offsetX = f.offsetX;
  out.offsetY = f.offsetY;
  out.fontIndex = f.fontIndex;
  out.textWait = f.textWait;
  out.oneLine = f.oneLine;
}

void RestoreText(const SavedText& in, TTextStatus& t, TextFields& f) {
  t.cursorX = in.cursorX;
  t.cursorY = in.cursorY;
  t.textColor = in.textColor;
  t.shadowColor = in.shadowColor;
  t.edgeMode = in.edgeMode;
  t.cellWidth = in.cellWidth;
  t.cellHeight = in.cellHeight;
  t.lineGap = in.lineGap;
  t.fontName = in.fontName;
  t.rubyFontName = in.rubyFontName;
  t.fontHeight = in.fontHeight;
  t.rubyHeight = in.rubyHeight;
  t.leftMargin = in.leftMargin;
  t.rightLimit = in.rightLimit;
  t.bottomLimit = in.bottomLimit;
  f.textured = in.textured;
  f.shadow = in.shadow;
  f.textVisible = in.textVisible;
  f.size = in.size;
  f.offsetX = in.offsetX;
  f.offsetY = in.offsetY;
  f.fontIndex = in.fontIndex;
  f.textWait = in.textWait;
  f.oneLine = in.oneLine;
}

}  // namespace

SaveSubsystem::SaveSubsystem(TFmain& engine) : engine_(engine) {
  picker_.setQuestion([this](const std::string& text, const std::string& caption) {
    return engine_.ShowMessage(text, caption, MessageIcon::Question, MessageButtons::OkCancel) ==
           MessageAnswer::Ok;
  });
}

// ---- Settings ----

bool SaveSubsystem::ReadConfiguration() {
  std::error_code ec;
  const fs::path current = fs::current_path(ec);
  ConfigurationServices services;
  services.installPath = [](std::string_view programId) { return LookupInstallPath(programId); };
  services.chooseSaveFile = [this, &current](const OpenFileSpec& dialog) {
    OpenFileSpec spec = dialog;
    spec.initialDir = current.string();
    return engine_.host().openFile(spec);
  };
  std::optional<Configuration> read = qw::ReadConfiguration(current, services);
  if (!read) {
    engine_.ShowMessage(kMissingConfigMessage, "", MessageIcon::Warning);
    return false;
  }
  cfg_ = std::move(read->cfg);
  scenario_ = std::move(read->scenario);
  reader_ = std::move(read->reader);
  readerSettingsFound_ = read->readerSettingsFound;
  dataFolder_ = read->dataFolder;
  if (dataFolder_ != current) fs::current_path(dataFolder_, ec);

  Screen& screen = engine_.screen();
  screen.darknessRate = scenario_.darknessRate;
  screen.textHideMode = scenario_.textHideMode;
  screen.darkness = reader_.bgDarkness;
  TextFields& text = engine_.text();
  text.highSpeed = reader_.highSpeedText;
  text.pageUnit = reader_.skipText;
  PopupMenu& menu = engine_.menu();
  menu.setChecked("Mdarkness", reader_.bgDarkness);
  menu.setChecked("Kmusic", reader_.enableMusic);
  menu.setChecked("Ksound", reader_.enableSound);
  menu.setChecked("Ktxtwait", reader_.highSpeedText);
  menu.setChecked("Ktxtskip", reader_.skipText);
  menu.setCaption("Mdebug", reader_.debugMode ? kDebugOnCaption : kDebugOffCaption);
  if (scenario_.textMaxIndex) {
    readText_.Create(*scenario_.textMaxIndex);
    menu.setEnabled("Mskipout", true);
  }
  for (const std::string& error : read->errors)
    engine_.ApplicationException(error);
  return true;
}

void SaveSubsystem::ChooseFonts(FontTable& fonts,
                                const std::function<bool(const std::string&)>& installed) const {
  for (std::size_t i = 0; i < fonts.size(); ++i) {
    if (i < reader_.fonts.size() && readerSettingsFound_) {
      fonts[i] = reader_.fonts[i];
    } else if (std::optional<std::string> name =
                   FirstInstalledFont(scenario_.defaultFonts[i], installed)) {
      fonts[i] = *name;
    }
  }
}

void SaveSubsystem::LoadAtStart() {
  // Temporary files of writers that were killed; younger ones may be another process's.
  RemoveSaveLeftovers(savePath());
  if (!dataFolder_.empty()) {
    const std::string ini = ReaderSettingsPath(dataFolder_).filename().string();
    RemoveStaleTemporaries(dataFolder_, [&](std::string_view name) { return name == ini; });
  }
  if (scenario_.globalFlagSave) LoadGlobalFlags(savePath(), engine_.flags());
  if (readText_.exists()) readText_.Load(ReadTextRecordPath(savePath()));
}

void SaveSubsystem::SaveOnExit() {
  if (dataFolder_.empty()) return;  // no configuration was read
  ReaderSettings settings = reader_;
  const PopupMenu& menu = engine_.menu();
  settings.bgDarkness = engine_.screen().darkness;
  settings.enableMusic = menu.checked("Kmusic");
  settings.enableSound = menu.checked("Ksound");
  settings.highSpeedText = menu.checked("Ktxtwait");
  settings.skipText = menu.checked("Ktxtskip");
  for (std::size_t i = 0; i < settings.fonts.size(); ++i)
    settings.fonts[i] = engine_.text().fonts[i];
  // The reader aids keep their own keys in a section of their own at the end.
  const std::string iniBytes =
      FormatReaderSettings(settings) + engine_.readerAids().SettingsLines();
  if (!WriteFileAtomically(ReaderSettingsPath(dataFolder_), iniBytes))
    ShowSaveMessage({kSettingsSaveFailedMessage, SaveMessageKind::Warning});
  if (scenario_.globalFlagSave) {
    if (std::optional<SaveMessage> failed = SaveGlobalFlags(savePath(), engine_.flags())) {
      ShowSaveMessage(*failed);
    }
  }
  if (readText_.exists() && !readText_.Save(ReadTextRecordPath(savePath())))
    ShowSaveMessage({kReadTextSaveFailedMessage, SaveMessageKind::Warning});
}

// ---- Backlog and read text ----

void SaveSubsystem::RecordChar(std::string_view ch, bool symbolFont) {
  if (!engine_.switches().logLocked) log_.RecordChar(ch, symbolFont);
}

void SaveSubsystem::RecordLineBreak() {
  if (!engine_.switches().logLocked) log_.RecordLineBreak();
}

void SaveSubsystem::NewPage() {
  if (!engine_.switches().logLocked) log_.NewPage();
}

void SaveSubsystem::ScrollBacklog(int position) {
  if (activeBacklog_) activeBacklog_->ScrollTo(position);
}

bool SaveSubsystem::CheckCharacter() {
  bool& skipMode = engine_.text().skipMode;
  return readText_.CheckCharacter(engine_.currentTextId(), skipMode);
}

// ---- Snapshot ----

std::array<SavedChannel, 3> SaveSubsystem::ChannelRecords() {
  std::array<SavedChannel, 3> out;
  MediaChannels& channels = engine_.media().channels();
  for (std::size_t i = 0; i < out.size(); ++i) {
    const TSoundChannel& c = channels.channel(static_cast<SoundChannelId>(i));
    out[i] = {c.fileName, c.playCount, c.repeatCount, c.startPos,
              c.length,   c.playing,   c.open,        c.pending};
  }
  return out;
}

void SaveSubsystem::RestoreChannels(const std::array<SavedChannel, 3>& saved) {
  MediaChannels& channels = engine_.media().channels();
  // Whether a player plays or is open is the channels' own state after the stop.
  for (std::size_t i = 0; i < saved.size(); ++i) {
    TSoundChannel& c = channels.channel(static_cast<SoundChannelId>(i));
    const SavedChannel& s = saved[i];
    c.fileName = s.fileName;
    c.playCount = s.playCount;
    c.repeatCount = s.repeatCount;
    c.startPos = s.start;
    c.length = s.length;
    c.pending = s.pending;
  }
  const SavedChannel& music = saved[static_cast<std::size_t>(SoundChannelId::Music)];
  if (!music.playing || music.fileName.empty()) return;
  try {
    channels.ReplayMusic(music.fileName, music.repeatCount);
  } catch (const std::exception& e) {
    engine_.ApplicationException(e.what());
  }
}

void SaveSubsystem::TakeSnapshot() {
  // Built over the last snapshot: values this engine keeps no field for stay as a load gave
  // them, so a save made elsewhere comes back unchanged.
  SaveData& d = snapshot_;
  const FlagStore& flags = engine_.flags();
  for (int i = 0; i < FlagStore::kLocalCount; ++i)
    d.localFlags[static_cast<std::size_t>(i)] = flags.text(i);
  const Screen& screen = engine_.screen();
  for (std::size_t i = 0; i < d.persons.size(); ++i)
    d.persons[i] = ToSaved(screen.personStatus[i]);
  for (std::size_t i = 0; i < d.buffers.size(); ++i)
    d.buffers[i] = ToSaved(screen.status[i]);
  for (std::size_t i = 0; i < d.sprites.size(); ++i) {
    const SpriteSlot& s = screen.spriteSlots[i];
    d.sprites[i] = {s.x, s.y, s.column, s.row, s.visible, s.animationCount};
  }
  d.channels = ChannelRecords();
  const TProg& prog = engine_.prog();
  d.prog.fileName = prog.FileName;
  d.prog.caption = prog.Caption;
  // The caption a "!" line sets is the story's chapter title.
  d.prog.chapter = prog.Caption;
  d.prog.args = prog.Args;
  d.prog.reserved = prog.Reserved;
  d.prog.pc = prog.Pc;
  d.prog.nextPc = prog.NextPc;
  d.prog.textPos = prog.TextPos;
  d.prog.returnStack = prog.ReturnStack;
  d.prog.stackTop = prog.StackTop;
  d.prog.condition = prog.Condition;
  d.prog.selection = prog.Selection;
  d.prog.status = prog.Status;
  CaptureText(engine_.textStatus(), engine_.text(), d.text);
  d.clickFlag = flags.clickFlag;
  d.sysDark = engine_.switches().dark;
  d.sysPopup = engine_.switches().popupLocked;
  d.logRange = log_.TakeSaveRange();
}

// ---- Slots ----

std::optional<int> SaveSubsystem::ChooseSlot(SlotPicker::Mode mode) {
  picker_.Show(mode, ReadSlotEntries(savePath()));
  engine_.host().showToolWindow(picker_, true);
  if (!picker_.closed()) picker_.Cancel();
  InputSignals& input = engine_.input();
  input.click = input.mouseDown = input.mouseUp = input.enter = false;
  return picker_.chosenSlot();
}

void SaveSubsystem::SaveToSlot(int slot) {
  SaveData data = snapshot_;
  data.logPages = log_.PagesForSave(data.logRange);
  const LocalTime now = engine_.host().localTime();
  SlotSaveResult result = SaveSlot(savePath(), slot, data, &now);
  for (const SaveMessage& message : result.messages)
    ShowSaveMessage(message);
  if (!SavePossible(data) || !scenario_.globalFlagSave) return;
  if (std::optional<SaveMessage> failed = SaveGlobalFlags(savePath(), engine_.flags())) {
    ShowSaveMessage(*failed);
  }
}

void SaveSubsystem::RequestLoad(int slot) {
  requestedSlot_ = slot;
  engine_.pendingRequest() = 1;
}

bool SaveSubsystem::LoadRequestedSlot() {
  if (!requestedSlot_) return false;
  const int slot = *requestedSlot_;
  requestedSlot_.reset();
  SaveData data = snapshot_;
  SlotLoadResult result = LoadSlot(savePath(), slot, data);
  if (result.refused) {
    for (const SaveMessage& message : result.messages)
      ShowSaveMessage(message);
    return false;
  }
  // A status file that names no script, read over a snapshot that has none either (no page
  // was cleared yet): there is nothing to resume, so the story goes on as it was.
  if (!SavePossible(data)) {
    for (const SaveMessage& message : result.messages)
      ShowSaveMessage(message);
    if (result.statusRead) ShowSaveMessage({kStatusReadFailedMessage, SaveMessageKind::Warning});
    return false;
  }
  engine_.media().channels().StopAll();
  ResetAllBuffers(engine_.screen());
  for (const SaveMessage& message : result.messages)
    ShowSaveMessage(message);
  engine_.LoadScript(data.prog.fileName);
  Restore(data);
  ReloadLayers();
  RestoreChannels(data.channels);
  RunTransition(engine_, kLoadTransition);
  return true;
}

void SaveSubsystem::Restore(const SaveData& d) {
  FlagStore& flags = engine_.flags();
  for (int i = 0; i < FlagStore::kLocalCount; ++i)
    flags.set(i, d.localFlags[static_cast<std::size_t>(i)]);
  flags.clickFlag = d.clickFlag;
  Screen& screen = engine_.screen();
  for (std::size_t i = 0; i < d.persons.size(); ++i)
    screen.personStatus[i] = FromSaved(d.persons[i]);
  for (std::size_t i = 0; i < d.buffers.size(); ++i)
    screen.status[i] = FromSaved(d.buffers[i]);
  for (std::size_t i = 0; i < d.sprites.size(); ++i) {
    const SavedSprite& s = d.sprites[i];
    screen.spriteSlots[i] = {s.x, s.y, s.column, s.row, s.visible, s.animationCount};
  }
  TProg& prog = engine_.prog();
  prog.FileName = d.prog.fileName;
  prog.Args = d.prog.args;
  prog.Reserved = d.prog.reserved;
  prog.Pc = d.prog.pc;
  prog.NextPc = d.prog.nextPc;
  prog.TextPos = d.prog.textPos;
  prog.ReturnStack = d.prog.returnStack;
  prog.StackTop = d.prog.stackTop;
  prog.Condition = d.prog.condition;
  prog.Selection = d.prog.selection;
  prog.Status = d.prog.status;
  engine_.SetCaption(d.prog.caption);
  RestoreText(d.text, engine_.textStatus(), engine_.text());

  SystemSwitches& switches = engine_.switches();
  switches.dark = d.sysDark;
  switches.popupLocked = d.sysPopup;
  switches.logLocked = false;
  PopupMenu& menu = engine_.menu();
  DisplayState& display = engine_.display();
  if (d.sysPopup != display.scriptMenuLock) {
    menu.setAutoPopup(!d.sysPopup);
    if (d.sysPopup) {
      menu.lock();
    } else {
      menu.unlock();
    }
    display.scriptMenuLock = d.sysPopup;
  }

  log_.RestoreSaved(d.logPages);
  snapshot_ = d;
  snapshot_.logPages.clear();
  snapshot_.logRange = log_.saveRange();
}

void SaveSubsystem::ReloadLayers() {
  Screen& screen = engine_.screen();
  const std::string& dataRoot = engine_.options().dataRoot;
  // A picture that cannot be read is reported and the others still load.
  auto load = [&](int imageSlot, int maskSlot, int fileMaskMode) {
    const TImageStatus& r = screen.record(imageSlot);
    if (!r.loaded || r.fileName.empty()) return;
    try {
      Surface& image = screen.buffer(imageSlot);
      LoadPicture(image, r.fileName, dataRoot, engine_, &engine_.host());
      if (maskSlot < 0 || !r.transparent) return;
      if (!r.maskFileName.empty()) {
        MakeFileMask(image, screen.buffer(maskSlot), r.maskFileName, fileMaskMode,
                     screen.buffer(TEMP2), dataRoot, engine_, &engine_.host());
      } else {
        MakeColorMask(image, screen.buffer(maskSlot), r.transparentColor, &screen.buffer(TEMP2));
      }
    } catch (const std::exception& e) {
      engine_.ApplicationException(e.what());
    }
  };
  load(BG, -1, 0);
  load(EFFECT, EFFECT_MASK, screen.record(EFFECT).maskMode == 2 ? 2 : 0);
  for (int layer = 0; layer < 3; ++layer)
    load(PERSON0 + 2 * layer, PERSON0 + 2 * layer + 1, 0);
  screen.dirty = true;
}

void SaveSubsystem::ResumeTextLine() {
  TProg& prog = engine_.prog();
  if (prog.Status != 2) return;
  const std::vector<std::string>& lines = engine_.script().lines;
  if (prog.Pc < 0 || static_cast<std::size_t>(prog.Pc) >= lines.size()) return;
  std::string line(TrimControl(lines[static_cast<std::size_t>(prog.Pc)]));
  if (!line.empty() && line[0] == '~') line.erase(0, std::min<std::size_t>(9, line.size()));
  ClearText(engine_);
  if (prog.TextPos >= 0 && static_cast<std::size_t>(prog.TextPos) < line.size()) {
    DrawTextLine(engine_, line, prog.TextPos);
  }
}

void SaveSubsystem::ShowSaveMessage(const SaveMessage& message) {
  switch (message.kind) {
    case SaveMessageKind::Warning:
      engine_.ShowMessage(message.text, "", MessageIcon::Warning);
      break;
    case SaveMessageKind::ScriptError:
      engine_.scriptError(message.text);
      break;
    case SaveMessageKind::Exception:
      engine_.ApplicationException(message.text);
      break;
  }
}

void SaveSubsystem::ResetForTitle() {
  log_.Clear();
  requestedSlot_.reset();
}

}  // namespace qw

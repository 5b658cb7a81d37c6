// What the engine remembers: the settings of the author and of the reader, the backlog of the
// last pages, the read-text record, the page snapshot, the save slots with their picker, and
// the global flags. One owner, held by the engine object.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/subsystem.h"
#include "present/text_state.h"
#include "state/config.h"
#include "state/log_ring.h"
#include "state/read_text.h"
#include "state/save_files.h"
#include "state/settings.h"
#include "tools/slot_picker.h"

namespace qw {

class BacklogViewer;
class TFmain;

class SaveSubsystem final : public Subsystem {
 public:
  explicit SaveSubsystem(TFmain& engine);

  // ---- Settings ----

  // Reads `qwk.cfg` (required), the installation folder named for its `ProgramID`, `qwk.ini`
  // and the save folder (asking the reader when none is named), makes the data folder the
  // current one, and sets what they say in the engine's records: darkening and its rate, the
  // menu's checks, fast and page-at-once text, the debug item's caption, the read-text record
  // with `Mskipout`. A value that is no number is reported through the application exception
  // handler. False when `qwk.cfg` is missing: the message has been shown and the program ends.
  bool ReadConfiguration();
  const ConfigFile& cfg() const { return cfg_; }
  const ScenarioSettings& scenario() const { return scenario_; }
  const ReaderSettings& reader() const { return reader_; }
  bool readerSettingsFound() const { return readerSettingsFound_; }
  const std::filesystem::path& dataFolder() const { return dataFolder_; }
  // The save folder (CP932), put in front of save-file names as is.
  const std::string& savePath() const { return reader_.savePath; }

  // The font table at scenario start: slots 0..3 from `qwk.ini` (or, without one, the first
  // installed name of `DefaultFont0..3`), slots 4..6 the first installed of `DefaultFont4..6`;
  // a list with no installed name keeps the slot's start value.
  void ChooseFonts(FontTable& fonts,
                   const std::function<bool(const std::string&)>& installed) const;

  // Scenario start, after the start script: the global flags and `textid.dat`.
  void LoadAtStart();
  // A normal end (`_winexit`, the close): `qwk.ini`, the global flags, `textid.dat`.
  void SaveOnExit();

  // ---- Backlog ----

  LogRing& log() { return log_; }
  // The text engine's records; nothing while `_syslog` is on.
  void RecordChar(std::string_view ch, bool symbolFont);
  void RecordLineBreak();
  void NewPage();
  // The viewer `Mback` shows, while it shows; null otherwise.
  void SetActiveBacklog(BacklogViewer* viewer) { activeBacklog_ = viewer; }
  BacklogViewer* activeBacklog() const { return activeBacklog_; }
  // The viewer's scroll bar moved to `position` (nothing when no viewer shows one).
  void ScrollBacklog(int position);

  // ---- Read text and skip mode ----

  ReadTextRecord& readText() { return readText_; }
  // The check for a character drawn on the current line: ends skip mode at unread text and
  // marks the line read. Returns whether the character is skipped as already read.
  bool CheckCharacter();

  // ---- Page snapshot and slots ----

  // The state as the text page is cleared: what a save writes and a load restores.
  void TakeSnapshot();
  const SaveData& snapshot() const { return snapshot_; }
  // Whether a page has been cleared since a script started.
  bool savePossible() const { return SavePossible(snapshot_); }

  // Shows the slot picker and returns the slot chosen, or nothing when it was cancelled. The
  // click that chose it is cleared.
  std::optional<int> ChooseSlot(SlotPicker::Mode mode);
  SlotPicker& picker() { return picker_; }
  // Writes the snapshot into slot `slot`, then the global flags; failures are shown.
  void SaveToSlot(int slot);
  // A load of `slot` for the driver to carry out after the current line.
  void RequestLoad(int slot);
  // The driver's load: a torn slot is refused with a message and changes nothing (false);
  // otherwise the channels stop, the screen is reset, the slot's files are read, the script is
  // loaded again, the state restored, the music restarted and the picture shown with "#WIPE2".
  bool LoadRequestedSlot();
  // After a load: a text line the snapshot cut goes on from `TextPos`, on a cleared page.
  void ResumeTextLine();

  // Subsystem: the log is cleared. Settings, the read-text record and the snapshot stay.
  void ResetForTitle() override;

 private:
  void ShowSaveMessage(const SaveMessage& message);
  // The sound channels' records as a save holds them.
  std::array<SavedChannel, 3> ChannelRecords();
  // The records from a save, and its music played again (by the music mode, from the stored
  // name without its extension).
  void RestoreChannels(const std::array<SavedChannel, 3>& saved);
  // The live state from `data` (flags, records, text, program, log, switches).
  void Restore(const SaveData& data);
  // Loads the pictures the restored buffer records name.
  void ReloadLayers();

  TFmain& engine_;
  ConfigFile cfg_;
  ScenarioSettings scenario_;
  ReaderSettings reader_;
  bool readerSettingsFound_ = false;
  std::filesystem::path dataFolder_;
  LogRing log_;
  ReadTextRecord readText_;
  SaveData snapshot_;
  SlotPicker picker_;
  std::optional<int> requestedSlot_;
  BacklogViewer* activeBacklog_ = nullptr;
};

}  // namespace qw

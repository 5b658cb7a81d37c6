// Save data: the page snapshot as a plain record, and the files of a save slot.
//
// Slot N (1..80) is three text files in the save folder: `data<N>.qfd` (local flags),
// `data<N>.qsd` (status), `data<N>.qld` (backlog). `data0.qfd` holds the global flags.
// Every file is written as CP932 text, one value a line, CRLF line ends; reading accepts LF or
// CRLF, so saves made on Windows load.
//
// Crash safety. A save first writes the three new files beside the old ones
// (`data<N>.qfd.new`, ...) and its manifest `data<N>.qmf.new` (the size and CRC-32 of each new
// file), flushes all four and the folder to disk together, then renames the manifest over
// `data<N>.qmf` and flushes the folder (this is the moment the new save counts as made), then
// renames the new files over the old ones and flushes the folder once more. However a save
// ends, the slot holds either the old save or the new one: before the manifest's rename is on
// disk the old files and manifest are untouched; the new files are whole on disk before it;
// after it every new file is whole under one of its two names. A load completes or discards
// such an interrupted save, checks the three files against the manifest and refuses a set that
// does not match (files of two saves), changing nothing. A slot without a manifest (made on
// Windows) loads as it is.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "state/flags.h"
#include "state/log_ring.h"

namespace qw {

inline constexpr int kSaveSlotCount = 80;
inline constexpr std::uint32_t kNoTransparentColor = 0x1FFFFFFF;

// ---- The page snapshot ----

// A buffer state record (`TImageStatus`): for a character layer, its image buffer's record
// carries everything and its mask buffer's record the mask file name.
struct SavedImageStatus {
  bool shown = false;
  bool loaded = false;
  bool transparent = false;
  std::int32_t maskMode = 0;
  std::uint32_t transparentColor = kNoTransparentColor;
  std::string fileName;
  std::string maskFileName;
  std::int32_t spareInt = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t order = 0;
  bool spareSwitch = false;
  std::int32_t mode = 0;  // composition mode 0..8
};

struct SavedSprite {
  std::int32_t x = 0x10000;
  std::int32_t y = 0;
  std::int32_t column = 0;
  std::int32_t row = 0;
  bool visible = false;
  std::int32_t animationCount = 0;
};

// A sound-channel record: 0 music, 1 sound effect, 2 CD.
struct SavedChannel {
  std::string fileName;
  std::int32_t playCount = 0;
  std::int32_t repeatCount = 0;
  std::int32_t start = 0;
  std::int32_t length = 0;
  bool playing = false;
  bool open = false;
  bool pending = false;
};

// `TProg` as saved, with the chapter title beside it.
struct SavedProg {
  std::string fileName;  // `ProgFileName`: empty until a page has been cleared
  std::string caption;   // the main window's text of group E
  std::string chapter;   // `ProgChapter`
  std::array<std::string, 16> args;
  std::int32_t reserved = 0;
  std::int32_t pc = 0;       // `ProgExecLine`
  std::int32_t nextPc = -1;  // `ProgNextLine`
  std::int32_t textPos = 0;
  std::array<std::int32_t, 16> returnStack{};
  std::int32_t stackTop = -1;   // `ProgRetStack`
  std::int32_t condition = 0;   // `Prog[_if]Result`
  std::int32_t selection = -1;  // `Prog[_sel]Result`
  std::int32_t status = 0;      // `ProgMultiStateFlag`
};

// The text window: `TTextStatus` and the text fields beside it. The `extra` values have no
// field of their own in this engine; they are kept so that a save made elsewhere round-trips.
struct SavedText {
  std::int32_t cursorX = 0;
  std::int32_t cursorY = 0;
  std::uint32_t textColor = 0xFFFFFF;
  std::uint32_t shadowColor = 0;
  std::int32_t edgeMode = 0;
  std::int32_t cellWidth = 24;
  std::int32_t cellHeight = 24;
  std::int32_t lineGap = 16;
  std::string fontName;
  std::string rubyFontName;
  std::int32_t fontHeight = 24;  // the second width metric
  std::int32_t rubyHeight = 12;  // the second height metric
  std::int32_t leftMargin = 0;
  std::int32_t rightLimit = 616;
  std::int32_t bottomLimit = 440;
  bool textured = false;
  bool shadow = true;
  bool textVisible = true;
  std::int32_t size = 2;
  std::int32_t offsetX = 0;
  std::int32_t offsetY = 0;
  std::int32_t fontIndex = 0;
  std::int32_t textWait = 1;
  bool oneLine = false;
  std::array<std::int32_t, 5> extraInts{};
  std::uint32_t extraColor = 0;
  std::array<std::string, 2> extraTexts;
};

struct SaveData {
  std::array<std::string, 256> localFlags;  // cells 0..255
  std::array<SavedImageStatus, 6> persons;  // PERSON0, PERSON0_MASK, .. PERSON2_MASK
  std::array<SavedImageStatus, 9> buffers;  // VRAM .. TEMP2
  std::array<SavedSprite, 32> sprites;
  std::array<SavedChannel, 3> channels;
  SavedProg prog;
  SavedText text;
  std::int32_t clickFlag = -1;            // `_flgclick` cell, -1 none
  std::int32_t scriptValue = 0;           // the script integer beside it (unused here)
  bool scriptSwitch = false;              // the script switch of group D (unused here)
  bool mainSwitch = false;                // the second main-window switch (unused here)
  bool sysDark = false;                   // `_sysdark`
  bool sysPopup = false;                  // `_syspopup`
  std::array<std::string, 10> menuTexts;  // first ten entries of the selection menu
  std::array<std::string, 10> menuCommands;
  // The backlog: the snapshot's save range, and the pages a save writes (oldest first, at
  // most 15), filled from the ring with LogRing::PagesForSave(logRange) when saving. A load
  // fills the pages; LogRing::RestoreSaved(logPages) puts them back.
  LogRing::SaveRange logRange;
  std::vector<LogPage> logPages;
};

// Saving is possible once a page was cleared since a script started.
inline bool SavePossible(const SaveData& data) {
  return !data.prog.fileName.empty();
}

// ---- Messages (UTF-8) ----

inline constexpr const char* kStatusSaveFailedMessage = "ステータスデータ保存できず．．．";
inline constexpr const char* kNotSavableMessage = "システムがセーブ可能な状態ではありません";
inline constexpr const char* kFlagSaveFailedMessage = "フラグデータ保存できず．．．";
inline constexpr const char* kLogSaveFailedMessage = "回想データ保存できず．．．";
inline constexpr const char* kStatusReadFailedMessage = "ステータスデータが読めません．．．";
inline constexpr const char* kTornSaveMessage =
    "このセーブデータは不完全です"
    "（保存が途中で中断されたか、別の保存のファイルが混ざっています）"
    "．．．読み込みを中止しました";

// How a message reaches the reader.
enum class SaveMessageKind {
  Warning,      // a message box with the warning icon
  ScriptError,  // a message box, then the script error report with the same text
  Exception,    // a platform failure (a conversion): the application exception handler
};

struct SaveMessage {
  std::string text;  // UTF-8
  SaveMessageKind kind = SaveMessageKind::Warning;
};

// ---- File formats ----

// Bytes of each file as written (CP932, CRLF).
std::string FormatFlagFile(const std::array<std::string, 256>& cells);
std::string FormatStatusFile(const SaveData& data);
std::string FormatLogFile(const std::vector<LogPage>& pages);

// Readers of file bytes. Each assigns what the bytes hold and leaves the rest of `data` as it
// was; a value that is no number keeps its old value and its conversion message is added to
// `errors` (once per file). A line keeps at most 256 bytes (the log: LogRing's line bound).
void ParseFlagFile(std::string_view bytes, std::array<std::string, 256>& cells);
void ParseStatusFile(std::string_view bytes, SaveData& data, std::vector<std::string>& errors);
// Fills `pages` (at most 15, as line 1 says); returns the count.
int ParseLogFile(std::string_view bytes, std::vector<LogPage>& pages,
                 std::vector<std::string>& errors);

// Values that index something are brought into range (a stack top of 40, a font index of -3),
// so a damaged file never makes the engine read out of bounds.
void ClampSaveData(SaveData& data);

inline constexpr int kStatusFileLines = 516;
// Save files are small; a larger file is taken for damaged and not read.
inline constexpr std::size_t kMaxSaveFileBytes = std::size_t{16} << 20;

// ---- Slots ----

// The name (CP932) of a file of slot `slot` (0 for the global flags): the save folder as is,
// then "data<N>" and `extension` (".qfd", ".qsd", ".qld", ".qmf").
std::string SlotFileName(std::string_view savePath, int slot, std::string_view extension);
std::filesystem::path SlotFilePath(std::string_view savePath, int slot, std::string_view extension);

// The file operations of a save, replaceable to test what an interruption leaves behind.
struct SaveIo {
  // Writes a whole new file, not yet flushed; `permissionsOf` is the file it will replace.
  std::function<bool(const std::filesystem::path&, std::string_view,
                     const std::filesystem::path& permissionsOf)>
      write;
  // Flushes the files and the names in the folder to disk (only the folder for no files).
  std::function<bool(std::span<const std::filesystem::path>, const std::filesystem::path& folder)>
      flush;
  // Renames `from` over `to`.
  std::function<bool(const std::filesystem::path&, const std::filesystem::path&)> rename;
};
SaveIo DefaultSaveIo();

struct SlotSaveResult {
  bool saved = false;  // the slot now holds `data`
  std::vector<SaveMessage> messages;
};

// Saves `data` into slot `slot`. When saving is not possible, or a file cannot be written, the
// slot keeps its old save whole. With `stamp`, the files get that modification time (the
// host's clock, which the slot captions show).
SlotSaveResult SaveSlot(std::string_view savePath, int slot, const SaveData& data,
                        const LocalTime* stamp = nullptr, const SaveIo& io = DefaultSaveIo());

struct SlotLoadResult {
  bool refused = false;  // a torn set: `data` is untouched
  bool flagsRead = false;
  bool statusRead = false;
  bool logRead = false;
  std::vector<SaveMessage> messages;
};

// Reads slot `slot` into `data`: the flag file, the log file and the status file. A missing
// flag file keeps the local flags, a missing status file keeps the rest (with its message),
// a missing log file empties the backlog pages. `data` changes only at the end, all at once.
SlotLoadResult LoadSlot(std::string_view savePath, int slot, SaveData& data);

// Completes a save of `slot` interrupted after its manifest, or discards one interrupted
// before it. LoadSlot and ReadSlotEntries call it.
void RecoverSlot(std::string_view savePath, int slot, const SaveIo& io = DefaultSaveIo());

// Removes the temporary files that a writer killed mid-write (WriteFileAtomically) left in the
// save folder for the global flags, the slot files or `textid.dat`, once they are old enough
// that no other process can still be writing them. Returns how many went. (The new files of an
// interrupted save are RecoverSlot's.)
int RemoveSaveLeftovers(std::string_view savePath);

// ---- Global flags ----

// Writes cells 256..511 to `data0.qfd`; the message when it cannot.
std::optional<SaveMessage> SaveGlobalFlags(std::string_view savePath, const FlagStore& flags);
// Reads `data0.qfd` into cells 256..511 when it exists; returns whether it did.
bool LoadGlobalFlags(std::string_view savePath, FlagStore& flags);

// ---- What the slot picker shows ----

struct SlotEntry {
  bool used = false;   // the status file exists
  std::string title;   // its first line (CP932), at most 256 bytes
  LocalTime modified;  // its modification time, local
};
std::array<SlotEntry, kSaveSlotCount> ReadSlotEntries(std::string_view savePath);

}  // namespace qw

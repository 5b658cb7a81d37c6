// The read-text record: which text ids the reader has seen, across runs. A bit set of
// `TextMaxIndex` bytes; id n is bit (n mod 8), counted from the least significant bit, of byte
// (n div 8). It persists as `textid.dat` in the save folder: exactly those bytes, no header.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qw {

class ReadTextRecord {
 public:
  // Makes a zero-filled record of `bytes` bytes (clamped to 0..kMaxTextIndexBytes).
  void Create(std::int32_t bytes);
  // Drops the record: nothing is tracked, loaded or written.
  void Reset();
  bool exists() const { return exists_; }
  std::int32_t size() const { return static_cast<std::int32_t>(bits_.size()); }

  // Whether `id` is one the record can hold: 0 <= id < 8 x size.
  bool inRange(std::int64_t id) const;
  bool isRead(std::int64_t id) const;
  // Sets the bit of `id` when in range.
  void markRead(std::int64_t id);

  // The check made for every character drawn of a line with text id `id` (-1: none). Ends
  // skip mode at an unread or untracked line, and marks the line read. Returns whether the
  // character is being skipped as already read (no per-character pause).
  bool CheckCharacter(std::int64_t id, bool& skipMode);

  // Reads the record's bytes from `path` when it exists and holds a record: at most size()
  // bytes, a shorter file filling the start. Returns false when there is no file to read (the
  // record is then unchanged).
  bool Load(const std::filesystem::path& path);
  // Writes the record's bytes to `path`, replacing the file only once the new one is whole.
  // Returns false when it could not be written or there is no record.
  bool Save(const std::filesystem::path& path) const;

  const std::vector<std::uint8_t>& bytes() const { return bits_; }

 private:
  std::vector<std::uint8_t> bits_;
  bool exists_ = false;
};

// `textid.dat` of the save folder `savePath` (CP932, put in front of the name as is).
std::filesystem::path ReadTextRecordPath(std::string_view savePath);

}  // namespace qw

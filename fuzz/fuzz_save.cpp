// The readers of a save slot's three files on arbitrary bytes, then the clamp every load
// ends with and the writers a later save runs over what was loaded.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "state/save_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  qw::SaveData save;
  std::vector<std::string> errors;
  qw::ParseFlagFile(bytes, save.localFlags);
  qw::ParseLogFile(bytes, save.logPages, errors);
  qw::ParseStatusFile(bytes, save, errors);
  qw::ClampSaveData(save);
  qw::FormatFlagFile(save.localFlags);
  qw::FormatStatusFile(save);
  qw::FormatLogFile(save.logPages);
  return 0;
}

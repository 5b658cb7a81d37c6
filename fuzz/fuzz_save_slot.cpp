// A save folder made of the input: slot 1's three files, its manifest and the staged files of
// an interrupted save, `data0.qfd` and `textid.dat`, read as the engine reads them at a load
// and at start-up.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "seeds.h"
#include "state/flags.h"
#include "state/read_text.h"
#include "state/save_files.h"

namespace {

namespace fs = std::filesystem;

// The files the parts of an input become, in order; a missing part leaves its file out.
constexpr std::array<std::string_view, 9> kFileNames = {
    "data1.qfd",  "data1.qsd",     "data1.qld",     "data1.qmf",    "data0.qfd",
    "textid.dat", "data1.qfd.new", "data1.qsd.new", "data1.qld.new"};

class Folder {
 public:
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "quillwork-fuzz-save-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // Empties the folder, then writes the parts.
  void fill(std::string_view input) {
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(path_, ec))
      fs::remove_all(e.path(), ec);
    for (std::string_view name : kFileNames) {
      const std::size_t cut = input.find(qw::fuzz::kPartSeparator);
      const std::string_view part = input.substr(0, cut);
      std::ofstream(path_ / name, std::ios::binary)
          .write(part.data(), static_cast<std::streamsize>(part.size()));
      if (cut == std::string_view::npos) break;
      input.remove_prefix(cut + qw::fuzz::kPartSeparator.size());
    }
  }
  std::string savePath() const { return path_.string() + "/"; }

 private:
  fs::path path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Folder folder;
  folder.fill(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string savePath = folder.savePath();

  qw::SaveData save;
  qw::LoadSlot(savePath, 1, save);
  qw::FlagStore flags;
  qw::LoadGlobalFlags(savePath, flags);
  qw::ReadTextRecord record;
  record.Create(64);
  record.Load(qw::ReadTextRecordPath(savePath));
  return 0;
}

#include "gfx/picture.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>

#include "gfx/codecs.h"
#include "gfx/frl.h"
#include "gfx/mag.h"
#include "gfx/picture_cache.h"
#include "platform/ascii.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "platform/work_meter.h"

namespace qw {
namespace {

std::atomic<std::int64_t> pictureMemoryBudget{kDefaultPictureMemoryBudget};

// What a load counts toward a run's line budget: a decoded pixel costs about a 64th of a
// script line, a byte read a 1024th.
constexpr std::uint64_t kPixelsPerWorkUnit = 64;
constexpr std::uint64_t kFileBytesPerWorkUnit = 1024;

FileRead ReadPictureFile(const std::filesystem::path& path) {
  FileRead file = ReadRegularFile(path, kMaxPictureFileSize);
  ChargeWork(1 + file.bytes.size() / kFileBytesPerWorkUnit);
  return file;
}

// BMP, JPEG and PNG fail the way the platform's readers do: by an exception.
std::string ReadOrThrow(const std::filesystem::path& path, std::string_view cp932Name,
                        std::string_view dataRoot) {
  FileRead file = ReadPictureFile(path);
  if (!file) {
    throw FrameworkError("Cannot open file \"" + PictureDisplayName(cp932Name, dataRoot) + "\". " +
                         file.reason());
  }
  return std::move(file.bytes);
}

PictureLoad Fail(Surface& picture, const char* message, std::string_view cp932Name,
                 std::string_view dataRoot, ErrorReporter& reporter) {
  reporter.scriptError(message + PictureDisplayName(cp932Name, dataRoot), MessageIcon::Exclamation);
  ResizePicture(picture, 8, 8);
  return PictureLoad::Failed;
}

PictureLoad LoadMag(Surface& picture, const std::filesystem::path& path, std::string_view cp932Name,
                    std::string_view dataRoot, ErrorReporter& reporter,
                    const MessageBoxFn& messageBox) {
  FileRead file = ReadPictureFile(path);
  if (!file) return Fail(picture, kMagUnreadableMessage, cp932Name, dataRoot, reporter);
  switch (TM2BC::MMAG_MagtoBmp(AsBytes(file.bytes), picture)) {
    case TM2BC::Result::Loaded:
      return PictureLoad::Loaded;
    case TM2BC::Result::DecodeFailed:
      if (messageBox) {
        messageBox({kMagDecodeWarning, "Warning", MessageIcon::Warning, MessageButtons::Ok});
      }
      break;
    case TM2BC::Result::NoSize:
      break;
  }
  return Fail(picture, kMagUnreadableMessage, cp932Name, dataRoot, reporter);
}

PictureLoad LoadFrl(Surface& picture, const std::filesystem::path& path, std::string_view cp932Name,
                    std::string_view dataRoot, ErrorReporter& reporter) {
  FileRead file = ReadPictureFile(path);
  TFrlHeader header;
  if (!file || !LoadCodedImage(AsBytes(file.bytes), picture, false, header)) {
    return Fail(picture, kPictureUnreadableMessage, cp932Name, dataRoot, reporter);
  }
  return PictureLoad::Loaded;
}

bool KnownExtension(const std::string& ext) {
  return ext == ".bmp" || ext == ".jpg" || ext == ".mag" || ext == ".qim" || ext == ".frl" ||
         ext == ".png";
}

void ChargePixels(const Surface& picture) {
  ChargeWork(static_cast<std::uint64_t>(picture.width()) *
             static_cast<std::uint64_t>(picture.height()) / kPixelsPerWorkUnit);
}

// A load taken from the cache costs what the decode would have toward the run's budget, so
// that a run ends at the same place with or without it.
bool LoadKept(Surface& picture, PictureCache& cache, const PictureKey& key) {
  const CachedPicture* kept = cache.find(key);
  if (kept == nullptr || !PictureFitsMemoryBudget(kept->width, kept->height)) return false;
  ChargeWork(1 + key.size / kFileBytesPerWorkUnit);
  picture.resetForOverwrite(kept->width, kept->height);
  std::copy(kept->pixels.get(), kept->pixels.get() + kept->bytes() / 4, picture.data());
  ChargePixels(picture);
  return true;
}

}  // namespace

std::string PictureDisplayName(std::string_view cp932Name, std::string_view dataRoot) {
  const std::size_t at = cp932Name.find(kDataDriveToken);
  if (at == std::string_view::npos) return Cp932ToUtf8(cp932Name);
  return Cp932ToUtf8(cp932Name.substr(0, at)) + std::string(dataRoot) +
         Cp932ToUtf8(cp932Name.substr(at + kDataDriveToken.size()));
}

PictureLoad LoadPicture(Surface& picture, std::string_view cp932Name, std::string_view dataRoot,
                        ErrorReporter& reporter, Host* host) {
  MessageBoxFn box;
  if (host != nullptr) box = [host](const MessageBoxSpec& spec) { host->messageBox(spec); };
  return LoadPicture(picture, cp932Name, dataRoot, reporter, box);
}

PictureLoad LoadPicture(Surface& picture, std::string_view cp932Name, std::string_view dataRoot,
                        ErrorReporter& reporter, const MessageBoxFn& messageBox) {
  const std::string ext = LowerExtension(cp932Name);
  if (!KnownExtension(ext)) return PictureLoad::Skipped;
  const std::filesystem::path path = ResolvePath(cp932Name, dataRoot);
  PictureCache* cache = ActivePictureCache();
  std::optional<PictureKey> key;
  // An FRL file need not cover its whole picture: what it leaves shows the picture it was
  // loaded into, so its result is not the file's alone.
  if (cache != nullptr && ext != ".frl") {
    key = PictureFileKey(path, ext);
    if (key && LoadKept(picture, *cache, *key)) return PictureLoad::Loaded;
  }
  PictureLoad result = PictureLoad::Loaded;
  try {
    if (ext == ".bmp") {
      DecodeBmp(AsBytes(ReadOrThrow(path, cp932Name, dataRoot)), picture);
    } else if (ext == ".jpg") {
      DecodeJpeg(AsBytes(ReadOrThrow(path, cp932Name, dataRoot)), picture);
    } else if (ext == ".mag" || ext == ".qim") {
      result = LoadMag(picture, path, cp932Name, dataRoot, reporter, messageBox);
    } else if (ext == ".frl") {
      result = LoadFrl(picture, path, cp932Name, dataRoot, reporter);
    } else {
      DecodePng(AsBytes(ReadOrThrow(path, cp932Name, dataRoot)), picture);
    }
  } catch (const PictureBudgetError&) {
    // Refused for the memory it would take, not for its bytes: the script goes on, as after
    // any picture the loader cannot use.
    return Fail(picture, kPictureUnreadableMessage, cp932Name, dataRoot, reporter);
  }
  ChargePixels(picture);
  if (key && result == PictureLoad::Loaded) cache->insert(*key, picture);
  return result;
}

std::int64_t PictureMemoryBudget() {
  return pictureMemoryBudget.load(std::memory_order_relaxed);
}

std::int64_t SetPictureMemoryBudget(std::int64_t bytes) {
  return pictureMemoryBudget.exchange(bytes, std::memory_order_relaxed);
}

bool PictureFitsMemoryBudget(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
    return false;
  }
  const auto inUse = static_cast<std::int64_t>(Surface::bytesInUse());
  return inUse + width * height * 4 <= PictureMemoryBudget();
}

}  // namespace qw

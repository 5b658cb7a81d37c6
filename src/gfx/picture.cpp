#include "gfx/picture.h"

#include <optional>

#include "gfx/codecs.h"
#include "gfx/frl.h"
#include "gfx/mag.h"
#include "platform/ascii.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/paths.h"

namespace qw {
namespace {

std::optional<std::string> ReadPictureFile(std::string_view cp932Name, std::string_view dataRoot) {
  std::error_code ec;
  const std::filesystem::path path = ResolvePath(cp932Name, dataRoot);
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  return ReadFileBytes(path);
}

// BMP, JPEG and PNG fail the way the platform's readers do: by an exception.
std::string ReadOrThrow(std::string_view cp932Name, std::string_view dataRoot) {
  std::optional<std::string> bytes = ReadPictureFile(cp932Name, dataRoot);
  if (!bytes) {
    throw FrameworkError("Cannot open file \"" + PictureDisplayName(cp932Name, dataRoot) + "\"");
  }
  return std::move(*bytes);
}

PictureLoad Fail(Surface& picture, const char* message, std::string_view cp932Name,
                 std::string_view dataRoot, ErrorReporter& reporter) {
  reporter.scriptError(message + PictureDisplayName(cp932Name, dataRoot), MessageIcon::Exclamation);
  ResizePicture(picture, 8, 8);
  return PictureLoad::Failed;
}

PictureLoad LoadMag(Surface& picture, std::string_view cp932Name, std::string_view dataRoot,
                    ErrorReporter& reporter, const MessageBoxFn& messageBox) {
  std::optional<std::string> bytes = ReadPictureFile(cp932Name, dataRoot);
  if (!bytes) return Fail(picture, kMagUnreadableMessage, cp932Name, dataRoot, reporter);
  switch (TM2BC::MMAG_MagtoBmp(AsBytes(*bytes), picture)) {
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

PictureLoad LoadFrl(Surface& picture, std::string_view cp932Name, std::string_view dataRoot,
                    ErrorReporter& reporter) {
  std::optional<std::string> bytes = ReadPictureFile(cp932Name, dataRoot);
  TFrlHeader header;
  if (!bytes || !LoadCodedImage(AsBytes(*bytes), picture, false, header)) {
    return Fail(picture, kPictureUnreadableMessage, cp932Name, dataRoot, reporter);
  }
  return PictureLoad::Loaded;
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
  if (ext == ".bmp") {
    DecodeBmp(AsBytes(ReadOrThrow(cp932Name, dataRoot)), picture);
  } else if (ext == ".jpg") {
    DecodeJpeg(AsBytes(ReadOrThrow(cp932Name, dataRoot)), picture);
  } else if (ext == ".mag" || ext == ".qim") {
    return LoadMag(picture, cp932Name, dataRoot, reporter, messageBox);
  } else if (ext == ".frl") {
    return LoadFrl(picture, cp932Name, dataRoot, reporter);
  } else if (ext == ".png") {
    DecodePng(AsBytes(ReadOrThrow(cp932Name, dataRoot)), picture);
  } else {
    return PictureLoad::Skipped;
  }
  return PictureLoad::Loaded;
}

}  // namespace qw

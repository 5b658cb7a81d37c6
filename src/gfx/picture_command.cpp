#include "gfx/picture_command.h"

#include <filesystem>

#include "gfx/picture.h"
#include "gfx/png_writer.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/paths.h"

namespace qw {
namespace {

// Prints what the engine would show and report.
class StreamReporter : public ErrorReporter {
 public:
  explicit StreamReporter(std::ostream& err) : err_(err) {}
  void scriptError(const std::string& message, MessageIcon) override { err_ << message << '\n'; }
  void reportScriptError(const std::string& message) override { err_ << message << '\n'; }

 private:
  std::ostream& err_;
};

}  // namespace

int RunPictureCommand(const std::string& dataRoot, const std::string& in, const std::string& outPng,
                      std::ostream& err) {
  StreamReporter reporter(err);
  Surface picture;
  try {
    const MessageBoxFn box = [&err](const MessageBoxSpec& spec) { err << spec.text << '\n'; };
    // A host path whose folders CP932 cannot name is read through the data-root token, which
    // stands for its folder unconverted.
    std::string name = Utf8ToCp932(in);
    std::string root = dataRoot;
    if (in.find(kDataDriveToken) == std::string::npos && Cp932ToUtf8(name) != in) {
      std::error_code ec;
      const std::filesystem::path path = std::filesystem::absolute(in, ec);
      name = std::string(kDataDriveToken) + "/" + Utf8ToCp932(path.filename().string());
      root = path.parent_path().string();
    }
    switch (LoadPicture(picture, name, root, reporter, box)) {
      case PictureLoad::Loaded:
        break;
      case PictureLoad::Failed:
        return 1;
      case PictureLoad::Skipped:
        err << "not a picture the engine reads (.bmp .jpg .png .mag .qim .frl): " << in << '\n';
        return 1;
    }
  } catch (const FrameworkError& e) {
    err << e.what() << '\n';
    return 1;
  }
  std::string error;
  if (!WritePng(picture, outPng, &error)) {
    err << error << '\n';
    return 1;
  }
  return 0;
}

}  // namespace qw

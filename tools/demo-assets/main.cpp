// Makes every picture, sound, piece of music and movie of the bundled demo from code, or checks
// that the files in a demo folder are what this program makes.
//
//   quillwork_demo_assets DIR                       write the files into DIR
//   quillwork_demo_assets --check [--scripts SRC] DIR
//       make the files again in a temporary folder and compare: pictures pixel by pixel, sounds
//       and MIDI byte by byte, encoded media by what they hold (codecs, duration, frames); with
//       --scripts, every DIR/NAME.txd must decipher (with DIR's decode.key) to SRC/NAME.txt.
// Exit status 0, 1 when a check found differences or a file could not be made, 2 on usage.
#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "assets.h"
#include "gfx/png_writer.h"
#include "script/source.h"

namespace fs = std::filesystem;
using namespace qw::demo;

namespace {

std::optional<std::string> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string PictureBytes(const PictureAsset& asset, TextPen& pen) {
  const qw::Surface picture = asset.draw(pen);
  return asset.format == PictureAsset::Format::Png ? qw::EncodePng(picture) : BmpBytes(picture);
}

// The RGB bytes of a PNG, or nothing when it cannot be read.
std::optional<std::vector<unsigned char>> PngPixels(const std::string& bytes, int& w, int& h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  w = static_cast<int>(image.width);
  h = static_cast<int>(image.height);
  return rgb;
}

bool SamePicture(const PictureAsset& asset, const std::string& made, const std::string& found) {
  if (asset.format == PictureAsset::Format::Bmp) return made == found;
  int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
  const auto a = PngPixels(made, w1, h1);
  const auto b = PngPixels(found, w2, h2);
  return a && b && w1 == w2 && h1 == h2 && *a == *b;
}

int Generate(const fs::path& dir) {
  TextPen pen;
  for (const PictureAsset& p : Pictures())
    WriteBytes(dir / p.path, PictureBytes(p, pen));
  for (const ByteAsset& s : Sounds())
    WriteBytes(dir / s.path, s.make());
  for (const EncodedAsset& m : EncodedMedia()) {
    const fs::path target = dir / m.path;
    fs::create_directories(target.parent_path());
    // The encoder names the container from the extension, so the partial file keeps it.
    const fs::path partial = target.parent_path() / ("partial-" + target.filename().string());
    m.make(partial, pen);
    fs::rename(partial, target);
  }
  return 0;
}

std::string Describe(const MediaFacts& f) {
  return f.codecs + " " + std::to_string(f.durationMs) + " ms " + std::to_string(f.width) + "x" +
         std::to_string(f.height) + " " + std::to_string(f.videoFrames) + " frames";
}

int Check(const fs::path& dir, const std::optional<fs::path>& scripts) {
  TextPen pen;
  std::vector<std::string> problems;
  auto found = [&](const std::string& path) {
    std::optional<std::string> bytes = ReadBytes(dir / path);
    if (!bytes) problems.push_back(path + ": missing");
    return bytes;
  };
  for (const PictureAsset& p : Pictures()) {
    if (auto bytes = found(p.path); bytes && !SamePicture(p, PictureBytes(p, pen), *bytes))
      problems.push_back(p.path + ": differs from the picture this program draws");
  }
  for (const ByteAsset& s : Sounds()) {
    if (auto bytes = found(s.path); bytes && *bytes != s.make())
      problems.push_back(s.path + ": differs from the bytes this program writes");
  }
  const fs::path scratch =
      fs::temp_directory_path() / ("quillwork-demo-assets-" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  for (const EncodedAsset& m : EncodedMedia()) {
    if (!found(m.path)) continue;
    const fs::path fresh = scratch / fs::path(m.path).filename();
    m.make(fresh, pen);
    const MediaFacts made = ProbeMedia(fresh), present = ProbeMedia(dir / m.path);
    // Encoders may pad the last frame differently from one version to the next.
    if (made.codecs != present.codecs || made.width != present.width ||
        made.height != present.height || made.videoFrames != present.videoFrames ||
        std::llabs(made.durationMs - present.durationMs) > 100) {
      problems.push_back(m.path + ": holds " + Describe(present) + ", this program makes " +
                         Describe(made));
    }
  }
  fs::remove_all(scratch);
  if (scripts) {
    const std::int32_t key = qw::ReadScriptKey(dir);
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.path().extension() != ".txd") continue;
      const std::string name = entry.path().stem().string() + ".txt";
      std::optional<std::string> plain = ReadBytes(*scripts / name);
      std::optional<std::string> bytes = ReadBytes(entry.path());
      if (!plain) {
        problems.push_back(entry.path().filename().string() + ": no plain form " + name);
        continue;
      }
      qw::CipherBytes(*bytes, key);
      if (*bytes != *plain) {
        problems.push_back(entry.path().filename().string() + ": does not decipher to " +
                           (*scripts / name).string() + " (re-run the demo_assets target)");
      }
    }
  }
  for (const std::string& p : problems)
    std::cerr << "demo assets: " << p << "\n";
  return problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool check = false;
  std::optional<fs::path> scripts;
  std::optional<fs::path> dir;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--check") {
      check = true;
    } else if (args[i] == "--scripts" && i + 1 < args.size()) {
      scripts = args[++i];
    } else if (!dir && !args[i].starts_with("-")) {
      dir = args[i];
    } else {
      dir.reset();
      break;
    }
  }
  if (!dir) {
    std::cerr << "usage: quillwork_demo_assets [--check [--scripts SRC]] DIR\n";
    return 2;
  }
  try {
    return check ? Check(*dir, scripts) : Generate(*dir);
  } catch (const std::exception& e) {
    std::cerr << "demo assets: " << e.what() << "\n";
    return 1;
  }
}

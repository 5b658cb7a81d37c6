#include "support/scenario.h"

#include <png.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "gfx/png_writer.h"
#include "platform/cp932.h"

namespace qw::test {

namespace fs = std::filesystem;

Surface ReadPng(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    throw std::runtime_error("cannot read " + path.string() + ": " + image.message);
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
    std::string message = image.message;
    png_image_free(&image);
    throw std::runtime_error("cannot decode " + path.string() + ": " + message);
  }
  Surface out(static_cast<int>(image.width), static_cast<int>(image.height));
  const png_byte* p = rgb.data();
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x, p += 3) {
      out.at(x, y) = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    }
  }
  return out;
}

Scenario::Scenario() {
  std::string pattern = (fs::temp_directory_path() / "quillwork-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  root_ = pattern;
  dir_ = root_ / "scenario";
  fs::create_directory(dir_);
  options_.scenarioDir = dir_;
  // The engine needs the author's settings; saves go beside the scripts, with no dialog.
  std::ofstream(dir_ / "qwk.cfg", std::ios::binary) << "SavePath=./\r\n";
  options_.reportFile = reportPath();
  options_.snapshotDir = snapshotDir();
}

Scenario::~Scenario() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

fs::path Scenario::pathOf(const std::string& name) const {
  fs::path p = dir_ / name;
  fs::create_directories(p.parent_path());
  return p;
}

namespace {

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

void Scenario::writeScript(const std::string& name, std::string_view utf8Text) {
  WriteBytes(pathOf(name), Utf8ToCp932(utf8Text));
}

void Scenario::writeFile(const std::string& name, std::string_view bytes) {
  WriteBytes(pathOf(name), bytes);
}

void Scenario::writePng(const std::string& name, const Surface& picture) {
  std::string error;
  if (!WritePng(picture, pathOf(name), &error)) throw std::runtime_error(error);
}

void Scenario::writeBmp(const std::string& name, const Surface& picture) {
  const auto w = static_cast<std::uint32_t>(picture.width());
  const auto h = static_cast<std::uint32_t>(picture.height());
  const std::uint32_t stride = (w * 3 + 3) & ~3u;
  std::string bmp = "BM";
  PutLe(bmp, 54 + stride * h, 4);
  PutLe(bmp, 0, 4);
  PutLe(bmp, 54, 4);
  PutLe(bmp, 40, 4);
  PutLe(bmp, w, 4);
  PutLe(bmp, h, 4);  // bottom-up rows
  PutLe(bmp, 1, 2);
  PutLe(bmp, 24, 2);
  PutLe(bmp, 0, 4);
  PutLe(bmp, stride * h, 4);
  PutLe(bmp, 2835, 4);
  PutLe(bmp, 2835, 4);
  PutLe(bmp, 0, 4);
  PutLe(bmp, 0, 4);
  for (int y = picture.height() - 1; y >= 0; --y) {
    const std::size_t start = bmp.size();
    for (int x = 0; x < picture.width(); ++x)
      PutLe(bmp, picture.at(x, y), 3);
    bmp.append(stride - (bmp.size() - start), '\0');
  }
  WriteBytes(pathOf(name), bmp);
}

void Scenario::events(std::string_view text) {
  const fs::path file = root_ / "events.txt";
  WriteBytes(file, text);
  options_.eventsFile = file;
}

HeadlessReport Scenario::run() {
  HeadlessReport report;
  RunHeadless(options_, &report);
  return report;
}

std::string Scenario::reportJson() const {
  std::ifstream in(reportPath(), std::ios::binary);
  if (!in) throw std::runtime_error("no report at " + reportPath().string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

fs::path Scenario::snapshotPath(const std::string& name) const {
  return snapshotDir() / (name + ".png");
}

bool Scenario::hasSnapshot(const std::string& name) const {
  return fs::exists(snapshotPath(name));
}

Surface Scenario::snapshot(const std::string& name) const {
  return ReadPng(snapshotPath(name));
}

}  // namespace qw::test

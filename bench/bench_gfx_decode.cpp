// Picture loading. Each decoder through LoadPicture beside the bare decode of the same file
// (libpng and libjpeg alone for PNG and JPEG, the decoder without the loader for the engine's
// own formats); the engine's own decoders in output bytes per second; a second load of the same
// file taken from the picture cache.
#include <benchmark/benchmark.h>
#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <unistd.h>
#include <cstddef>
#include <cstdio>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "gfx/codecs.h"
#include "gfx/frl.h"
#include "gfx/mag.h"
#include "gfx/picture.h"
#include "gfx/picture_cache.h"
#include "gfx/picture_writers.h"

namespace {

namespace fs = std::filesystem;
constexpr int kW = 640, kH = 480;

class NullReporter : public qw::ErrorReporter {
 public:
  void scriptError(const std::string&, qw::MessageIcon) override {}
  void reportScriptError(const std::string&) override {}
};

enum Format { kPng, kJpeg, kBmp, kMag16, kMag256, kFrl24, kFrl18, kFrl12, kFrl10, kFormats };
const char* const kNames[kFormats] = {"bg.png",   "bg.jpg",   "bg.bmp",   "bg16.mag", "bg256.mag",
                                      "bg24.frl", "bg18.frl", "bg12.frl", "bg10.frl"};
const char* const kLabels[kFormats] = {"png",   "jpeg",  "bmp",   "mag16", "mag256",
                                       "frl24", "frl18", "frl12", "frl10"};

// A background-like picture (smooth areas, edges, some noise) in every format; FRL pictures
// are flat colour areas, which is what that format is for.
struct Files {
  fs::path dir = fs::temp_directory_path() / ("qw_bench_" + std::to_string(::getpid()));
  std::string bytes[kFormats];
  Files() {
    fs::create_directories(dir);
    const qw::Surface background = qw::testing::MakeRgbPattern(kW, kH, 3);
    bytes[kPng] = qw::testing::WritePngKind(background, qw::testing::PngKind::Rgb, false);
    bytes[kJpeg] = qw::testing::WriteJpeg(background, qw::testing::JpegKind::Baseline, 90);
    bytes[kBmp] = qw::testing::WriteBmp(background, {.bpp = 24});
    bytes[kMag16] = qw::testing::EncodeMag(qw::testing::MakePattern(kW, kH, 16, 5), {});
    bytes[kMag256] =
        qw::testing::EncodeMag(qw::testing::MakePattern(kW, kH, 256, 6), {.colors256 = true});
    qw::Surface flat(kW, kH);
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        flat.at(x, y) =
            static_cast<std::uint32_t>(((x / 24) * 0x1F3D5B + (y / 16) * 0x2B4C1D) & 0xFFFFFF);
      }
    }
    const int modes[] = {24, 18, 12, 10};
    for (int i = 0; i < 4; ++i) {
      qw::Surface q = flat;
      for (std::uint32_t* p = q.data(); p < q.data() + kW * kH; ++p) {
        *p = qw::testing::FrlQuantize(*p, modes[i]);
      }
      bytes[kFrl24 + i] = qw::testing::EncodeFrl(q, modes[i]);
    }
    for (int f = 0; f < kFormats; ++f) {
      std::ofstream(dir / kNames[f], std::ios::binary) << bytes[f];
    }
  }
  ~Files() { fs::remove_all(dir); }
  std::string path(int format) const { return (dir / kNames[format]).string(); }
};

Files& Shared() {
  static Files files;
  return files;
}

// The whole file in one read, as lean as a program that trusts its input can be.
std::string ReadAll(const std::string& path) {
  std::string bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fseek(f, 0, SEEK_END);
    bytes.resize(static_cast<std::size_t>(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) bytes.clear();
    std::fclose(f);
  }
  return bytes;
}

void BM_Mag(benchmark::State& state) {
  const std::string& file = Shared().bytes[state.range(0) ? kMag256 : kMag16];
  qw::Surface out;
  for (auto _ : state) {
    if (qw::TM2BC::MMAG_MagtoBmp(qw::AsBytes(file), out) != qw::TM2BC::Result::Loaded) {
      state.SkipWithError("decode failed");
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * 4);
}
BENCHMARK(BM_Mag)->Arg(0)->Arg(1)->ArgName("colors256");

void BM_Frl(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const std::string& file = Shared().bytes[mode == 24   ? kFrl24
                                           : mode == 18 ? kFrl18
                                           : mode == 12 ? kFrl12
                                                        : kFrl10];
  qw::Surface out;
  qw::TFrlHeader header;
  for (auto _ : state) {
    if (!qw::LoadCodedImage(qw::AsBytes(file), out, false, header)) state.SkipWithError("failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * 4);
}
BENCHMARK(BM_Frl)->Arg(24)->Arg(18)->Arg(12)->Arg(10)->ArgName("mode");

// Every load decodes: no cache is in force outside an engine run.
void BM_LoadPicture(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const std::string name = Shared().path(format);
  NullReporter reporter;
  qw::Surface out;
  for (auto _ : state) {
    if (qw::LoadPicture(out, name, "", reporter) != qw::PictureLoad::Loaded) {
      state.SkipWithError("load failed");
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(kLabels[format]);
  qw::bench::ReportCopies(state);
}
BENCHMARK(BM_LoadPicture)->DenseRange(0, kFormats - 1)->Unit(benchmark::kMicrosecond);

// A second load of the same file, as a story loads its backgrounds again and again (FRL
// pictures are not kept: a file that covers only part of its picture shows what it was loaded
// into).
void BM_LoadPictureAgain(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const std::string name = Shared().path(format);
  NullReporter reporter;
  qw::PictureCache cache;
  qw::PictureCacheScope scope(cache);
  qw::Surface out;
  qw::LoadPicture(out, name, "", reporter);
  for (auto _ : state) {
    qw::LoadPicture(out, name, "", reporter);
    benchmark::DoNotOptimize(out.data());
  }
  if (cache.hits() < static_cast<std::uint64_t>(state.iterations())) {
    state.SkipWithError("not taken from the cache");
  }
  state.SetLabel(kLabels[format]);
  qw::bench::ReportCopies(state);
}
BENCHMARK(BM_LoadPictureAgain)->Arg(kPng)->Arg(kJpeg)->Arg(kBmp)->Arg(kMag256);

struct PngMemory {
  const std::string* data;
  std::size_t pos;
};

void PngReadMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* m = static_cast<PngMemory*>(png_get_io_ptr(png));
  std::memcpy(out, m->data->data() + m->pos, n);
  m->pos += n;
}

// libpng alone: the file read, decoded into the library's own 24-bit rows, no conversion (the
// file is known to be good). Like any decode into a new picture, each run has a new buffer.
void BarePng(const std::string& path) {
  std::vector<std::uint8_t> pixels(kW * kH * 3);
  const std::string data = ReadAll(path);
  PngMemory m{&data, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_read_fn(png, &m, PngReadMemory);
  png_read_info(png, info);
  for (int y = 0; y < kH; ++y)
    png_read_row(png, pixels.data() + y * kW * 3, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  benchmark::DoNotOptimize(pixels.data());
}

// libjpeg alone into `pixels`, rows of `rowBytes`, in `space` (RGB, or the engine's 32-bit
// layout to see the loader's own work).
void BareJpeg(const std::string& path, J_COLOR_SPACE space, std::uint8_t* pixels,
              std::size_t rowBytes) {
  const std::string data = ReadAll(path);
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()), data.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = space;
  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels + cinfo.output_scanline * rowBytes;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  benchmark::DoNotOptimize(pixels);
}

// The file read and decoded the cheapest way there is: the library alone for PNG and JPEG, the
// decoder without the loader for the engine's own formats.
void BM_BareDecode(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const std::string path = Shared().path(format);
  qw::TFrlHeader header;
  for (auto _ : state) {
    qw::Surface out;
    switch (format) {
      case kPng:
        BarePng(path);
        break;
      case kJpeg: {
        std::vector<std::uint8_t> pixels(kW * kH * 3);
        BareJpeg(path, JCS_RGB, pixels.data(), kW * 3);
        break;
      }
      case kBmp:
        qw::DecodeBmp(qw::AsBytes(ReadAll(path)), out);
        break;
      case kMag16:
      case kMag256:
        qw::TM2BC::MMAG_MagtoBmp(qw::AsBytes(ReadAll(path)), out);
        break;
      default:
        qw::LoadCodedImage(qw::AsBytes(ReadAll(path)), out, false, header);
        break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(kLabels[format]);
  qw::bench::ReportCopies(state);
}
BENCHMARK(BM_BareDecode)->DenseRange(0, kFormats - 1)->Unit(benchmark::kMicrosecond);

// libjpeg writing the engine's 32-bit layout itself: the difference to LoadPicture is the
// loader's own work.
void BM_BareJpeg32(benchmark::State& state) {
  const std::string path = Shared().path(kJpeg);
  for (auto _ : state) {
    std::vector<std::uint32_t> pixels(kW * kH);
    BareJpeg(path, JCS_EXT_BGRX, reinterpret_cast<std::uint8_t*>(pixels.data()), kW * 4);
  }
}
BENCHMARK(BM_BareJpeg32)->Unit(benchmark::kMicrosecond);

BENCHMARK(qw::bench::BM_PlainCopy);

}  // namespace

BENCHMARK_MAIN();

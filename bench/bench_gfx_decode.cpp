// Decoding throughput of the engine's own formats (output bytes of 32-bit pixels), and PNG
// and JPEG through LoadPicture against the bare library decode of the same file.
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
#include <iterator>
#include <vector>

#include "gfx/codecs.h"
#include "gfx/frl.h"
#include "gfx/mag.h"
#include "gfx/picture.h"
#include "gfx/picture_writers.h"

namespace {

namespace fs = std::filesystem;
constexpr int kW = 640, kH = 480;

class NullReporter : public qw::ErrorReporter {
 public:
  void scriptError(const std::string&, qw::MessageIcon) override {}
  void reportScriptError(const std::string&) override {}
};

// A background-like picture: smooth areas, edges and some noise.
qw::Surface Background() {
  return qw::testing::MakeRgbPattern(kW, kH, 3);
}

struct Files {
  fs::path dir = fs::temp_directory_path() / ("qw_bench_" + std::to_string(::getpid()));
  std::string mag16, mag256, frl24, frl18, frl12, frl10;
  Files() {
    fs::create_directories(dir);
    mag16 = qw::testing::EncodeMag(qw::testing::MakePattern(kW, kH, 16, 5), {});
    mag256 = qw::testing::EncodeMag(qw::testing::MakePattern(kW, kH, 256, 6), {.colors256 = true});
    // FRL pictures are flat colour areas, which is what the format is for.
    qw::Surface flat(kW, kH);
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        flat.at(x, y) =
            static_cast<std::uint32_t>(((x / 24) * 0x1F3D5B + (y / 16) * 0x2B4C1D) & 0xFFFFFF);
      }
    }
    for (int mode : {24, 18, 12, 10}) {
      qw::Surface q = flat;
      for (std::uint32_t* p = q.data(); p < q.data() + kW * kH; ++p) {
        *p = qw::testing::FrlQuantize(*p, mode);
      }
      (mode == 24   ? frl24
       : mode == 18 ? frl18
       : mode == 12 ? frl12
                    : frl10) = qw::testing::EncodeFrl(q, mode);
    }
    std::ofstream(dir / "bg.png", std::ios::binary)
        << qw::testing::WritePngKind(Background(), qw::testing::PngKind::Rgb, false);
    std::ofstream(dir / "bg.jpg", std::ios::binary)
        << qw::testing::WriteJpeg(Background(), qw::testing::JpegKind::Baseline, 90);
  }
  ~Files() { fs::remove_all(dir); }
};

Files& Shared() {
  static Files files;
  return files;
}

void BM_Mag(benchmark::State& state) {
  const std::string& file = state.range(0) ? Shared().mag256 : Shared().mag16;
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
  Files& f = Shared();
  const std::string& file = state.range(0) == 24   ? f.frl24
                            : state.range(0) == 18 ? f.frl18
                            : state.range(0) == 12 ? f.frl12
                                                   : f.frl10;
  qw::Surface out;
  qw::TFrlHeader header;
  for (auto _ : state) {
    if (!qw::LoadCodedImage(qw::AsBytes(file), out, false, header)) state.SkipWithError("failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * 4);
}
BENCHMARK(BM_Frl)->Arg(24)->Arg(18)->Arg(12)->Arg(10)->ArgName("mode");

void BM_LoadPicture(benchmark::State& state) {
  const std::string name = (Shared().dir / (state.range(0) ? "bg.jpg" : "bg.png")).string();
  NullReporter reporter;
  qw::Surface out;
  for (auto _ : state) {
    qw::LoadPicture(out, name, "", reporter);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(state.range(0) ? "jpeg" : "png");
}
BENCHMARK(BM_LoadPicture)->Arg(0)->Arg(1)->ArgName("jpeg")->Unit(benchmark::kMicrosecond);

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct PngMemory {
  const std::string* data;
  std::size_t pos;
};

void PngReadMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* m = static_cast<PngMemory*>(png_get_io_ptr(png));
  std::memcpy(out, m->data->data() + m->pos, n);
  m->pos += n;
}

// libpng into its own 24-bit rows, no conversion (the file is known to be good). Like any
// decode into a new picture, each run has a new output buffer.
void BM_BarePng(benchmark::State& state) {
  const fs::path path = Shared().dir / "bg.png";
  for (auto _ : state) {
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
}
BENCHMARK(BM_BarePng)->Unit(benchmark::kMicrosecond);

// libjpeg into its own RGB rows, a new buffer each run.
void BM_BareJpeg(benchmark::State& state) {
  const fs::path path = Shared().dir / "bg.jpg";
  for (auto _ : state) {
    std::vector<std::uint8_t> pixels(kW * kH * 3);
    const std::string data = ReadAll(path);
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = pixels.data() + cinfo.output_scanline * kW * 3;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_BareJpeg)->Unit(benchmark::kMicrosecond);

// The same decode with the library writing the engine's 32-bit pixel layout itself, so the
// difference to LoadPicture is the loader's own work.
void BM_BareJpeg32(benchmark::State& state) {
  const fs::path path = Shared().dir / "bg.jpg";
  for (auto _ : state) {
    std::vector<std::uint32_t> pixels(kW * kH);
    const std::string data = ReadAll(path);
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels.data() + cinfo.output_scanline * kW);
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_BareJpeg32)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

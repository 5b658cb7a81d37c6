#include "seeds.h"

#include "gfx/picture_writers.h"

namespace qw::fuzz {

std::vector<std::string> Seeds(std::string_view target) {
  namespace t = qw::testing;
  std::vector<std::string> out;
  const t::IndexedImage p16 = t::MakePattern(24, 9, 16, 3);
  const t::IndexedImage p256 = t::MakePattern(20, 11, 256, 4);
  const Surface rgb = t::MakeRgbPattern(19, 13, 5);
  if (target == "bmp") {
    out.push_back(t::WriteBmp(t::MakePattern(13, 5, 2), {.bpp = 1}));
    out.push_back(t::WriteBmp(p16, {.bpp = 4, .topDown = true}));
    out.push_back(t::WriteBmp(p16, {.bpp = 4, .compression = t::BmpCompression::Rle}));
    out.push_back(t::WriteBmp(p256, {.bpp = 8, .compression = t::BmpCompression::Rle}));
    out.push_back(t::WriteBmp(p256, {.bpp = 8, .coreHeader = true}));
    out.push_back(t::WriteBmp(rgb, {.bpp = 16, .compression = t::BmpCompression::Bitfields}));
    out.push_back(t::WriteBmp(rgb, {.bpp = 24}));
    out.push_back(t::WriteBmp(rgb, {.bpp = 32, .topDown = true}));
  } else if (target == "png") {
    out.push_back(t::WritePngKind(rgb, t::PngKind::Rgb, false));
    out.push_back(t::WritePngKind(rgb, t::PngKind::Rgba, true));
    out.push_back(t::WritePngKind(p256.toSurface(), t::PngKind::Palette, false));
    out.push_back(t::WritePngKind(rgb, t::PngKind::Grey2, true));
    out.push_back(t::WritePngKind(rgb, t::PngKind::Rgb16, false));
  } else if (target == "jpeg") {
    out.push_back(t::WriteJpeg(rgb, t::JpegKind::Baseline, 50));
    out.push_back(t::WriteJpeg(rgb, t::JpegKind::Progressive, 50));
    out.push_back(t::WriteJpeg(rgb, t::JpegKind::Grey, 50));
    out.push_back(t::WriteJpeg(rgb, t::JpegKind::Cmyk, 50));
  } else if (target == "mag") {
    out.push_back(t::EncodeMag(p16, {}));
    out.push_back(t::EncodeMag(t::MakePattern(16, 30, 16, 9), {.xStart = 3, .xEnd = 10}));
    out.push_back(t::EncodeMag(p256, {.colors256 = true, .magic = "QWKIF1  "}));
  } else if (target == "frl") {
    for (int mode : {24, 18, 12, 10}) {
      Surface q = rgb;
      for (std::uint32_t* px = q.data(); px < q.data() + q.width() * q.height(); ++px) {
        *px = t::FrlQuantize(*px, mode);
      }
      out.push_back(t::EncodeFrl(q, mode));
    }
  } else if (target == "script" || target == "interpreter") {
    out.push_back(
        "!caption\r\n_$flg[1]=$flg[1]+1\r\n_($flg[1]<3),_goto :top\r\n:top\r\n"
        "_@flg[2]=\"a b\"\r\n_if $flg[1]==1 & $sys[20]<50\r\n_then\r\ntext\r\n_endthen\r\n");
    out.push_back(
        "_gosub :s\n_return\n:s\n_wait 10\n_delay -5\n_flgclear 2,x\n_version 1.2\n"
        "_branch 1\n_endbranch\n_else\n_endelse\n_return\n");
    out.push_back("~0000001Atext\n\\raw\n_(1),_(2),_$flg[3]=(1+2)*3^2%7\n_foo a,\"b,c\",*,d_e\n");
  }
#ifdef QW_FUZZ_ENGINE_SEEDS
  if (out.empty()) return EngineSeeds(target);
#endif
  return out;
}

}  // namespace qw::fuzz

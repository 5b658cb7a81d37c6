#include "picture_writers.h"

#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <cstddef>
#include <cstdio>

#include <csetjmp>
#include <cstring>
#include <stdexcept>

namespace qw::testing {
namespace {

void Put16(std::string& s, std::uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
void Set32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t Next(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// The file header and the 40- or 12-byte info header; the caller appends the rest and sets
// the offset and size fields.
std::string BmpHeaders(int width, int height, int bpp, std::uint32_t compression, bool core,
                       int paletteEntries) {
  std::string s = "BM";
  Put32(s, 0);
  Put32(s, 0);
  Put32(s, 0);
  if (core) {
    Put32(s, 12);
    Put16(s, static_cast<std::uint32_t>(width));
    Put16(s, static_cast<std::uint32_t>(height));
    Put16(s, 1);
    Put16(s, static_cast<std::uint32_t>(bpp));
  } else {
    Put32(s, 40);
    Put32(s, static_cast<std::uint32_t>(width));
    Put32(s, static_cast<std::uint32_t>(height));
    Put16(s, 1);
    Put16(s, static_cast<std::uint32_t>(bpp));
    Put32(s, compression);
    Put32(s, 0);
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, static_cast<std::uint32_t>(paletteEntries));
    Put32(s, 0);
  }
  return s;
}

void FinishBmp(std::string& s, std::size_t pixelOffset) {
  Set32(s, 2, static_cast<std::uint32_t>(s.size()));
  Set32(s, 10, static_cast<std::uint32_t>(pixelOffset));
}

// RLE8/RLE4 rows, bottom first: runs of equal pixels, literal runs for the rest.
std::string EncodeRle(const IndexedImage& image, bool four) {
  std::string out;
  const int maxRun = 255;
  for (int y = image.height - 1; y >= 0; --y) {
    int x = 0;
    while (x < image.width) {
      // At 4 bits a run repeats a pair of pixels; keep runs of one value.
      int run = 1;
      while (x + run < image.width && run < maxRun && image.at(x + run, y) == image.at(x, y))
        ++run;
      if (run >= 3 || image.width - x < 3) {
        out.push_back(static_cast<char>(run));
        const std::uint8_t v = image.at(x, y);
        out.push_back(static_cast<char>(four ? (v << 4) | v : v));
        x += run;
        continue;
      }
      // A literal run up to the next run of three.
      int len = 0;
      while (x + len < image.width && len < maxRun) {
        if (x + len + 2 < image.width && image.at(x + len, y) == image.at(x + len + 1, y) &&
            image.at(x + len, y) == image.at(x + len + 2, y)) {
          break;
        }
        ++len;
      }
      if (len < 3) len = std::min(3, image.width - x);
      out.push_back(0);
      out.push_back(static_cast<char>(len));
      std::string bytes;
      for (int i = 0; i < len; ++i) {
        const std::uint8_t v = image.at(x + i, y);
        if (!four) {
          bytes.push_back(static_cast<char>(v));
        } else if (i % 2 == 0) {
          bytes.push_back(static_cast<char>(v << 4));
        } else {
          bytes.back() = static_cast<char>(static_cast<std::uint8_t>(bytes.back()) | v);
        }
      }
      if (bytes.size() % 2) bytes.push_back(0);
      out += bytes;
      x += len;
    }
    out.push_back(0);
    out.push_back(0);  // end of line
  }
  out.push_back(0);
  out.push_back(1);  // end of bitmap
  return out;
}

}  // namespace

Surface IndexedImage::toSurface() const {
  Surface s(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      s.at(x, y) = palette[at(x, y)] & 0xFFFFFF;
  }
  return s;
}

IndexedImage MakePattern(int width, int height, int colors, std::uint32_t seed) {
  IndexedImage img;
  img.width = width;
  img.height = height;
  img.index.resize(static_cast<std::size_t>(width) * height);
  std::uint32_t state = seed;
  for (int c = 0; c < colors; ++c)
    img.palette.push_back(Next(state) & 0xFFFFFF);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int v;
      switch ((y / 5 + x / 13) % 4) {
        case 0:
          v = (x / 3) % colors;  // stripes: copies from the left
          break;
        case 1:
          v = (y / 2) % colors;  // bands: copies from above
          break;
        case 2:
          v = ((x / 4) ^ (y / 4)) % colors;  // checks
          break;
        default:
          v = static_cast<int>(Next(state) % static_cast<std::uint32_t>(colors));  // noise
      }
      img.index[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(v);
    }
  }
  return img;
}

Surface MakeRgbPattern(int width, int height, std::uint32_t seed) {
  Surface s(width, height);
  std::uint32_t state = seed;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t r = static_cast<std::uint32_t>(x * 255 / std::max(1, width - 1));
      const std::uint32_t g = static_cast<std::uint32_t>(y * 255 / std::max(1, height - 1));
      const std::uint32_t b = ((x / 8 + y / 8) % 2) ? 200 : (Next(state) & 0x3F);
      s.at(x, y) = (r << 16) | (g << 8) | b;
    }
  }
  return s;
}

std::string WriteBmp(const IndexedImage& image, const BmpOptions& o) {
  const bool rle = o.compression == BmpCompression::Rle;
  const std::uint32_t compression = rle ? (o.bpp == 8 ? 1u : 2u) : 0u;
  const int entries = 1 << o.bpp;
  std::string s = BmpHeaders(image.width, o.topDown ? -image.height : image.height, o.bpp,
                             compression, o.coreHeader, o.coreHeader ? 0 : entries);
  for (int i = 0; i < entries; ++i) {
    const std::uint32_t c = i < static_cast<int>(image.palette.size()) ? image.palette[i] : 0;
    s.push_back(static_cast<char>(c & 0xFF));
    s.push_back(static_cast<char>((c >> 8) & 0xFF));
    s.push_back(static_cast<char>((c >> 16) & 0xFF));
    if (!o.coreHeader) s.push_back(0);
  }
  const std::size_t pixelOffset = s.size();
  if (rle) {
    s += EncodeRle(image, o.bpp == 4);
  } else {
    const std::size_t stride = static_cast<std::size_t>((image.width * o.bpp + 31) / 32) * 4;
    for (int r = 0; r < image.height; ++r) {
      const int y = o.topDown ? r : image.height - 1 - r;
      std::string row(stride, '\0');
      for (int x = 0; x < image.width; ++x) {
        const std::uint8_t v = image.at(x, y);
        const int bit = x * o.bpp;
        row[bit / 8] = static_cast<char>(static_cast<std::uint8_t>(row[bit / 8]) |
                                         (v << (8 - o.bpp - bit % 8)));
      }
      s += row;
    }
  }
  FinishBmp(s, pixelOffset);
  return s;
}

std::string WriteBmp(const Surface& image, const BmpOptions& o) {
  const bool fields = o.compression == BmpCompression::Bitfields;
  std::string s = BmpHeaders(image.width(), o.topDown ? -image.height() : image.height(), o.bpp,
                             fields ? 3u : 0u, o.coreHeader, 0);
  std::uint32_t masks[3] = {o.masks[0], o.masks[1], o.masks[2]};
  if (masks[0] == 0 && masks[1] == 0 && masks[2] == 0) {
    if (o.bpp == 16 && fields) {
      masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F;
    } else if (o.bpp == 16) {
      masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
      masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
  }
  if (fields) {
    for (std::uint32_t m : masks)
      Put32(s, m);
  }
  const std::size_t pixelOffset = s.size();
  const std::size_t stride = static_cast<std::size_t>((image.width() * o.bpp + 31) / 32) * 4;
  for (int r = 0; r < image.height(); ++r) {
    const int y = o.topDown ? r : image.height() - 1 - r;
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      const std::uint32_t p = image.at(x, y);
      if (o.bpp == 24) {
        row.push_back(static_cast<char>(p & 0xFF));
        row.push_back(static_cast<char>((p >> 8) & 0xFF));
        row.push_back(static_cast<char>((p >> 16) & 0xFF));
      } else if (o.bpp == 32 && !fields) {
        Put32(row, p);
      } else {
        // Place each 8-bit channel's top bits into its field.
        std::uint32_t v = 0;
        const std::uint32_t ch[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
        for (int c = 0; c < 3; ++c) {
          if (masks[c] == 0) continue;
          int shift = 0;
          while (!((masks[c] >> shift) & 1))
            ++shift;
          int bits = 0;
          while ((masks[c] >> (shift + bits)) & 1)
            ++bits;
          const std::uint32_t top = bits >= 8 ? ch[c] << (bits - 8) : ch[c] >> (8 - bits);
          v |= top << shift;
        }
        if (o.bpp == 16) {
          Put16(row, v);
        } else {
          Put32(row, v);
        }
      }
    }
    row.resize(stride, '\0');
    s += row;
  }
  FinishBmp(s, pixelOffset);
  return s;
}

std::string EncodeMag(const IndexedImage& image, const MagOptions& o) {
  constexpr int kDx[16] = {0, 2, 4, 8, 0, 2, 0, 2, 4, 0, 2, 4, 0, 2, 4, 0};
  constexpr int kDy[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};
  const int unit = o.colors256 ? 4 : 8;
  const int alignedStart = unit * (o.xStart / unit);
  const int xEnd = o.xEnd >= 0 ? o.xEnd : alignedStart + image.width - 1;
  const int alignedEnd = unit * (xEnd / unit + 1) - 1;
  if (alignedEnd - alignedStart + 1 != image.width) throw std::invalid_argument("MAG width");
  const int bpl = o.colors256 ? image.width : image.width / 2;

  // The pixel rows as the bitmap stores them: two pixels a byte at 16 colours.
  std::vector<std::string> rows(image.height, std::string(bpl, '\0'));
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t v = image.at(x, y);
      if (o.colors256) {
        rows[y][x] = static_cast<char>(v);
      } else {
        auto& b = rows[y][x / 2];
        b = static_cast<char>(static_cast<std::uint8_t>(b) | (x % 2 ? v : v << 4));
      }
    }
  }
  auto word = [&](int x, int y) { return rows[y].substr(x, 2); };

  std::string flagA, flagB, pixels;
  int bitCount = 0;
  std::vector<std::uint8_t> previous(bpl / 4, 0);
  for (int y = 0; y < image.height; ++y) {
    for (int i = 0; i < bpl / 4; ++i) {
      int nibble[2];
      for (int k = 0; k < 2; ++k) {
        const int x = 4 * i + 2 * k;
        nibble[k] = 0;
        for (int n = 1; n < 16; ++n) {
          if (x - kDx[n] >= 0 && y - kDy[n] >= 0 && word(x - kDx[n], y - kDy[n]) == word(x, y)) {
            nibble[k] = n;
            break;
          }
        }
      }
      const std::uint8_t flag = static_cast<std::uint8_t>((nibble[0] << 4) | nibble[1]);
      const std::uint8_t stored = flag ^ previous[i];
      previous[i] = flag;
      if (bitCount % 8 == 0) flagA.push_back(0);
      if (stored) {
        flagA.back() =
            static_cast<char>(static_cast<std::uint8_t>(flagA.back()) | (0x80 >> (bitCount % 8)));
        flagB.push_back(static_cast<char>(stored));
      }
      ++bitCount;
      for (int k = 0; k < 2; ++k) {
        if (nibble[k] == 0) pixels += word(4 * i + 2 * k, y);
      }
    }
  }
  // Old readers check the flag A area per line; keep it at least that large.
  const std::size_t flagAChecked =
      static_cast<std::size_t>(image.height) * ((bpl / 2 - 1) / 16 + 1);
  if (flagA.size() < flagAChecked) flagA.resize(flagAChecked, '\0');

  std::string s(o.magic, 8);
  s += "PC98";
  s += std::string(18, ' ');  // user name
  s += " ";
  s += "\x1A";  // the comment is empty: the header starts at 32
  const std::size_t H = s.size();
  const int entries = o.colors256 ? 256 : 16;
  const std::uint32_t flagAOffset = 32 + 3 * entries;
  s.push_back(0);
  s.push_back(0);
  s.push_back(0);
  s.push_back(static_cast<char>(o.colors256 ? 0x80 : 0x00));
  Put16(s, static_cast<std::uint32_t>(o.xStart));
  Put16(s, static_cast<std::uint32_t>(o.yStart));
  Put16(s, static_cast<std::uint32_t>(xEnd));
  Put16(s, static_cast<std::uint32_t>(o.yStart + image.height - 1));
  Put32(s, flagAOffset);
  Put32(s, flagAOffset + static_cast<std::uint32_t>(flagA.size()));
  Put32(s, static_cast<std::uint32_t>(flagB.size()));
  Put32(s, flagAOffset + static_cast<std::uint32_t>(flagA.size() + flagB.size()));
  Put32(s, static_cast<std::uint32_t>(pixels.size()));
  for (int c = 0; c < entries; ++c) {
    const std::uint32_t p = c < static_cast<int>(image.palette.size()) ? image.palette[c] : 0;
    s.push_back(static_cast<char>((p >> 8) & 0xFF));   // green
    s.push_back(static_cast<char>((p >> 16) & 0xFF));  // red
    s.push_back(static_cast<char>(p & 0xFF));          // blue
  }
  if (s.size() != H + flagAOffset) throw std::logic_error("MAG layout");
  return s + flagA + flagB + pixels;
}

std::uint32_t FrlQuantize(std::uint32_t pixel, int mode) {
  const std::uint32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
  auto q = [](std::uint32_t v, std::uint32_t step, std::uint32_t max) {
    return std::min((v + step / 2) / step, max) * step;
  };
  auto six = [](std::uint32_t v) {
    const std::uint32_t k = v >> 2;
    return (k << 2) | (k >> 4);
  };
  switch (mode) {
    case 12:
      return (q(r, 17, 15) << 16) | (q(g, 17, 15) << 8) | q(b, 17, 15);
    case 10:
      return (q(r, 36, 7) << 16) | (q(g, 17, 15) << 8) | q(b, 36, 7);
    case 18:
      return (six(r) << 16) | (six(g) << 8) | six(b);
    default:
      return pixel & 0xFFFFFF;
  }
}

std::string EncodeFrl(const Surface& image, int mode) {
  std::string data;
  const std::size_t n = static_cast<std::size_t>(image.width()) * image.height();
  const std::uint32_t* p = image.data();
  if (mode == 18) {
    for (int plane = 0; plane < 3; ++plane) {
      for (std::size_t i = 0; i < n;) {
        const std::uint32_t v = (p[i] >> (8 * plane)) & 0xFF;
        std::size_t run = 1;
        while (i + run < n && run < 4 && ((p[i + run] >> (8 * plane)) & 0xFF) == v)
          ++run;
        data.push_back(static_cast<char>(((v >> 2) << 2) | (run - 1)));
        i += run;
      }
    }
  } else {
    const std::size_t maxRun = mode == 24 ? 256 : mode == 12 ? 16 : 64;
    for (std::size_t i = 0; i < n;) {
      std::size_t run = 1;
      while (i + run < n && run < maxRun && (p[i + run] & 0xFFFFFF) == (p[i] & 0xFFFFFF))
        ++run;
      const std::uint32_t r = (p[i] >> 16) & 0xFF, g = (p[i] >> 8) & 0xFF, b = p[i] & 0xFF;
      const auto count = static_cast<std::uint32_t>(run - 1);
      if (mode == 24) {
        data.push_back(static_cast<char>(count));
        data.push_back(static_cast<char>(b));
        data.push_back(static_cast<char>(g));
        data.push_back(static_cast<char>(r));
      } else if (mode == 12) {
        data.push_back(static_cast<char>(((b / 17) << 4) | count));
        data.push_back(static_cast<char>(((r / 17) << 4) | (g / 17)));
      } else {
        const std::uint32_t b3 = b / 36;
        data.push_back(static_cast<char>(((b3 >> 1) << 6) | count));
        data.push_back(static_cast<char>(((b3 & 1) << 7) | ((r / 36) << 4) | (g / 17)));
      }
      i += run;
    }
  }
  std::string s = "FRL";
  s.push_back(0);
  Put32(s, static_cast<std::uint32_t>(mode));
  Put32(s, static_cast<std::uint32_t>(image.width()));
  Put32(s, static_cast<std::uint32_t>(image.height()));
  Put32(s, 0);
  Put32(s, static_cast<std::uint32_t>(data.size()));
  s += std::string(16, '\0');
  return s + data;
}

// ---- PNG and JPEG through their libraries ----

namespace {

struct PngOut {
  std::string bytes;
  std::jmp_buf jump;
};

void PngFail(png_structp png, png_const_charp) {
  std::longjmp(static_cast<PngOut*>(png_get_error_ptr(png))->jump, 1);
}
void PngWrite(png_structp png, png_bytep d, png_size_t n) {
  static_cast<PngOut*>(png_get_io_ptr(png))->bytes.append(reinterpret_cast<char*>(d), n);
}
void PngFlush(png_structp) {}

bool PngEncode(PngOut& out, const Surface& image, PngKind kind, bool interlaced,
               std::vector<std::vector<std::uint8_t>>& rows, std::vector<png_color>& palette) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, PngFail, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(out.jump)) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  int type = PNG_COLOR_TYPE_RGB, depth = 8;
  switch (kind) {
    case PngKind::Rgb:
      break;
    case PngKind::Rgba:
      type = PNG_COLOR_TYPE_RGB_ALPHA;
      break;
    case PngKind::Palette:
      type = PNG_COLOR_TYPE_PALETTE;
      break;
    case PngKind::Grey:
      type = PNG_COLOR_TYPE_GRAY;
      break;
    case PngKind::GreyAlpha:
      type = PNG_COLOR_TYPE_GRAY_ALPHA;
      break;
    case PngKind::Grey2:
      type = PNG_COLOR_TYPE_GRAY;
      depth = 2;
      break;
    case PngKind::Rgb16:
      depth = 16;
      break;
  }
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
               static_cast<png_uint_32>(image.height()), depth, type,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (kind == PngKind::Palette) {
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  }
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (auto& r : rows)
    pointers.push_back(r.data());
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

struct JpegFail {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};
void JpegExit(j_common_ptr c) {
  std::longjmp(reinterpret_cast<JpegFail*>(c->err)->jump, 1);
}

bool JpegEncode(jpeg_compress_struct& c, JpegFail& err, const Surface& image, JpegKind kind,
                int quality, unsigned char** buffer, unsigned long* size,
                std::vector<std::uint8_t>& row) {
  c.err = jpeg_std_error(&err.base);
  err.base.error_exit = JpegExit;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    return false;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, buffer, size);
  c.image_width = static_cast<JDIMENSION>(image.width());
  c.image_height = static_cast<JDIMENSION>(image.height());
  const int components = kind == JpegKind::Grey ? 1 : kind == JpegKind::Cmyk ? 4 : 3;
  c.input_components = components;
  c.in_color_space = kind == JpegKind::Grey   ? JCS_GRAYSCALE
                     : kind == JpegKind::Cmyk ? JCS_CMYK
                                              : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (kind == JpegKind::Progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    const std::uint32_t* p = image.row(static_cast<int>(c.next_scanline));
    for (int x = 0; x < image.width(); ++x) {
      const std::uint8_t r = (p[x] >> 16) & 0xFF, g = (p[x] >> 8) & 0xFF, b = p[x] & 0xFF;
      if (kind == JpegKind::Grey) {
        row[x] = g;
      } else if (kind == JpegKind::Cmyk) {
        // libjpeg marks CMYK files as Adobe's, which store inverted inks: no black ink
        // and C = 255 - R stored as R.
        row[4 * x] = r;
        row[4 * x + 1] = g;
        row[4 * x + 2] = b;
        row[4 * x + 3] = 255;
      } else {
        row[3 * x] = r;
        row[3 * x + 1] = g;
        row[3 * x + 2] = b;
      }
    }
    JSAMPROW rp = row.data();
    jpeg_write_scanlines(&c, &rp, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return true;
}

}  // namespace

std::string WritePngKind(const Surface& image, PngKind kind, bool interlaced) {
  std::vector<std::vector<std::uint8_t>> rows(image.height());
  std::vector<png_color> palette;
  for (int y = 0; y < image.height(); ++y) {
    auto& r = rows[y];
    for (int x = 0; x < image.width(); ++x) {
      const std::uint32_t p = image.at(x, y);
      const std::uint8_t red = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      switch (kind) {
        case PngKind::Rgb:
          r.insert(r.end(), {red, g, b});
          break;
        case PngKind::Rgba:
          r.insert(r.end(), {red, g, b, static_cast<std::uint8_t>(x * 7)});
          break;
        case PngKind::Rgb16:
          r.insert(r.end(), {red, 0x55, g, 0x55, b, 0x55});
          break;
        case PngKind::Grey:
          r.push_back(g);
          break;
        case PngKind::GreyAlpha:
          r.insert(r.end(), {g, 0x80});
          break;
        case PngKind::Grey2:
          if (x % 4 == 0) r.push_back(0);
          r.back() = static_cast<std::uint8_t>(r.back() | ((g >> 6) << (6 - 2 * (x % 4))));
          break;
        case PngKind::Palette: {
          std::size_t i = 0;
          while (i < palette.size() &&
                 (palette[i].red != red || palette[i].green != g || palette[i].blue != b)) {
            ++i;
          }
          if (i == palette.size()) {
            if (palette.size() == 256) throw std::invalid_argument("too many colours");
            palette.push_back({red, g, b});
          }
          r.push_back(static_cast<std::uint8_t>(i));
          break;
        }
      }
    }
  }
  PngOut out;
  if (!PngEncode(out, image, kind, interlaced, rows, palette)) throw std::runtime_error("png");
  return out.bytes;
}

std::string WriteJpeg(const Surface& image, JpegKind kind, int quality) {
  jpeg_compress_struct c{};
  JpegFail err{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width()) * 4);
  if (!JpegEncode(c, err, image, kind, quality, &buffer, &size, row)) {
    std::free(buffer);
    throw std::runtime_error("jpeg");
  }
  std::string out(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return out;
}

}  // namespace qw::testing

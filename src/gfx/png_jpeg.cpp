// PNG and JPEG through their libraries, decoded straight into 32-bit rows.
//
// Both libraries report errors by longjmp. The functions that call setjmp hold no object with
// a destructor, and everything they touch after a jump is in the plain state records.
#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <algorithm>
#include <cstddef>
#include <cstdio>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gfx/codecs.h"
#include "platform/errors.h"

namespace qw {
namespace {

// ---- PNG ----

struct PngState {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
  std::uint8_t* scratchRow;  // kMaxPictureSide pixels of 3 bytes

  char message[200];
  std::jmp_buf jump;
  bool overBudget;
};

void PngError(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message ? message : "error");
  std::longjmp(state->jump, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  if (length > state->size - state->pos) png_error(png, "Read beyond the end of the data");
  std::memcpy(out, state->data + state->pos, length);
  state->pos += length;
}

// Out of line: the caller calls setjmp, which leaves its own loops unoptimised.
[[gnu::noinline]] void RgbRow(const std::uint8_t* src, std::uint32_t* dst, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x, src += 3) {
    dst[x] = (std::uint32_t{src[0]} << 16) | (std::uint32_t{src[1]} << 8) | src[2];
  }
}

// Returns false with state.message set. `out` is reset only after the header is known good.
bool PngDecodeInto(PngState& state, Surface& out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, PngError, PngWarning);
  if (!png) {
    std::snprintf(state.message, sizeof state.message, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    std::snprintf(state.message, sizeof state.message, "out of memory");
    return false;
  }
  if (setjmp(state.jump)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &state, PngRead);
  png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
  png_set_chunk_malloc_max(png, 64u << 20);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (!PictureSizeAllowed(width, height)) png_error(png, "Picture too large");
  if (!PictureFitsMemoryBudget(width, height)) {
    state.overBudget = true;
    png_error(png, kPictureBudgetMessage);
  }
  const int colorType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  if (depth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  if (colorType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
  // Interlaced rows are built up over several passes in place, and transparency expands to a
  // fourth channel: the library lays those out itself. Other rows come as RGB into a scratch
  // row that stays in the cache and are widened in one pass of our own, cheaper than the
  // library's separate swap and filler passes.
  const bool inPlace = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE ||
                       png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (inPlace) {
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * (inPlace ? 4 : 3)) {
    png_error(png, "Unexpected row layout");
  }
  if (inPlace) {
    out.reset(static_cast<int>(width), static_cast<int>(height));
    for (int pass = 0; pass < passes; ++pass) {
      for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, reinterpret_cast<png_bytep>(out.row(static_cast<int>(y))), nullptr);
      }
    }
  } else {
    // A short stream ends in png_error, which discards `out`: every row is written.
    out.resetForOverwrite(static_cast<int>(width), static_cast<int>(height));
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, state.scratchRow, nullptr);
      RgbRow(state.scratchRow, out.row(static_cast<int>(y)), width);
    }
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// ---- JPEG ----

struct JpegError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
void JpegMessage(j_common_ptr, int) {}  // corrupt-data warnings: decode what is there

struct JpegState {
  jpeg_decompress_struct cinfo;
  JpegError err;
  char message[JMSG_LENGTH_MAX];
  bool overBudget;
};

void CmykRow(const std::uint8_t* src, std::uint32_t* dst, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x) {
    std::uint32_t c = src[4 * x], m = src[4 * x + 1], y = src[4 * x + 2], k = src[4 * x + 3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    const std::uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
    dst[x] = (r << 16) | (g << 8) | b;
  }
}

// The library fills the fourth byte with 0xFF; pictures carry 0 there. Out of line, as are
// the other row loops: a function that calls setjmp is compiled without most optimisations.
[[gnu::noinline]] void BgrxRow(const std::uint8_t* src, std::uint32_t* dst, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x) {
    std::uint32_t px;
    std::memcpy(&px, src + 4 * x, 4);
    dst[x] = px & 0x00FFFFFFu;
  }
}

bool JpegDecodeInto(JpegState& s, ByteSpan data, Surface& out, std::uint8_t* scratchRow,
                    std::size_t scratchRowSize) {
  s.cinfo.err = jpeg_std_error(&s.err.base);
  s.err.base.error_exit = JpegErrorExit;
  s.err.base.emit_message = JpegMessage;
  if (setjmp(s.err.jump)) {
    s.err.base.format_message(reinterpret_cast<j_common_ptr>(&s.cinfo), s.message);
    jpeg_destroy_decompress(&s.cinfo);
    return false;
  }
  jpeg_create_decompress(&s.cinfo);
  s.cinfo.mem->max_memory_to_use = 512L << 20;
  jpeg_mem_src(&s.cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&s.cinfo, TRUE);
  const bool cmyk = s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK;
  s.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_calc_output_dimensions(&s.cinfo);
  if (!PictureSizeAllowed(s.cinfo.output_width, s.cinfo.output_height) ||
      static_cast<std::size_t>(s.cinfo.output_width) * 4 > scratchRowSize) {
    std::snprintf(s.message, sizeof s.message, "Picture too large");
    jpeg_destroy_decompress(&s.cinfo);
    return false;
  }
  if (!PictureFitsMemoryBudget(s.cinfo.output_width, s.cinfo.output_height)) {
    std::snprintf(s.message, sizeof s.message, "%s", kPictureBudgetMessage);
    s.overBudget = true;
    jpeg_destroy_decompress(&s.cinfo);
    return false;
  }
  jpeg_start_decompress(&s.cinfo);
  // Every row is written below, those a short stream leaves out included.
  out.resetForOverwrite(static_cast<int>(s.cinfo.output_width),
                        static_cast<int>(s.cinfo.output_height));
  const bool inverted = s.cinfo.saw_Adobe_marker;
  // Rows are decoded into a scratch row that stays in the cache and then copied out once,
  // with the fourth byte cleared on the way (a vectorised loop).
  const JDIMENSION width = s.cinfo.output_width;
  while (s.cinfo.output_scanline < s.cinfo.output_height) {
    const int y = static_cast<int>(s.cinfo.output_scanline);
    JSAMPROW row = scratchRow;
    if (jpeg_read_scanlines(&s.cinfo, &row, 1) != 1) break;
    if (cmyk) {
      CmykRow(scratchRow, out.row(y), width, inverted);
    } else {
      BgrxRow(scratchRow, out.row(y), width);
    }
  }
  for (int y = static_cast<int>(s.cinfo.output_scanline); y < out.height(); ++y) {
    std::fill(out.row(y), out.row(y) + out.width(), 0u);
  }
  jpeg_finish_decompress(&s.cinfo);
  jpeg_destroy_decompress(&s.cinfo);
  return true;
}

}  // namespace

void DecodePng(ByteSpan data, Surface& out) {
  PngState state{};
  state.data = data.data();
  state.size = data.size();
  std::vector<std::uint8_t> scratchRow(static_cast<std::size_t>(kMaxPictureSide) * 3);
  state.scratchRow = scratchRow.data();
  Surface decoded;
  if (!PngDecodeInto(state, decoded)) {
    if (state.overBudget) throw PictureBudgetError(kPictureBudgetMessage);
    throw FrameworkError(std::string("PNG error: ") + state.message);
  }
  out = std::move(decoded);
}

void DecodeJpeg(ByteSpan data, Surface& out) {
  if (data.empty()) throw FrameworkError("JPEG error: Empty input file");
  auto state = std::make_unique<JpegState>();
  std::memset(state.get(), 0, sizeof(JpegState));
  std::vector<std::uint8_t> scratchRow(static_cast<std::size_t>(kMaxPictureSide) * 4);
  Surface decoded;
  if (!JpegDecodeInto(*state, data, decoded, scratchRow.data(), scratchRow.size())) {
    if (state->overBudget) throw PictureBudgetError(kPictureBudgetMessage);
    throw FrameworkError(std::string("JPEG error: ") + state->message);
  }
  out = std::move(decoded);
}

}  // namespace qw

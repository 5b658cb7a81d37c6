#include "gfx/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <vector>

namespace qw {
namespace {

struct WriteState {
  std::string* out;
  std::jmp_buf jump;
};

void WriteError(png_structp png, png_const_charp) {
  std::longjmp(static_cast<WriteState*>(png_get_error_ptr(png))->jump, 1);
}
void WriteWarning(png_structp, png_const_charp) {}
void WriteData(png_structp png, png_bytep data, png_size_t length) {
  static_cast<WriteState*>(png_get_io_ptr(png))->out->append(reinterpret_cast<char*>(data), length);
}
void FlushData(png_structp) {}

// No object with a destructor lives in this frame across setjmp.
bool Encode(WriteState& state, const Surface& surface, std::uint8_t* row) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, WriteError, WriteWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(state.jump)) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &state, WriteData, FlushData);
  png_set_IHDR(png, info, static_cast<png_uint_32>(surface.width()),
               static_cast<png_uint_32>(surface.height()), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 6);
  png_write_info(png, info);
  for (int y = 0; y < surface.height(); ++y) {
    const std::uint32_t* p = surface.row(y);
    for (int x = 0; x < surface.width(); ++x) {
      row[4 * x] = static_cast<std::uint8_t>(p[x] >> 16);
      row[4 * x + 1] = static_cast<std::uint8_t>(p[x] >> 8);
      row[4 * x + 2] = static_cast<std::uint8_t>(p[x]);
      row[4 * x + 3] = 0xFF;
    }
    png_write_row(png, row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::string EncodePng(const Surface& surface) {
  std::string out;
  if (surface.empty()) return out;
  WriteState state{&out, {}};
  std::vector<std::uint8_t> row(static_cast<std::size_t>(surface.width()) * 4);
  if (!Encode(state, surface, row.data())) out.clear();
  return out;
}

bool WritePng(const Surface& surface, const std::filesystem::path& path, std::string* error) {
  const std::string bytes = EncodePng(surface);
  if (bytes.empty()) {
    if (error) *error = "cannot encode an empty picture";
    return false;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    if (error) *error = "cannot write " + path.string();
    return false;
  }
  return true;
}

}  // namespace qw

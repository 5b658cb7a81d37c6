// Rectangle transfers with the three raster operations the screen is built from: copy, AND
// (the mask pass) and OR (the image pass). Each call clips once against both surfaces.
#pragma once

#include "gfx/surface.h"

namespace qw {

enum class RasterOp { Copy, And, Or };

// Transfers the `width` x `height` rectangle at (sx, sy) of `src` to (dx, dy) of `dst`.
// `src` and `dst` must be different surfaces.
void Blit(Surface& dst, int dx, int dy, int width, int height, const Surface& src, int sx, int sy,
          RasterOp op);

// A masked draw: AND the mask, then OR the image (black wherever its mask is white). When
// the image and its mask have one size, both passes run as one.
void BlitMasked(Surface& dst, int dx, int dy, int width, int height, const Surface& image,
                const Surface& mask, int sx, int sy);

}  // namespace qw

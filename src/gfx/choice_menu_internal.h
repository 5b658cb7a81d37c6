// Rectangle helpers shared by the choice menu's files.
#pragma once

#include <cstdint>

#include "gfx/surface.h"
#include "platform/host.h"

namespace qw {

// The part of [left, right) x [top, bottom) that lies on `surface`; empty when none does.
IntRect ClipToSurface(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                      const Surface& surface);
// The smallest rectangle holding both; an empty one counts as nothing.
IntRect UniteRects(const IntRect& a, const IntRect& b);

}  // namespace qw

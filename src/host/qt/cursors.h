// The project's own cursor images for the five cursor patterns.
#pragma once

#include <QCursor>
#include <QImage>

#include "platform/host.h"

namespace qw {

// The 32 x 32 image of a shape ("PEN", "HAND", "WAIT", "ARROW", "BLANK"): black outline,
// white body, transparent elsewhere. A null image for the default pointer.
QImage CursorImage(CursorShape shape);
// The cursor with its hot spot (the pen's tip, the finger, the arrow's point, the centre).
QCursor CursorFor(CursorShape shape);

}  // namespace qw

// When the window hands its changed areas to the display: at most once per display refresh,
// so that a burst of presents (a transition's steps, a skipped page) costs one repaint.
#pragma once

#include <cstdint>

namespace qw {

// The refresh period of a display reporting `rateHz`; 60 Hz when it reports none, and
// between 30 and 240 Hz whatever it reports.
std::int64_t FramePeriodNs(double rateHz);
// Milliseconds until the next repaint may go out, `sinceLastNs` after the last one: rounded
// up, so that two repaints are never closer than a period; 0 when one may go out now.
int RepaintDelayMs(std::int64_t periodNs, std::int64_t sinceLastNs);

}  // namespace qw

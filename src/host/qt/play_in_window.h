// The desktop front end: plays a scenario in a window. Free of Qt, for the command line.
#pragma once

#include "app/engine_options.h"
#include "app/window_state.h"

namespace qw {

// Runs the scenario in the main window until the application ends and returns its exit
// code. A second instance (the lock held by another process) shows "既に起動中です。" and
// returns 0 without a main window. `argc` and `argv` go to Qt (display, platform options).
// The window starts as remembered beside the reader's settings, with `desktop` over that, and
// is remembered again when the application ends.
int PlayInWindow(const EngineOptions& options, const DesktopOptions& desktop, int argc,
                 char** argv);

}  // namespace qw

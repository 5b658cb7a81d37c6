#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/host.h"

namespace qw {

// Appends one control to a window's list and returns it for the caller to finish. The
// reference is valid only until the next append.
inline ToolControl& AddControl(std::vector<ToolControl>& out, ToolControl::Kind kind,
                               const char* name, std::string text, IntRect bounds) {
  ToolControl& c = out.emplace_back();
  c.kind = kind;
  c.name = name;
  c.text = std::move(text);
  c.bounds = bounds;
  return c;
}

}  // namespace qw

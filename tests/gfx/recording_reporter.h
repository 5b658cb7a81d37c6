// An ErrorReporter that keeps what it was given.
#pragma once

#include <string>
#include <vector>

#include "platform/reporter.h"

namespace qw::testing {

class RecordingReporter : public ErrorReporter {
 public:
  void scriptError(const std::string& message, MessageIcon icon) override {
    boxes.push_back(message);
    icons.push_back(icon);
    reports.push_back(message);
  }
  void reportScriptError(const std::string& message) override { reports.push_back(message); }

  std::vector<std::string> boxes;  // the unit's own message boxes
  std::vector<MessageIcon> icons;
  std::vector<std::string> reports;  // every text that reached the report
};

}  // namespace qw::testing

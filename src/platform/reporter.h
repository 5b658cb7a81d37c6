// How units outside the driver report script errors without knowing the engine.
#pragma once

#include <string>

#include "platform/host.h"

namespace qw {

class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  // The unit's own message box (`icon`, OK button, no title of its own), then the script
  // error report with the same text. Texts are UTF-8.
  virtual void scriptError(const std::string& message,
                           MessageIcon icon = MessageIcon::Exclamation) = 0;
  // The script error report alone (location, force-quit question, error list).
  virtual void reportScriptError(const std::string& message) = 0;
};

}  // namespace qw

#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/Controls.h"

namespace vfd::app {

// Every message of the status line also goes to standard error with the local time, so that a
// message the window replaced, or one of a program running without a window, can still be read
// (in a terminal or the journal of a service).
class StatusLog {
 public:
  using Sink = std::function<void(const std::string&)>;
  // Writes to stderr, stamped with the local time.
  explicit StatusLog(Label& status);
  // For tests: `stamp` gives the time text, `out` takes each line.
  StatusLog(Label& status, std::function<std::string()> stamp, Sink out);
  StatusLog(const StatusLog&) = delete;
  StatusLog& operator=(const StatusLog&) = delete;

 private:
  struct State;
  // Shared with the label's subscription, which outlives this object (signals cannot be left).
  std::shared_ptr<State> state_;
};

}  // namespace vfd::app

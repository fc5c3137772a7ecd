#pragma once

#include <functional>
#include <string>

#include <QObject>

#include "core/Controls.h"

namespace vfd::ui {

// Every message of the status line also goes to standard error with the local time, so that a
// message the window replaced, or one of a program running without a window, can still be read
// (in a terminal or the journal of a user service).
class StatusLog : public QObject {
 public:
  using Sink = std::function<void(const std::string&)>;
  // Writes to stderr, stamped with the local time.
  explicit StatusLog(Label& status);
  // For tests: `stamp` gives the time text, `out` takes each line.
  StatusLog(Label& status, std::function<std::string()> stamp, Sink out);

 private:
  void Changed();

  Label& status_;
  std::function<std::string()> stamp_;
  Sink out_;
  std::string last_;
};

}  // namespace vfd::ui

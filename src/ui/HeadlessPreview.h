#pragma once

#include <functional>
#include <string>

#include <QObject>

#include "shell/FrmMain.h"

namespace vfd::ui {

// The preview and the status line as text, for running without a screen. Each change of the
// preview becomes one block: every visible row between '|' characters (so that trailing blanks
// show), then an empty line. Changes of both lines within one pass of the event loop make one
// block, and a block equal to the last one is not repeated. Status lines come as "status: <text>".
class HeadlessPreview : public QObject {
 public:
  using Sink = std::function<void(const std::string&)>;
  // Prints to stdout and stderr, flushing each time.
  explicit HeadlessPreview(FrmMain& form);
  HeadlessPreview(FrmMain& form, Sink preview_out, Sink status_out);

  // The block the preview shows now.
  std::string Block() const;

 private:
  void Schedule();
  void Flush();
  void StatusChanged();

  FrmMain& form_;
  Sink preview_out_;
  Sink status_out_;
  bool pending_ = false;
  std::string last_block_;
  std::string last_status_;
};

}  // namespace vfd::ui

#pragma once

#include <functional>
#include <string>

#include <QElapsedTimer>
#include <QObject>

#include "shell/FrmMain.h"
#include "ui/Binders.h"

namespace vfd::ui {

// The preview as text, for running without a screen. Each change of the preview becomes one
// block: every visible row between '|' characters (so that trailing blanks show), then an empty
// line. A block equal to the last one is not repeated, and at most kMaxBlocksPerSecond are
// printed: a fast function (The Matrix draws 40 frames a second) would otherwise write hundreds
// of megabytes a day into a terminal or journal. The block printed is always the latest picture.
class HeadlessPreview : public QObject {
 public:
  static constexpr int kMaxBlocksPerSecond = 10;
  using Sink = std::function<void(const std::string&)>;
  // Prints to stdout, flushing each time.
  // The preview's codes are drawn as `charset` shows them.
  HeadlessPreview(FrmMain& form, PreviewCharset charset);
  HeadlessPreview(FrmMain& form, PreviewCharset charset, Sink preview_out);

  // The block the preview shows now.
  std::string Block() const;

 private:
  void Schedule();
  void Flush();

  FrmMain& form_;
  PreviewCharset charset_;
  Sink preview_out_;
  bool pending_ = false;
  std::string last_block_;
  QElapsedTimer since_print_;
};

}  // namespace vfd::ui

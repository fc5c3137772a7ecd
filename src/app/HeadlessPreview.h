#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/EventLoop.h"
#include "core/Timer.h"
#include "display/CharacterSet.h"
#include "shell/FrmMain.h"

namespace vfd::app {

// The preview as text, for running without a screen. Each change of the preview becomes one
// block: every visible row between '|' characters (so that trailing blanks show), then an empty
// line. A block equal to the last one is not repeated, and at most kMaxBlocksPerSecond are
// printed: a fast function (The Matrix draws 40 frames a second) would otherwise write hundreds
// of megabytes a day into a terminal or journal. The block printed is always the latest picture.
class HeadlessPreview {
 public:
  static constexpr int kMaxBlocksPerSecond = 10;
  using Sink = std::function<void(const std::string&)>;
  // The preview's codes are drawn as the set this gives shows them (the active model's).
  using Charset = std::function<const CharacterSet&()>;
  // Prints to stdout, flushing each time.
  HeadlessPreview(FrmMain& form, Charset charset, EventLoop& loop, MonotonicClock& clock);
  HeadlessPreview(FrmMain& form, Charset charset, EventLoop& loop, MonotonicClock& clock,
                  Sink preview_out);
  ~HeadlessPreview();
  HeadlessPreview(const HeadlessPreview&) = delete;
  HeadlessPreview& operator=(const HeadlessPreview&) = delete;

  // The block the preview shows now.
  std::string Block() const;

 private:
  void Schedule();
  void Flush();

  FrmMain& form_;
  Charset charset_;
  EventLoop& loop_;
  MonotonicClock& clock_;
  Sink preview_out_;
  // The rest of the gap after a block; exact, since it measures a wait.
  Timer gap_{"tmrPreviewGap", 1};
  bool pending_ = false;
  std::string last_block_;
  int64_t printed_at_us_ = -1;
  // Held weakly by the labels' subscriptions and by posted flushes, which may outlive this.
  std::shared_ptr<HeadlessPreview*> self_;
};

}  // namespace vfd::app

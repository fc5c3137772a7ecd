#include "support/FrameWatch.h"

#include <utility>

namespace vfd::testing {

FrameWatch::FrameWatch(FakeSerialDevice& line, const VirtualEventLoop& clock, std::string header,
                       size_t body)
    : line_(line), clock_(clock), header_(std::move(header)), body_(body), before_(line.on_bytes) {
  line_.on_bytes = [this](std::string_view bytes) {
    if (before_) before_(bytes);
    Scan(bytes);
  };
}

FrameWatch::~FrameWatch() {
  // The line outlives the watch: a program that closes its port later still feeds the emulator.
  line_.on_bytes = std::move(before_);
}

int FrameWatch::DistinctSince(int64_t from_ms) const {
  int n = 0;
  for (size_t i = 0; i < arrivals_.size(); ++i) {
    if (arrivals_[i].at_ms < from_ms) continue;
    if (i > 0 && arrivals_[i].body == arrivals_[i - 1].body) continue;
    ++n;
  }
  return n;
}

void FrameWatch::Scan(std::string_view bytes) {
  for (char c : bytes) {
    if (in_body_) {
      current_.push_back(c);
      if (current_.size() == body_) {
        arrivals_.push_back({clock_.NowMs(), std::move(current_)});
        current_.clear();
        in_body_ = false;
      }
      continue;
    }
    window_.push_back(c);
    if (window_.size() > header_.size()) window_.erase(0, 1);
    if (window_ == header_) {
      window_.clear();
      in_body_ = true;
    }
  }
}

}  // namespace vfd::testing

#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/Fakes.h"
#include "support/VirtualEventLoop.h"

namespace vfd::testing {

// Watches the whole text frames that go out on a fake serial line, after whatever already sees
// the line's bytes (usually an emulator, so the glass shows a frame by the time it is counted).
// A frame is `header` followed by `body` bytes; it counts once its last byte is out, however the
// writes split it.
class FrameWatch {
 public:
  FrameWatch(FakeSerialDevice& line, const VirtualEventLoop& clock, std::string header,
             size_t body);
  ~FrameWatch();
  FrameWatch(const FrameWatch&) = delete;
  FrameWatch& operator=(const FrameWatch&) = delete;

  struct Arrival {
    int64_t at_ms;
    std::string body;
  };
  const std::vector<Arrival>& arrivals() const { return arrivals_; }
  // Frames whose last byte went out at `from_ms` or later, not counting one that repeats the
  // frame before it.
  int DistinctSince(int64_t from_ms) const;
  // The body of the latest whole frame; empty before the first.
  std::string Latest() const { return arrivals_.empty() ? std::string() : arrivals_.back().body; }

 private:
  void Scan(std::string_view bytes);

  FakeSerialDevice& line_;
  const VirtualEventLoop& clock_;
  std::string header_;
  size_t body_;
  std::function<void(std::string_view)> before_;
  std::string window_;  // the last bytes outside a frame, as long as the header at most
  bool in_body_ = false;
  std::string current_;
  std::vector<Arrival> arrivals_;
};

}  // namespace vfd::testing

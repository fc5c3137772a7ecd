#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace vfd {

// A minimal multicast notification. Views subscribe to model changes through it; the core never
// depends on who listens.
template <typename... Args>
class Signal {
 public:
  using Slot = std::function<void(Args...)>;

  void Connect(Slot slot) { slots_.push_back(std::move(slot)); }

  void Emit(Args... args) const {
    // Index loop: a slot may connect further slots while we run.
    for (size_t i = 0; i < slots_.size(); ++i)
      slots_[i](args...);
  }

  bool Empty() const { return slots_.empty(); }

 private:
  std::vector<Slot> slots_;
};

}  // namespace vfd

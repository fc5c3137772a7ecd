#pragma once

// Takes a fuzz input apart into the values a target needs. Every read succeeds: once the bytes
// run out, numbers are 0 and texts empty, so that any input, however short, is a valid case.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace vfd::fuzz {

// Ends the run when a promise of the code under test is broken, saying which: the fuzzer keeps
// the input that broke it.
inline void Require(bool kept, const char* promise) {
  if (kept) return;
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  bool Empty() const { return rest_.empty(); }
  size_t Remaining() const { return rest_.size(); }

  uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }

  // The next sizeof(T) bytes as they lie, so that every bit pattern (NaN, infinities, the ends
  // of the range) is reachable.
  template <typename T>
  T Raw() {
    static_assert(std::is_trivially_copyable_v<T>);
    char bytes[sizeof(T)] = {};
    const size_t n = std::min(sizeof(T), rest_.size());
    std::memcpy(bytes, rest_.data(), n);
    rest_.remove_prefix(n);
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
  }

  // A text of at most `max` bytes: a length byte, then the bytes.
  std::string Text(size_t max = 255) {
    const size_t n = std::min<size_t>({Byte(), max, rest_.size()});
    std::string text(rest_.substr(0, n));
    rest_.remove_prefix(n);
    return text;
  }

  // The text up to the next line feed (dropped), or all that is left.
  std::string_view Line() {
    const size_t end = rest_.find('\n');
    const std::string_view line = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return line;
  }

  std::string_view Rest() {
    const std::string_view rest = rest_;
    rest_ = {};
    return rest;
  }

 private:
  std::string_view rest_;
};

}  // namespace vfd::fuzz

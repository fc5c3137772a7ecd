#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace vfd {

// Lets bytes through no faster than a serial line of a given speed carries them (ten bit times a
// byte: start, eight data bits, stop). Whatever is not taken stays in the pseudo-terminal's
// buffer, so a writer that outpaces the line blocks as it would on real hardware. Time is passed
// in, in microseconds of a monotonic clock.
class LinePacer {
 public:
  // `baud` 0 lets everything through at once.
  LinePacer(int baud, int64_t now_us)
      : bytes_per_second_(baud / 10.0),
        chunk_(std::max(1.0, bytes_per_second_ / kWakeupsPerSecond)),
        credit_(chunk_),
        last_us_(now_us) {}

  bool Paced() const { return bytes_per_second_ > 0; }

  // Bytes that may be taken now. Zero until a chunk's worth has accrued, which keeps the reader
  // from waking for every single byte at high speeds.
  size_t Allowance(int64_t now_us) {
    if (!Paced()) return kUnlimited;
    Refill(now_us);
    return credit_ >= chunk_ ? static_cast<size_t>(credit_) : 0;
  }

  void Take(size_t bytes) {
    if (Paced()) credit_ = std::max(0.0, credit_ - static_cast<double>(bytes));
  }

  // Microseconds until Allowance() turns non-zero; 0 when it already is.
  int64_t WaitMicros(int64_t now_us) {
    if (!Paced()) return 0;
    Refill(now_us);
    if (credit_ >= chunk_) return 0;
    return static_cast<int64_t>((chunk_ - credit_) * 1e6 / bytes_per_second_) + 1;
  }

 private:
  static constexpr double kWakeupsPerSecond = 100;
  static constexpr size_t kUnlimited = static_cast<size_t>(-1);

  // An idle line cannot bank time: after a pause the next bytes still come at line speed, with
  // at most two chunks let through at once.
  void Refill(int64_t now_us) {
    if (now_us > last_us_) {
      credit_ = std::min(
          2 * chunk_, credit_ + static_cast<double>(now_us - last_us_) * bytes_per_second_ / 1e6);
    }
    last_us_ = std::max(last_us_, now_us);
  }

  double bytes_per_second_;
  double chunk_;
  double credit_;
  int64_t last_us_;
};

}  // namespace vfd

#include "support/Fakes.h"

#include <algorithm>
#include <cstdio>

namespace vfd::testing {

SerialOpenResult FakeSerialDevice::Open(const std::string& device_path, int device_baud) {
  SerialOpenResult result;
  if (in_use.count(device_path)) {
    result.status = SerialOpenResult::Status::kInUse;
    result.reason = "Device or resource busy";
    return result;
  }
  if (missing.count(device_path)) {
    result.status = SerialOpenResult::Status::kFailed;
    result.reason = "No such file or directory";
    return result;
  }
  if (denied.count(device_path)) {
    result.status = SerialOpenResult::Status::kFailed;
    result.reason = "Permission denied";
    result.permission_denied = true;
    return result;
  }
  open_ = true;
  path = device_path;
  baud = device_baud;
  ++opens;
  opened_paths.push_back(device_path);
  line_free_at_us_ = loop_.NowMicros();
  return result;
}

size_t FakeSerialDevice::Room() {
  if (!open_) return 0;
  if (!throttle) return 1 << 20;
  int64_t now = loop_.NowMicros();
  int64_t in_flight_us = std::max<int64_t>(0, line_free_at_us_ - now);
  int64_t per_byte_us = 10'000'000 / baud;
  auto in_flight = static_cast<size_t>((in_flight_us + per_byte_us - 1) / per_byte_us);
  return in_flight >= line_buffer ? 0 : line_buffer - in_flight;
}

void FakeSerialDevice::Take(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  written.append(bytes);
  if (throttle) {
    int64_t per_byte_us = 10'000'000 / baud;
    line_free_at_us_ =
        std::max(line_free_at_us_, loop_.NowMicros()) + per_byte_us * static_cast<int64_t>(size);
  }
  if (on_bytes) on_bytes(bytes);
}

long FakeSerialDevice::Write(const uint8_t* data, size_t size) {
  if (!open_) return -1;
  if (fail_next_write) {
    fail_next_write = false;
    error_ = "Input/output error";
    return -1;
  }
  ++writes;
  if (stuck) return 0;
  size = std::min(size, Room());
  Take(data, size);
  return static_cast<long>(size);
}

bool FakeSerialDevice::WriteAllAndDrain(const uint8_t* data, size_t size, int timeout_ms) {
  last_drain_timeout_ms = timeout_ms;
  if (!open_) return false;
  Take(data, size);
  return true;
}

void FakeSerialDevice::Close() {
  if (!open_) return;
  open_ = false;
  ++closes;
}

bool FakeParallelPort::Select(uint16_t base, std::string* why) {
  if (unreachable.count(base)) {
    if (why) *why = "no parallel port at this address";
    selected_ = 0;
    return false;
  }
  selected_ = base;
  return true;
}

void FakeParallelPort::Out(uint16_t address, uint8_t value) {
  // An unreachable port takes nothing, as the real one does.
  if (!selected_) return;
  loop_.Advance(1);
  accesses.push_back({true, address, value});
  if (emulator && selected_ && address >= selected_ && address <= selected_ + 2)
    emulator->WriteRegister(address - selected_, value);
}

uint8_t FakeParallelPort::In(uint16_t address) {
  if (!selected_) return 0xFF;
  loop_.Advance(1);
  uint8_t value = 0xFF;
  if (!status_script.empty()) {
    value = status_script.front();
    status_script.pop_front();
  } else if (status_source) {
    value = status_source();
  } else if (emulator && selected_ && address == selected_ + 1) {
    value = emulator->ReadStatus();
  }
  accesses.push_back({false, address, value});
  return value;
}

std::vector<std::pair<uint16_t, uint8_t>> FakeParallelPort::Writes() const {
  std::vector<std::pair<uint16_t, uint8_t>> out;
  for (const Access& a : accesses)
    if (a.write) out.emplace_back(a.address, a.value);
  return out;
}

size_t FakeParallelPort::Reads() const {
  return static_cast<size_t>(
      std::count_if(accesses.begin(), accesses.end(), [](const Access& a) { return !a.write; }));
}

std::string FakeParallelPort::Strobed() const {
  std::string out;
  const std::vector<std::pair<uint16_t, uint8_t>> writes = Writes();
  for (size_t i = 0; i + 1 < writes.size(); ++i) {
    if (writes[i].first == selected_ && writes[i + 1].first == selected_ + 2 &&
        writes[i + 1].second == 0x01)
      out.push_back(static_cast<char>(writes[i].second));
  }
  return HexOf(out);
}

void ScriptedRandom::ScriptNoise(size_t n) {
  uint64_t state = 0x9E3779B97F4A7C15ULL;
  for (size_t i = 0; i < n; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    script.push_back(static_cast<double>(state >> 11) * 0x1.0p-53);
  }
}

std::string HexOf(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (char c : bytes) {
    if (!out.empty()) out.push_back(' ');
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(static_cast<uint8_t>(c)));
    out += buf;
  }
  return out;
}

}  // namespace vfd::testing

#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace vfd {

// A byte string from byte values; display commands contain zero bytes, which string literals
// cannot carry safely.
inline std::string Bytes(std::initializer_list<uint8_t> values) {
  std::string out;
  out.reserve(values.size());
  for (uint8_t v : values)
    out.push_back(static_cast<char>(v));
  return out;
}

}  // namespace vfd

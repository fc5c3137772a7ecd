#pragma once

#include <string.h>

#include <string>

namespace vfd {
namespace system_error_detail {

// strerror_r comes in two flavours (XSI returns int, GNU returns the text); both are handled so
// the choice of feature macros does not matter.
inline const char* Text(int rc, const char* buf) {
  return rc == 0 ? buf : "unknown error";
}
inline const char* Text(const char* text, const char*) {
  return text;
}

}  // namespace system_error_detail

// The system's words for an errno value. Unlike strerror, safe when other threads report errors
// at the same time.
inline std::string SystemErrorText(int err) {
  char buf[256] = {};
  return system_error_detail::Text(strerror_r(err, buf, sizeof buf), buf);
}

}  // namespace vfd

#pragma once

#include <string>

#include "core/Http.h"
#include "core/Timer.h"
#include "display/DisplayLink.h"

namespace vfd {

// Tells in the status line why a source's transfers fail, as "<source>: <why>": once, and
// again only when the reason changes. A refresh failing the same way every half minute would
// otherwise write the same line into the journal all day. A success forgets the failure (and
// takes its message off the line), so the next failure is told again.
class FetchFailures {
 public:
  // With an `owner`, the message is that function's: told only while it runs, gone when it
  // stops. Without one it stays until something else is shown.
  FetchFailures(DisplayLink& display, std::string source, const Timer* owner = nullptr)
      : display_(display), source_(std::move(source)), owner_(owner) {}

  void Failed(const HttpResult& result);
  void Succeeded();
  // Either of the two, as the result says.
  void Take(const HttpResult& result) { result.ok ? Succeeded() : Failed(result); }

  // The text told for `result`.
  std::string TextOf(const HttpResult& result) const;

 private:
  bool Showing() const;

  DisplayLink& display_;
  std::string source_;
  const Timer* owner_;
  std::string told_;
};

}  // namespace vfd

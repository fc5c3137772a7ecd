#include "sources/FetchFailures.h"

#include "core/Charset.h"

namespace vfd {

std::string FetchFailures::TextOf(const HttpResult& result) const {
  std::string why = result.error.empty() ? "the transfer failed" : result.error;
  return source_ + ": " + why;
}

bool FetchFailures::Showing() const {
  return !told_.empty() && display_.StatusOwner() == owner_ &&
         display_.panel().lblStatus.Caption() == told_;
}

void FetchFailures::Failed(const HttpResult& result) {
  // A function that stopped has nobody to tell; its next run tells it.
  if (owner_ != nullptr && !owner_->Enabled()) return;
  // As the line will show it, so that the same failure compares equal.
  const std::string text = OneLine(TextOf(result));
  // A message that left the line (its function stopped and ran again, another message came)
  // is news to the user again.
  if (text == told_ && Showing()) return;
  told_ = text;
  if (owner_ != nullptr)
    display_.ReportStatus(text, *owner_);
  else
    display_.ReportStatus(text);
}

void FetchFailures::Succeeded() {
  if (Showing()) display_.ReportStatus("");
  told_.clear();
}

}  // namespace vfd

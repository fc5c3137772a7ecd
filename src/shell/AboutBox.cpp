#include "shell/AboutBox.h"

#include "core/Version.h"

namespace vfd {

void AboutBox::Show() {
  if (fetching_) return;
  if (update_url.empty()) {
    Finish("");
    return;
  }
  fetching_ = true;
  http_.Get(update_url, [this, alive = std::weak_ptr<bool>(alive_)](HttpResult result) {
    if (alive.expired()) return;
    fetching_ = false;
    Finish(result.ok ? VersionOf(result.body) : "");
  });
}

void AboutBox::Finish(const std::string& online) {
  display_.ShowSplash();
  boxes_.ShowMessage(Text(online), kTitle);
}

std::string AboutBox::VersionOf(const std::string& body) {
  std::string text = body;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  if (text.size() > 16) return "";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return "";
  }
  return text;
}

std::string AboutBox::Text(const std::string& online) {
  return std::string(
             "New releases of VFD Vorlinx are published with their source code on the "
             "program's home page.\n"
             "Questions, ideas and reports of displays that misbehave are welcome there too; "
             "the author reads every one.\n"
             "Thanks to everyone who lent a display, logged its bytes or tried a test build.\n"
             "Credits:\n"
             "\tNow playing: the MPRIS interface that desktop media players publish.\n"
             "\tHardware monitor: lm-sensors (libsensors) and the kernel's own readings.\n"
             "\tParallel port: the Linux kernel's ppdev driver.\n"
             "VFD Vorlinx by Tam_Orvo\n"
             "\tOnline Version:\t") +
         online + "\n\tYour Version:\t" + kProgramVersion;
}

}  // namespace vfd

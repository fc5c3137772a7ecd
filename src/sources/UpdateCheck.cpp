#include "sources/UpdateCheck.h"

namespace vfd {

void UpdateCheck::CheckForUpdate(std::string_view own_version) {
  if (cmdUpdate_.Caption() != kUpdateCheckEnabled) return;
  if (url.empty()) return;
  http_.Get(url, [this, own = std::string(own_version)](HttpResult result) {
    // A failure ends the check with a word in the status line; an answer of another length (an
    // error page, a version followed by a line break) is no version.
    if (!result.ok) {
      if (report_failure) report_failure("Update check: " + result.error);
      return;
    }
    const std::string& online = result.body;
    if (online.size() != 4 || online == own) return;
    boxes_.ShowMessage(Message(online, own), kOldVersionTitle);
  });
}

void UpdateCheck::FetchOnlineVersion(std::function<void(std::string)> on_done) {
  if (url.empty()) {
    on_done("");
    return;
  }
  http_.Get(url, [on_done = std::move(on_done)](HttpResult result) {
    on_done(result.ok ? result.body : std::string());
  });
}

std::string UpdateCheck::DownloadPage() const {
  const size_t scheme = url.find("://");
  const size_t slash = url.rfind('/');
  if (scheme == std::string::npos || slash == std::string::npos || slash < scheme + 3) return url;
  return url.substr(0, slash + 1);
}

std::string UpdateCheck::Message(std::string_view online, std::string_view own_version) const {
  const std::string crlf = "\r\n";
  std::string m =
      "An updated version of VFD Vorlinx is now available. To download it please visit:" + crlf +
      crlf + "\t" + DownloadPage() + crlf + "\tOnline Version:\t" + std::string(online) + crlf +
      "\tYour Version:\t" + std::string(own_version) + crlf + crlf +
      "If you do not wish to recieve update notifications in the future please see the button "
      "at the bottom of the main window." +
      crlf + crlf +
      "As always if you have ANY problems, questions, comments, bug reports, suggestions, "
      "emotional instabilities, identity crisies, control issues, or just need someone to talk "
      "to and tell you everything is ok then don't hesitate to e-mail me at:" +
      crlf + crlf + "\tTam_Orvo, at the address on the download page";
  return m;
}

}  // namespace vfd

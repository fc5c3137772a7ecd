#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/Controls.h"
#include "core/Http.h"
#include "core/UserDialogs.h"

namespace vfd {

inline constexpr const char* kUpdateCheckEnabled = "Auto Update Check is Currently: ENABLED";
inline constexpr const char* kUpdateCheckDisabled = "Auto Update Check is Currently: DISABLED";
inline constexpr const char* kOldVersionTitle =
    "Ahhhhhhhh, You're using an old version of VFD Vorlinx!!!";

// Once at start: the published version is asked for, and a box tells the user where to get it
// when it differs from the program's own. Start-up never waits for it: the box comes when the
// reply does.
class UpdateCheck {
 public:
  UpdateCheck(Button& cmdUpdate, HttpClient& http, MessageBoxes& boxes)
      : cmdUpdate_(cmdUpdate), http_(http), boxes_(boxes) {}

  // The version file's address; without one nothing is ever asked for.
  std::string url;
  // Where a failed check is told (the status line); the check runs once, so once is all.
  std::function<void(const std::string&)> report_failure;

  void CheckForUpdate(std::string_view own_version);
  // The published version for the about box: the file's whole text, or empty when it could not
  // be read (or no file is configured).
  void FetchOnlineVersion(std::function<void(std::string)> on_done);

  // The box's text for a published version `online`.
  std::string Message(std::string_view online, std::string_view own_version) const;
  // Where new versions are published: the directory of the version file.
  std::string DownloadPage() const;

 private:
  Button& cmdUpdate_;
  HttpClient& http_;
  MessageBoxes& boxes_;
};

}  // namespace vfd

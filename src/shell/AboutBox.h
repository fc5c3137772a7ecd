#pragma once

#include <memory>
#include <string>

#include "core/Http.h"
#include "core/UserDialogs.h"
#include "display/DisplayLink.h"

namespace vfd {

// The about box: the display shows its splash, and a message box tells about the program and
// compares its version with the one published online.
class AboutBox {
 public:
  AboutBox(DisplayLink& display, HttpClient& http, MessageBoxes& boxes)
      : display_(display), http_(http), boxes_(boxes) {}
  ~AboutBox() { *alive_ = false; }
  AboutBox(const AboutBox&) = delete;
  AboutBox& operator=(const AboutBox&) = delete;

  static constexpr const char* kTitle = "Everything you never wanted to know about VFD Vorlinx";

  // Where the current version's text is published; empty: not asked, the online version stays
  // empty.
  std::string update_url;

  // cmdInfo's click. With an address, the box waits for the version's fetch (which the HTTP
  // client bounds in time); a click while it waits is not queued up as a second box.
  void Show();
  bool Fetching() const { return fetching_; }

  // The box's text for the online version `online`.
  static std::string Text(const std::string& online);
  // The version text of the version file's body; empty for anything that is not a short line of
  // printable characters (an error page, say).
  static std::string VersionOf(const std::string& body);

 private:
  void Finish(const std::string& online);

  DisplayLink& display_;
  HttpClient& http_;
  MessageBoxes& boxes_;
  bool fetching_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vfd

#include "app/StatusLog.h"

#include <time.h>

#include <cstdio>

namespace vfd::app {

struct StatusLog::State {
  Label& status;
  std::function<std::string()> stamp;
  Sink out;
  std::string last;

  void Changed() {
    const std::string& text = status.Caption();
    if (text == last) return;
    last = text;
    // A cleared status line says nothing new.
    if (!text.empty()) out(stamp() + " status: " + text + "\n");
  }
};

namespace {

std::string LocalTimeStamp() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  char text[32];
  const size_t length = strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return std::string(text, length);
}

}  // namespace

StatusLog::StatusLog(Label& status)
    : StatusLog(status, LocalTimeStamp, [](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
      }) {}

StatusLog::StatusLog(Label& status, std::function<std::string()> stamp, Sink out)
    : state_(std::make_shared<State>(State{status, std::move(stamp), std::move(out), {}})) {
  std::weak_ptr<State> weak = state_;
  status.changed.Connect([weak] {
    if (auto state = weak.lock()) state->Changed();
  });
  state_->Changed();
}

}  // namespace vfd::app

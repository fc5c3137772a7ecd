#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/DisplayFunction.h"
#include "core/EventLoop.h"
#include "core/LineServer.h"
#include "display/DisplayLink.h"
#include "effects/ProgressBars.h"
#include "sources/LcdprocScreens.h"

namespace vfd {

// The display function "LCDproc Clients": the program as an LCDd-compatible server. Clients'
// info and background screens show in turn while it runs; foreground, alert and input screens
// take the glass over whatever function runs (through `take_glass` and `give_back_glass`),
// as long as they exist.
class LcdprocClients {
 public:
  struct Controls {
    Button& cmdLcdproc;
    Timer& Timer19;
  };

  static constexpr int16_t kCode = 19;
  // LCDd renders eight times a second; the clients' durations and speeds count these strokes.
  static constexpr int kStrokeMs = 125;
  static constexpr const char* kDefaultAddress = "127.0.0.1:13666";

  LcdprocClients(Controls controls, DisplayLink& display, ProgressBars& bars, LineServer& server);
  ~LcdprocClients();
  LcdprocClients(const LcdprocClients&) = delete;
  LcdprocClients& operator=(const LcdprocClients&) = delete;

  FunctionRegistration Registration();
  // The timer of the strokes while clients' screens hold the glass over another function.
  Timer& TakeoverTimer() { return tmrLcdproc_; }

  // Listens on `address` ("host:port"), or nowhere for "off"; a port that is taken is told in
  // the status line and the program goes on without the server.
  void Listen(const std::string& address);
  void StopListening();
  bool Listening() const { return listening_; }
  const std::string& Address() const { return address_; }

  // A screen's time on the glass when its client names none, in strokes (LCDd's WaitTime of 5 s).
  int default_duration = 40;

  // Pause the running function (and rotation) while clients' screens hold the glass, and go on
  // with it afterwards.
  std::function<void()> take_glass;
  std::function<void()> give_back_glass;
  // While the display sleeps nothing is drawn.
  std::function<bool()> asleep;

  lcdproc::Sessions& sessions() { return sessions_; }
  bool HoldsGlass() const { return taken_; }
  // Whether any client has a screen the function would show.
  bool HasScreens() const;
  // The screen on the glass now, or nullptr.
  const lcdproc::Screen* ShownScreen();
  // One stroke of the function.
  void Tick();

  // A screen drawn into the active geometry as the display's codes, one text per row, at
  // stroke `stroke` (scrollers and frames move with it).
  std::vector<std::string> Render(const lcdproc::Screen& screen, uint64_t stroke);

 private:
  struct Pick {
    int client = 0;
    uint64_t key = 0;
  };
  void Stroke(bool function_running);
  // The screen to show now; moves the rotation on when the shown one's turn is over.
  Pick Choose(bool function_running);
  lcdproc::Screen* Find(const Pick& pick);
  void Show(const Pick& pick);
  void CheckTakeover();
  void Write(const std::vector<std::string>& rows);
  std::vector<std::string> WaitingRows() const;
  void DrawWidgets(std::vector<std::string>& grid, const lcdproc::Screen& screen,
                   const std::string& frame, uint64_t stroke, int depth);

  Controls c_;
  DisplayLink& display_;
  ProgressBars& bars_;
  LineServer& server_;
  lcdproc::Sessions sessions_;
  Timer tmrLcdproc_{"tmrLcdproc", kStrokeMs};
  std::string address_ = kDefaultAddress;
  bool listening_ = false;
  bool taken_ = false;
  Pick shown_{};
  int turn_left_ = 0;
  uint64_t stroke_ = 0;
  std::vector<std::string> last_frame_;
};

}  // namespace vfd

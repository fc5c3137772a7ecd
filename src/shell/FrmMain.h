#pragma once

#include <array>

#include "core/Controls.h"
#include "core/Form.h"
#include "core/Timer.h"

namespace vfd {

// The main window's model: every control and timer, with its design-time caption and state.
// The window is the program; its timers are the program's main loop.
class FrmMain : public Form {
 public:
  FrmMain();

  // Window state as stored at exit: 0 normal, 1 minimized, 2 maximized.
  int WindowState() const { return window_state_; }
  void SetWindowState(int state);

  // Display functions.
  Button cmdTicker{"cmdTicker", "Ticker"};
  Button cmdMatrix{"cmdMatrix", "The Matrix"};
  Button cmdClock{"cmdClock", "Clock"};
  Button cmdWinamp{"cmdWinamp", "Winamp"};
  Button cmdMBM{"cmdMBM", "MB Monitor"};
  Button cmdVertScroll{"cmdVertScroll", "Vertical Scroll"};
  Button cmdTides{"cmdTides", "Tides"};
  Button cmdHardNews{"cmdHardNews", "[H]ard|News"};
  Button cmdShacknews{"cmdShacknews", "Shacknews"};
  Button cmdCount{"cmdCount", "Countdown"};
  Button cmdCodeCrack{"cmdCodeCrack", "Code Cracker"};
  Button cmdWeather{"cmdWeather", "Weather"};
  Button cmdLcdproc{"cmdLcdproc", "LCDproc Clients"};

  // Scheduling.
  Button cmdRotate{"cmdRotate", "Rotation"};
  Button cmdSetRotate{"cmdSetRotate", "Configure Rotation"};
  Button cmdSleepTimer{"cmdSleepTimer", "AutoTimer Off"};
  Button cmdSleepTimerConfig{"cmdSleepTimerConfig", "Config"};

  // Toggles and options.
  Button cmdMatrixDirection{"cmdMatrixDirection", "Across"};
  Button cmdClockMode{"cmdClockMode", "Default"};
  Button cmdCrackStart{"cmdCrackStart", "Crack Code on Load"};
  Button cmdAutoSleep{"cmdAutoSleep", "Sleep on Exit"};
  Button cmdUpdate{"cmdUpdate", "Auto Update Check is Currently: ENABLED"};
  Button cmdSleep{"cmdSleep", "Sleep"};

  // Effects.
  Button cmdGlow{"cmdGlow", "Glow"};
  Button cmdRandomBrightness{"cmdRandomBrightness", "Liquify"};
  Button cmdKnightrider{"cmdKnightrider", "Knightrider"};

  // Settings dialogs.
  Button cmdCountConfig{"cmdCountConfig", "Config"};
  Button cmdWinampConfig{"cmdWinampConfig", "Config"};
  Button cmdMBMConfig{"cmdMBMConfig", "Config"};
  Button cmdWeatherConfig{"cmdWeatherConfig", "Config"};
  Button cmdTideConfig{"cmdTideConfig", "Config"};
  Button cmdHardNewsConfig{"cmdHardNewsConfig", "Config"};
  Button cmdShacknewsConfig{"cmdShacknewsConfig", "Config"};

  // Device.
  Button cmdModel{"cmdModel", "Select Model"};
  Button cmdBrightness{"cmdBrightness", "Brightness Level 0"};
  Button cmdClearMemory{"cmdClearMemory", "Clear Display Memory"};
  Button cmdSelfTest{"cmdSelfTest", "Activate Self-Test"};
  ListBox lstComport{"lstComport", {"COM1", "COM2", "COM3", "COM4"}};
  ListBox lstSpeed{"lstSpeed", {" 9600", "19200"}};
  ListBox lstPPort{"lstPPort", {"&H378", "&H3BC", "&H278", "&H2BC"}};

  // The message and the message file.
  TextBox txtMessage{"txtMessage", "QX Depot VFD Vorlinx    Verson 1.1a"};
  TextBox txtFile{"txtFile", ""};
  Button cmdCustomMode{"cmdCustomMode", "Use File"};
  Button cmdCustomTextFile{"cmdCustomTextFile", "Load File"};

  // Preview of the display.
  Label Line1{"Line1", "LINE 1"};
  Label Line2{"Line2", "LINE 2"};
  Shape DivLine{"DivLine"};

  // About box and decoration.
  Button cmdInfo{"cmdInfo", "About VFD Vorlinx (Click at your own risk)"};
  Label lblInfo{"lblInfo",
                "VFD Vorlinx keeps a vacuum fluorescent display busy with one function at a "
                "time. Written by Tam_Orvo."};
  Shape shpMask{"shpMask"};
  Shape Shape1{"Shape1"};
  Shape Shape3{"Shape3"};

  // Problems that need no dialog: a port that would not open, a display that does not answer.
  Label lblStatus{"lblStatus", ""};

  // Timers, all disabled at start.
  Timer Timer1{"Timer1", 50};       // Ticker
  Timer Timer2{"Timer2", 25};       // The Matrix
  Timer Timer3{"Timer3", 500};      // Clock
  Timer Timer4{"Timer4", 333};      // Winamp
  Timer Timer5{"Timer5", 100};      // Liquify
  Timer Timer6{"Timer6", 1000};     // Motherboard Monitor
  Timer Timer7{"Timer7", 100};      // rotation
  Timer Timer8{"Timer8", 50};       // Knightrider, sweep right
  Timer Timer9{"Timer9", 50};       // Knightrider, sweep left
  Timer Timer10{"Timer10", 1500};   // Vertical Scroll
  Timer Timer11{"Timer11", 50};     // Glow
  Timer Timer12{"Timer12", 1000};   // Tides
  Timer Timer13{"Timer13", 333};    // [H]ard|News
  Timer Timer14{"Timer14", 333};    // Shacknews
  Timer Timer15{"Timer15", 2000};   // Countdown
  Timer Timer16{"Timer16", 1};      // Code Cracker
  Timer Timer17{"Timer17", 1000};   // Weather
  Timer Timer18{"Timer18", 30000};  // AutoTimer
  Timer Timer19{"Timer19", 125};    // LCDproc Clients
  Timer tmrWeather{"tmrWeather", 30000};
  Timer tmrTide{"tmrTide", 30000};
  Timer tmrHN{"tmrHN", 30000};
  Timer tmrSN{"tmrSN", 30000};

  // The timers that drive display functions, in ascending timer number.
  std::array<Timer*, 13> FunctionTimers();
  // Every timer of the window.
  std::array<Timer*, 23> AllTimers();

 private:
  int window_state_ = 0;
};

}  // namespace vfd

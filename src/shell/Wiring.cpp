// Every handler of the main window's controls that no registration sets, in one place, so that
// each handler has exactly one writer. The display functions' own buttons, timers and dialog
// buttons get theirs when the functions register.
#include "shell/Program.h"

namespace vfd {

void Program::WireHandlers() {
  FrmMain& m = main_;

  // Scheduling and sleep.
  m.cmdRotate.on_click = [this] { modes_.RotateClick(); };
  modes_.rotation_step = [this] { rotation_.Step(); };
  m.Timer7.on_tick = [this] {
    if (modes_.rotation_step) modes_.rotation_step();
  };
  m.cmdSleepTimer.on_click = [this] { modes_.AutoTimerClick(); };
  m.Timer18.on_tick = [this] { auto_timer_.Tick(); };
  m.cmdSleep.on_click = [this] { modes_.ToggleSleep(); };

  // The tray icon and the about box. Minimizing hides the window into the tray, where the desktop
  // has one; without one the window stays an ordinary minimized window with its way back.
  m.changed.Connect([this] {
    if (main_.WindowState() == 1 && tray_.available && !tray_.WindowHidden()) tray_.MinToSysTray();
    // A minimized window's caption is the icon's tip; back on screen it is the program's again.
    if (main_.WindowState() != 1 && !tray_.ToolTip().empty() && main_.Caption() == tray_.ToolTip())
      main_.SetCaption(std::string("VFD Vorlinx Version ") + kProgramVersion);
  });
  tray_.RButtonUp.Connect([this] { modes_.ToggleSleep(); });
  tray_.mnuWindow.on_click = [this] {
    if (tray_.WindowHidden())
      tray_.RestoreSourceWindow();
    else
      main_.SetWindowState(1);
  };
  tray_.mnuSleep.on_click = [this] { modes_.ToggleSleep(); };
  // The menu's "Exit" is the right double-click that desktops no longer deliver.
  tray_.mnuExit.on_click = [this] { tray_.MouseMessage(clsSysTray::kRButtonDblClk); };
  m.cmdInfo.on_click = [this] { about_.Show(); };

  // Options whose state is their caption.
  struct Toggle {
    Button& button;
    const char* when;
    const char* then_caption;
    const char* else_caption;
    bool apply_brightness;
  };
  for (const Toggle& t : {
           Toggle{m.cmdMatrixDirection, "Across", "Down", "Across", true},
           Toggle{m.cmdClockMode, "Default", "Custom", "Default", true},
           Toggle{m.cmdCrackStart, "Crack Code on Load", "Standard Load", "Crack Code on Load",
                  true},
           Toggle{m.cmdAutoSleep, "Sleep on Exit", "Leave Awake on Exit", "Sleep on Exit", false},
           Toggle{m.cmdUpdate, "Auto Update Check is Currently: ENABLED",
                  "Auto Update Check is Currently: DISABLED",
                  "Auto Update Check is Currently: ENABLED", false},
       }) {
    t.button.on_click = [this, t] {
      t.button.SetCaption(t.button.Caption() == t.when ? t.then_caption : t.else_caption);
      if (t.apply_brightness) display_.ApplyBrightness();
    };
  }

  // The brightness effects.
  m.cmdGlow.on_click = [this] { effects_.GlowClick(); };
  m.cmdRandomBrightness.on_click = [this] { effects_.LiquifyClick(); };
  m.cmdKnightrider.on_click = [this] { effects_.KnightriderClick(); };
  m.Timer5.on_tick = [this] { effects_.LiquifyTick(); };
  m.Timer8.on_tick = [this] { effects_.KnightriderRightTick(); };
  m.Timer9.on_tick = [this] { effects_.KnightriderLeftTick(); };
  m.Timer11.on_tick = [this] { effects_.GlowStep(); };

  // The message. Typing stops the running function; choosing a function or typing while
  // start-up's crack runs also ends its hand-over, or the echo would stay off and a later crack
  // would still start the stored function.
  modes_.before_activate = [this] { cracker_.CancelHandOver(); };
  cracker_.start_resumed_function = [this](int16_t code) {
    modes_.StartFunctionByCode(std::to_string(code));
  };
  m.txtMessage.on_change = [this] {
    cracker_.CancelHandOver();
    modes_.StopFunctions();
    ticker_.LiveMessageEcho();
  };
  m.cmdCustomMode.on_click = [this] { ticker_.CustomModeClick(); };
  m.cmdCustomTextFile.on_click = [this] { ticker_.CustomTextFileClick(); };

  // The device.
  m.cmdBrightness.on_click = [this] { display_.StepBrightness(); };
  m.cmdClearMemory.on_click = [this] { display_.ClearDisplayMemory(); };
  m.cmdSelfTest.on_click = [this] { display_.ToggleSelfTest(); };
  m.lstComport.on_select = [this] { display_.SelectComPort(); };
  m.lstSpeed.on_select = [this] { display_.SelectSpeed(); };
  // A serial port that came back by itself gets what the display showed before it went.
  display_.reconnected.Connect([this] {
    if (main_.cmdSleep.Caption() == "Wake")
      display_.SleepDisplay();
    else
      modes_.RedrawRunningFunction();
  });
  m.lstPPort.on_select = [this] {
    parallel_base_chosen_ = true;
    display_.SelectParallelBase();
  };
}

}  // namespace vfd

// What the window and the tray show of what runs: the running function's mark, the status line's
// messages that belong to a function, the icon's tip, image and menu, and restoring the window
// on a desktop that reports one activation.
#include <gtest/gtest.h>

#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

class RunningStateTest : public ::testing::Test {
 protected:
  RunningStateTest() {
    rig.files.files["vfdsettings.txt"] = FormatSettings(StandardLoad());
    rig.program->tray().available = true;
    rig.program->Start();
    rig.UseModel(kModelOrbital2x20);
    rig.Emulate(kModelOrbital2x20);
  }
  static Settings StandardLoad() {
    Settings s;
    s.CrackOnLoadCaption = "Standard Load";
    s.StartFunctionCode = "0";
    return s;
  }
  // The names of the marked buttons, in the window's order of functions.
  std::string Marked() {
    std::string marked;
    for (Button* b : {&m().cmdTicker, &m().cmdMatrix, &m().cmdClock, &m().cmdWinamp, &m().cmdMBM,
                      &m().cmdVertScroll, &m().cmdTides, &m().cmdHardNews, &m().cmdShacknews,
                      &m().cmdCount, &m().cmdCodeCrack, &m().cmdWeather, &m().cmdRotate}) {
      if (b->Checked()) marked += b->Name() + " ";
    }
    return marked;
  }
  FrmMain& m() { return rig.main(); }
  clsSysTray& tray() { return rig.program->tray(); }

  Rig rig;
};

TEST_F(RunningStateTest, TheRunningFunctionIsMarkedAcrossClicksRotationAndSleep) {
  EXPECT_EQ(Marked(), "");
  EXPECT_TRUE(m().cmdClock.Checkable());
  EXPECT_FALSE(m().cmdClockMode.Checkable());  // a toggle shows its state in its caption
  m().cmdClock.Click();
  EXPECT_EQ(Marked(), "cmdClock ");
  rig.loop.RunFor(50);
  EXPECT_NE(rig.glass().Row(0).find(':'), std::string::npos) << rig.glass().Picture();
  m().cmdClock.Click();  // again: it keeps running and keeps its mark
  EXPECT_EQ(Marked(), "cmdClock ");
  m().cmdCount.Click();
  EXPECT_EQ(Marked(), "cmdCount ");

  // Rotation is marked while it rotates, beside the function each step shows.
  m().cmdRotate.Click();
  rig.loop.RunFor(100);
  EXPECT_EQ(Marked(), "cmdTicker cmdRotate ");
  rig.loop.RunFor(10000);
  EXPECT_EQ(Marked(), "cmdVertScroll cmdRotate ");

  // Asleep nothing runs, rotation included; waking brings both marks back.
  m().cmdSleep.Click();
  EXPECT_EQ(Marked(), "");
  rig.loop.RunFor(50);
  EXPECT_FALSE(rig.glass().display_on);
  // Waking resumes rotation with a step at once: the next slot shows.
  m().cmdSleep.Click();
  EXPECT_EQ(Marked(), "cmdMatrix cmdRotate ");
  m().cmdRotate.Click();
  EXPECT_EQ(Marked(), "cmdMatrix ");
  // Typing a message stops the function.
  m().txtMessage.SetText("new words");
  EXPECT_EQ(Marked(), "");
}

TEST_F(RunningStateTest, AFunctionsMessageGoesWhenItStopsAndTheProgramsOwnStays) {
  DisplayLink& display = rig.display();
  display.ReportStatus("Tides: Northport", m().Timer12);  // not running: nobody to tell
  EXPECT_EQ(m().lblStatus.Caption(), "");
  m().cmdTides.Click();
  display.ReportStatus("Tides: Northport", m().Timer12);
  EXPECT_EQ(m().lblStatus.Caption(), "Tides: Northport");
  EXPECT_EQ(m().lblStatus.ToolTip(), "Tides: Northport");
  m().cmdCount.Click();
  EXPECT_EQ(m().lblStatus.Caption(), "");

  // A message of the program's own outlives any function.
  m().cmdTides.Click();
  display.ReportStatus("Tides: Northport", m().Timer12);
  display.ReportStatus("Reconnected to /dev/ttyUSB0");
  m().cmdClock.Click();
  EXPECT_EQ(m().lblStatus.Caption(), "Reconnected to /dev/ttyUSB0");

  // Rotation's own complaint goes when rotation stops.
  for (int16_t& t : rig.program->rotation().times)
    t = 0;
  m().cmdRotate.Click();
  rig.loop.RunFor(100);
  EXPECT_EQ(m().lblStatus.Caption(), Rotation::kNothingToShow);
  m().cmdRotate.Click();
  EXPECT_EQ(m().lblStatus.Caption(), "");
}

TEST_F(RunningStateTest, TheTipImageAndMenuFollowTheFunctionAndTheSleep) {
  EXPECT_EQ(tray().TipText(), "VFD Vorlinx: nothing runs");
  m().cmdWeather.Click();
  EXPECT_EQ(tray().TipText(), "VFD Vorlinx: Weather");
  m().cmdRotate.Click();
  rig.loop.RunFor(100);
  EXPECT_EQ(tray().TipText(), "VFD Vorlinx: Rotation, now Ticker");
  EXPECT_EQ(tray().Icon(), RunningState::kAwakeIcon);
  EXPECT_EQ(tray().mnuSleep.Caption(), "Sleep Display");

  tray().mnuSleep.Click();
  EXPECT_EQ(m().cmdSleep.Caption(), "Wake");
  EXPECT_EQ(tray().TipText(), "VFD Vorlinx: the display sleeps");
  EXPECT_EQ(tray().Icon(), RunningState::kAsleepIcon);
  EXPECT_EQ(tray().mnuSleep.Caption(), "Wake Display");
  tray().mnuSleep.Click();
  EXPECT_EQ(tray().TipText(), "VFD Vorlinx: Rotation, now Vertical Scroll");
  EXPECT_EQ(tray().Icon(), RunningState::kAwakeIcon);
}

TEST_F(RunningStateTest, TheMenuHidesAndShowsTheWindowAndGivesBackItsCaption) {
  EXPECT_EQ(tray().mnuWindow.Caption(), "Hide Window");
  tray().mnuWindow.Click();
  EXPECT_TRUE(tray().WindowHidden());
  EXPECT_EQ(m().WindowState(), 1);
  EXPECT_EQ(tray().mnuWindow.Caption(), "Show Window");
  // The minimized window's caption is the tip; back on screen it is the program's name again.
  m().cmdClock.Click();
  EXPECT_EQ(m().Caption(), "VFD Vorlinx: Clock");
  tray().mnuWindow.Click();
  EXPECT_FALSE(tray().WindowHidden());
  EXPECT_EQ(m().WindowState(), 0);
  EXPECT_EQ(m().Caption(), "VFD Vorlinx Version 3.10");

  bool ended = false;
  tray().RButtonDblClk.Connect([&] { ended = true; });
  tray().mnuExit.Click();
  EXPECT_TRUE(ended);
}

TEST_F(RunningStateTest, OneActivationRestoresWhereTheDesktopReportsNoDoubleClick) {
  tray().restore_on_click = true;
  std::string events;
  tray().LButtonup.Connect([&] { events += tray().WindowHidden() ? "hidden " : "shown "; });
  m().SetWindowState(1);
  ASSERT_TRUE(tray().WindowHidden());
  tray().MouseMessage(clsSysTray::kLButtonDown);
  tray().MouseMessage(clsSysTray::kLButtonUp);
  EXPECT_EQ(events, "shown ");  // restored before the release is reported
  EXPECT_FALSE(tray().InSysTray());
  EXPECT_EQ(m().WindowState(), 0);
  // Another activation while the window is on screen changes nothing.
  tray().MouseMessage(clsSysTray::kLButtonUp);
  EXPECT_EQ(m().WindowState(), 0);
  // Without the default action the release only reports itself.
  tray().SetDefaultDblClk(false);
  m().SetWindowState(1);
  tray().MouseMessage(clsSysTray::kLButtonUp);
  EXPECT_TRUE(tray().WindowHidden());
}

}  // namespace
}  // namespace vfd

// The tray icon's model (its six mouse events, the busy flag, hiding and restoring the window)
// and the about box.
#include <gtest/gtest.h>

#include "core/Version.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

class TrayTest : public ::testing::Test {
 protected:
  TrayTest() {
    tray().available = true;
    rig.program->Start();
    for (auto [signal, name] :
         {std::pair{&tray().LButtonDown, "LDown"}, std::pair{&tray().LButtonup, "LUp"},
          std::pair{&tray().LButtonDblClk, "LDbl"}, std::pair{&tray().RButtonDown, "RDown"},
          std::pair{&tray().RButtonUp, "RUp"}, std::pair{&tray().RButtonDblClk, "RDbl"}}) {
      signal->Connect([this, name] { events += std::string(name) + " "; });
    }
  }
  clsSysTray& tray() { return rig.program->tray(); }
  FrmMain& m() { return rig.main(); }

  Rig rig;
  std::string events;
};

TEST_F(TrayTest, StartUpGivesTheIconItsWindowAndImageButDoesNotShowIt) {
  EXPECT_EQ(tray().SourceWindow(), &m());
  EXPECT_EQ(tray().Icon(), "tray");
  EXPECT_TRUE(tray().DefaultDblClk());
  EXPECT_FALSE(tray().InSysTray());
  // The tip says what runs: at a fresh start the code cracker, before it hands over.
  EXPECT_EQ(tray().TipText(), "VFD Vorlinx: Code Cracker");
}

TEST_F(TrayTest, MinimizingHidesTheWindowIntoTheTrayAndADoubleClickBringsItBack) {
  m().SetWindowState(1);
  EXPECT_TRUE(tray().InSysTray());
  EXPECT_TRUE(tray().WindowHidden());
  // A single click only reports itself.
  tray().MouseMessage(clsSysTray::kLButtonDown);
  tray().MouseMessage(clsSysTray::kLButtonUp);
  EXPECT_EQ(events, "LDown LUp ");
  EXPECT_TRUE(tray().WindowHidden());
  tray().MouseMessage(clsSysTray::kLButtonDblClk);
  EXPECT_EQ(events, "LDown LUp LDbl ");
  EXPECT_FALSE(tray().WindowHidden());
  EXPECT_FALSE(tray().InSysTray());
  EXPECT_EQ(m().WindowState(), 0);
  tray().MouseMessage(512);  // a plain move: nothing
  tray().MouseMessage(519);
  EXPECT_EQ(events, "LDown LUp LDbl ");
}

TEST_F(TrayTest, WithoutANotificationAreaMinimizingLeavesTheWindowReachable) {
  tray().available = false;
  m().SetWindowState(1);
  EXPECT_FALSE(tray().WindowHidden());
  EXPECT_FALSE(tray().InSysTray());
}

TEST_F(TrayTest, WithoutTheDefaultADoubleClickOnlyReportsItself) {
  tray().SetDefaultDblClk(false);
  m().SetWindowState(1);
  tray().MouseMessage(clsSysTray::kLButtonDblClk);
  EXPECT_EQ(events, "LDbl ");
  EXPECT_TRUE(tray().WindowHidden());
}

TEST_F(TrayTest, TheRightButtonsReleaseTogglesSleepAndEventsDuringAHandlerAreDropped) {
  rig.UseModel(kModelIeeSerial);
  tray().MouseMessage(clsSysTray::kRButtonDown);
  tray().MouseMessage(clsSysTray::kRButtonUp);
  EXPECT_EQ(m().cmdSleep.Caption(), "Wake");
  // A handler that lets events through: what arrives meanwhile is lost, not handled inside it.
  tray().RButtonUp.Connect([this] { tray().MouseMessage(clsSysTray::kRButtonDblClk); });
  tray().MouseMessage(clsSysTray::kRButtonUp);
  EXPECT_EQ(events, "RDown RUp RUp ");
  EXPECT_EQ(m().cmdSleep.Caption(), "Sleep");
  EXPECT_FALSE(tray().Busy());
  EXPECT_EQ(tray().LastMessage(), clsSysTray::kRButtonUp);
  tray().MouseMessage(clsSysTray::kRButtonDblClk);
  EXPECT_EQ(events, "RDown RUp RUp RDbl ");
}

TEST_F(TrayTest, TheTipIsCutToItsFieldAndNamesAMinimizedWindow) {
  tray().SetToolTip("VFD");
  EXPECT_EQ(tray().TipText(), "VFD");
  EXPECT_EQ(m().Caption(), "VFD Vorlinx Version 3.10");
  const std::string long_tip(80, 'x');
  m().SetWindowState(1);
  tray().ChangeToolTip(long_tip);
  EXPECT_EQ(tray().ToolTip(), long_tip);
  EXPECT_EQ(tray().TipText(), std::string(64, 'x'));
  EXPECT_EQ(m().Caption(), long_tip);
}

TEST_F(TrayTest, ShutdownTakesTheIconOutOfTheTray) {
  m().SetWindowState(1);
  rig.program->Shutdown();
  EXPECT_FALSE(tray().InSysTray());
}

class AboutTest : public ::testing::Test {
 protected:
  AboutTest() {
    rig.UseModel(kModelOrbital2x20);
    rig.Emulate(kModelOrbital2x20);
  }
  Rig rig;
};

TEST_F(AboutTest, WithoutAnAddressTheBoxComesAtOnceWithAnEmptyOnlineVersion) {
  rig.main().cmdInfo.Click();
  EXPECT_TRUE(rig.http.requested.empty());
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].first, "Everything you never wanted to know about VFD Vorlinx");
  const std::string& text = rig.boxes.shown[0].second;
  EXPECT_TRUE(text.ends_with("\n\tOnline Version:\t\n\tYour Version:\t3.10")) << text;
  EXPECT_NE(text.find("Credits:\n\t"), std::string::npos);
}

TEST_F(AboutTest, TheVersionIsFetchedFirstThenTheSplashThenTheBox) {
  AboutBox& about = rig.program->about();
  about.update_url = "http://updates.invalid/vfd/currentversion.txt";
  rig.serial.Reset();
  rig.main().cmdInfo.Click();
  rig.main().cmdInfo.Click();  // still waiting: no second request, no second box later
  EXPECT_EQ(rig.http.requested.size(), 1u);
  EXPECT_TRUE(rig.boxes.shown.empty());
  EXPECT_TRUE(rig.serial.written.empty());
  rig.http.Reply({.ok = true, .status = 200, .body = "3.11\r\n"});
  rig.loop.RunPosted();
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_TRUE(rig.boxes.shown[0].second.ends_with("Online Version:\t3.11\n\tYour Version:\t3.10"));
  EXPECT_FALSE(rig.serial.written.empty());  // the splash went out before the box

  rig.main().cmdInfo.Click();
  rig.http.Reply({.ok = false, .error = "time-out"});
  rig.loop.RunPosted();
  ASSERT_EQ(rig.boxes.shown.size(), 2u);
  EXPECT_TRUE(rig.boxes.shown[1].second.ends_with("Online Version:\t\n\tYour Version:\t3.10"));
}

TEST(AboutVersionTest, OnlyAShortPrintableLineIsTakenAsTheOnlineVersion) {
  EXPECT_EQ(AboutBox::VersionOf("3.10"), "3.10");
  EXPECT_EQ(AboutBox::VersionOf("3.11\n"), "3.11");
  EXPECT_EQ(AboutBox::VersionOf(""), "");
  EXPECT_EQ(AboutBox::VersionOf("<html><body>Not Found</body></html>"), "");
  EXPECT_EQ(AboutBox::VersionOf("3.1\n0"), "");
}

TEST(AboutVersionTest, AProgramThatIsGoneIgnoresALateAnswer) {
  auto rig = std::make_unique<Rig>();
  rig->program->about().update_url = "http://updates.invalid/v.txt";
  rig->main().cmdInfo.Click();
  auto pending = std::move(rig->http.pending.front().second);
  rig->program.reset();
  pending(HttpResult{.ok = true, .body = "3.10"});  // must not touch the destroyed program
  EXPECT_TRUE(rig->boxes.shown.empty());
}

}  // namespace
}  // namespace vfd

// The Qt views of the schedulers' dialogs and of the tray icon, under the offscreen platform.
#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "shell/Program.h"
#include "support/Fakes.h"
#include "support/VirtualEventLoop.h"
#include "ui/MainWindowView.h"
#include "ui/QtEventLoop.h"
#include "ui/ScheduleViews.h"
#include "ui/TrayIconView.h"

namespace vfd::ui {
namespace {

// The whole program over the fakes, with its main window.
struct ProgramWithViews {
  QtEventLoop loop;
  testing::VirtualEventLoop clock;
  testing::ScriptedRandom random;
  testing::FakeSerialDevice serial{clock};
  testing::FakeParallelPort parallel{clock};
  testing::FakeMessageBoxes boxes;
  testing::MemoryFiles files;
  testing::FakeFileDialogs file_dialogs;
  UsRegionalFormats formats;
  testing::FakeHttp http{clock};
  testing::FakeMediaPlayer player;
  testing::FakeSensors sensors;
  testing::FakeTidePages tides{clock};
  Program program{Services{.loop = loop,
                           .monotonic = clock,
                           .wall = clock,
                           .formats = formats,
                           .random = random,
                           .serial = serial,
                           .parallel = parallel,
                           .boxes = boxes,
                           .files = files,
                           .file_dialogs = file_dialogs,
                           .http = http,
                           .player = player,
                           .sensors = sensors,
                           .tides = tides}};
  MainWindowView window{program};
};

TEST(ScheduleViewsTest, TheRotationDialogEditsTenthsAndClosesOnApply) {
  auto rig = std::make_unique<ProgramWithViews>();
  RotateConfigView view(rig->program.rotate_config(), &rig->window);
  QTest::mouseClick(rig->window.findChild<QPushButton*>(QStringLiteral("cmdSetRotate")),
                    Qt::LeftButton);
  ASSERT_TRUE(view.isVisible());
  EXPECT_EQ(view.windowTitle(), QStringLiteral("VFD Vorlinx - Function Rotation Config"));
  auto* matrix = view.findChild<QLineEdit*>(QStringLiteral("txtMatrix"));
  auto* label = view.findChild<QLabel*>(QStringLiteral("lblHardNews"));
  ASSERT_TRUE(matrix && label);
  EXPECT_EQ(matrix->text(), QStringLiteral("70"));
  EXPECT_EQ(label->text(), QStringLiteral("[H]ard|News"));
  matrix->selectAll();
  QTest::keyClicks(matrix, QStringLiteral("450"));
  QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("cmdApply")), Qt::LeftButton);
  EXPECT_FALSE(view.isVisible());
  EXPECT_EQ(rig->program.rotation().times[2], 30000);
}

TEST(ScheduleViewsTest, TheAutoTimerDialogShowsEightRowsOfTimeAndAction) {
  auto rig = std::make_unique<ProgramWithViews>();
  TimerConfigView view(rig->program.timer_config(), &rig->window);
  QTest::mouseClick(rig->window.findChild<QPushButton*>(QStringLiteral("cmdSleepTimerConfig")),
                    Qt::LeftButton);
  ASSERT_TRUE(view.isVisible());
  EXPECT_EQ(view.windowTitle(), QStringLiteral("VFD Vorlinx - AutoTimer Config"));
  auto* time = view.findChild<QLineEdit*>(QStringLiteral("txtTime(0)"));
  auto* action = view.findChild<QComboBox*>(QStringLiteral("cboFunction(7)"));
  ASSERT_TRUE(time && action);
  EXPECT_EQ(time->text(), QStringLiteral("11:00:00 PM"));
  EXPECT_EQ(action->count(), 13);
  EXPECT_EQ(action->currentText(), QStringLiteral("None"));
  action->setCurrentIndex(action->findText(QStringLiteral("Countdown")));
  QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("cmdApply")), Qt::LeftButton);
  EXPECT_FALSE(view.isVisible());
  EXPECT_EQ(rig->program.auto_timer().functions[7], 15);
}

TEST(TrayIconViewTest, WithoutANotificationAreaMinimizingKeepsTheWindowWithinReach) {
  auto rig = std::make_unique<ProgramWithViews>();
  TrayIconView tray(rig->program.tray(), &rig->window);
  rig->program.tray().available = false;  // as on a desktop without a notification area
  rig->window.show();
  rig->program.Start();
  rig->window.showMinimized();
  QTest::qWait(20);
  EXPECT_EQ(rig->program.main().WindowState(), 1);
  EXPECT_TRUE(rig->window.isVisible());
  EXPECT_FALSE(tray.icon()->isVisible());
}

TEST(TrayIconViewTest, TheDesktopsClicksBecomeTheSixMouseEvents) {
  auto rig = std::make_unique<ProgramWithViews>();
  TrayIconView tray(rig->program.tray(), &rig->window);
  clsSysTray& model = rig->program.tray();
  model.available = true;
  model.restore_on_click = false;  // an older tray, which reports double clicks
  std::string events;
  model.LButtonDown.Connect([&] { events += "LDown "; });
  model.LButtonup.Connect([&] { events += "LUp "; });
  model.LButtonDblClk.Connect([&] { events += "LDbl "; });
  model.RButtonUp.Connect([&] { events += "RUp "; });
  model.RButtonDblClk.Connect([&] { events += "RDbl "; });
  rig->window.show();
  rig->program.Start();
  EXPECT_EQ(tray.icon()->icon().isNull(), false);

  rig->window.showMinimized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !rig->window.isVisible(); }, 5000));
  EXPECT_TRUE(model.InSysTray());
  tray.Activated(QSystemTrayIcon::Trigger);
  EXPECT_EQ(events, "LDown LUp ");
  EXPECT_FALSE(rig->window.isVisible());
  tray.Activated(QSystemTrayIcon::DoubleClick);
  EXPECT_EQ(events, "LDown LUp LDbl ");
  EXPECT_TRUE(rig->window.isVisible());
  EXPECT_FALSE(rig->window.isMinimized());
  EXPECT_FALSE(model.InSysTray());

  tray.Activated(QSystemTrayIcon::Context);
  EXPECT_EQ(rig->program.main().cmdSleep.Caption(), "Wake");
  ASSERT_EQ(tray.exit_action()->text(), QStringLiteral("Exit"));
  tray.exit_action()->trigger();
  EXPECT_EQ(events, "LDown LUp LDbl RUp RDbl ");
  EXPECT_TRUE(QTest::qWaitFor([&] { return rig->program.ShutDown(); }, 5000));
}

}  // namespace
}  // namespace vfd::ui

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

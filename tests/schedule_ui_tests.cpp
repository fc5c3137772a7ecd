// The Qt views of the schedulers' dialogs and of the tray icon, under the offscreen platform.
#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "shell/Program.h"
#include "support/Fakes.h"
#include "support/VirtualEventLoop.h"
#include "ui/CountdownView.h"
#include "ui/MainWindowView.h"
#include "ui/QtEventLoop.h"
#include "ui/QtMessageBoxes.h"
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

TEST(ScheduleViewsTest, DialogsAreAsWideAsTheirTitlesAndListsShowTheRowsAction) {
  auto rig = std::make_unique<ProgramWithViews>();
  RotateConfigView rotate(rig->program.rotate_config(), &rig->window);
  TimerConfigView timer(rig->program.timer_config(), &rig->window);
  const QFontMetrics title(QFontDatabase::systemFont(QFontDatabase::TitleFont));
  for (QWidget* dialog : {static_cast<QWidget*>(&rotate), static_cast<QWidget*>(&timer)}) {
    dialog->adjustSize();
    EXPECT_GT(dialog->width(), title.horizontalAdvance(dialog->windowTitle()))
        << dialog->windowTitle().toStdString();
  }
  // The drop-down highlights the entry the row holds, not the first one.
  rig->program.auto_timer().functions[1] = 17;
  QTest::mouseClick(rig->window.findChild<QPushButton*>(QStringLiteral("cmdSleepTimerConfig")),
                    Qt::LeftButton);
  auto* sleep_row = timer.findChild<QComboBox*>(QStringLiteral("cboFunction(0)"));
  auto* weather_row = timer.findChild<QComboBox*>(QStringLiteral("cboFunction(1)"));
  ASSERT_TRUE(sleep_row && weather_row);
  EXPECT_EQ(sleep_row->currentIndex(), sleep_row->findText(QStringLiteral("Sleep")));
  EXPECT_EQ(weather_row->currentIndex(), weather_row->findText(QStringLiteral("Weather")));
  EXPECT_EQ(weather_row->currentText(), QStringLiteral("Weather"));
}

TEST(ScheduleViewsTest, TheCalendarOpensOnTheStoredDate) {
  auto rig = std::make_unique<ProgramWithViews>();
  CountdownView view(rig->program.countdown_config(), &rig->window);
  Countdown& countdown = rig->program.countdown();
  countdown.year = 2027;
  countdown.month = 7;
  countdown.day = 4;
  QTest::mouseClick(rig->window.findChild<QPushButton*>(QStringLiteral("cmdCountConfig")),
                    Qt::LeftButton);
  auto* calendar = view.findChild<QCalendarWidget*>();
  ASSERT_NE(calendar, nullptr);
  EXPECT_EQ(calendar->selectedDate(), QDate(2027, 7, 4));
  EXPECT_EQ(calendar->yearShown(), 2027);
  EXPECT_EQ(calendar->monthShown(), 7);
  // Browsed away and closed without Apply: it opens on the stored date again.
  calendar->setCurrentPage(2030, 1);
  view.close();
  QTest::mouseClick(rig->window.findChild<QPushButton*>(QStringLiteral("cmdCountConfig")),
                    Qt::LeftButton);
  EXPECT_EQ(calendar->yearShown(), 2027);
  EXPECT_EQ(calendar->monthShown(), 7);
}

TEST(QtMessageBoxesTest, ABoxGoesBesideTheDialogItIsAbout) {
  const QRect screen(0, 0, 1280, 800);
  const QSize box(300, 120);
  // Room on the right.
  EXPECT_EQ(PlaceBeside(QRect(100, 100, 400, 500), box, screen), QPoint(508, 100));
  // None on the right: on the left.
  EXPECT_EQ(PlaceBeside(QRect(900, 100, 370, 500), box, screen), QPoint(592, 100));
  // Neither side: below it, kept on the screen.
  const QPoint below = PlaceBeside(QRect(20, 600, 1240, 150), box, screen);
  EXPECT_EQ(below.y(), 800 - 120);
  EXPECT_FALSE(QRect(below, box).intersects(QRect(20, 100, 1240, 150)));
}

TEST(TrayIconViewTest, ARightClickThatOpenedTheMenuDoesNotAlsoToggleTheSleep) {
  auto rig = std::make_unique<ProgramWithViews>();
  TrayIconView tray(rig->program.tray(), &rig->window);
  rig->window.show();
  rig->program.Start();
  QStringList entries;
  for (QAction* action : tray.menu()->actions())
    if (!action->isSeparator()) entries << action->text();
  EXPECT_EQ(entries, (QStringList{QStringLiteral("Hide Window"), QStringLiteral("Sleep Display"),
                                  QStringLiteral("Exit")}));
  // The older trays pop the menu up on the right press, then report the click.
  tray.menu()->popup(QPoint(10, 10));
  ASSERT_TRUE(tray.menu()->isVisible());
  tray.Activated(QSystemTrayIcon::Context);
  EXPECT_EQ(rig->program.main().cmdSleep.Caption(), "Sleep");
  // The menu's own entry sleeps the display, and the entry says what it would do next.
  tray.menu()->actions().at(1)->trigger();
  EXPECT_EQ(rig->program.main().cmdSleep.Caption(), "Wake");
  EXPECT_EQ(tray.menu()->actions().at(1)->text(), QStringLiteral("Wake Display"));
  tray.menu()->hide();
  // A right click with no menu open (a host that asks instead of showing one) toggles it.
  tray.Activated(QSystemTrayIcon::Context);
  EXPECT_EQ(rig->program.main().cmdSleep.Caption(), "Sleep");
  EXPECT_FALSE(tray.icon()->toolTip().isEmpty());
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

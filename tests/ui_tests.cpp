// The Qt view: the event loop that drives the core's timers, the binders between widgets and
// control models, and the main window over a whole program.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "core/Controls.h"
#include "core/Timer.h"
#include "platform/IcuTransliterator.h"
#include "shell/Program.h"
#include "support/Fakes.h"
#include "support/VirtualEventLoop.h"
#include "ui/Binders.h"
#include "ui/MainWindowView.h"
#include "ui/MbmConfigView.h"
#include "ui/NewsConfigView.h"
#include "ui/PreviewGlass.h"
#include "ui/QtEventLoop.h"
#include "ui/VfdSelectView.h"
#include "ui/WeatherConfigView.h"
#include "ui/WinampConfigView.h"

namespace vfd::ui {
namespace {

// Runs the Qt event loop until `done` holds or a generous deadline passes.
template <typename F>
bool ProcessUntil(F done, int deadline_ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > deadline_ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

void ClickRow(QListWidget* list, const QString& text) {
  QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(found.front()).center());
}

TEST(QtEventLoopTest, DrivesCoreTimersAndPausesWithoutReenteringATimer) {
  QtEventLoop loop;
  Timer fast("fast", 2);
  Timer slow("slow", 5);
  int fast_ticks = 0, slow_ticks = 0, depth = 0, max_depth = 0, fast_during_pause = 0;
  fast.on_tick = [&] { ++fast_ticks; };
  slow.on_tick = [&] {
    ++slow_ticks;
    max_depth = std::max(max_depth, ++depth);
    const int before = fast_ticks;
    loop.PumpEvents(60);  // far longer than its own period
    fast_during_pause += fast_ticks - before;
    --depth;
  };
  fast.AttachHost(&loop);
  slow.AttachHost(&loop);
  fast.SetEnabled(true);
  slow.SetEnabled(true);
  ASSERT_TRUE(ProcessUntil([&] { return slow_ticks >= 2; }));
  EXPECT_EQ(max_depth, 1);
  EXPECT_GT(fast_during_pause, 0);

  // Disabled and destroyed timers stay quiet; a destroyed one must not be fired at all.
  fast.SetEnabled(false);
  const int fast_stopped_at = fast_ticks;
  {
    Timer doomed("doomed", 1);
    doomed.on_tick = [] {};
    doomed.AttachHost(&loop);
    doomed.SetEnabled(true);
  }
  slow.SetEnabled(false);
  loop.PumpEvents(30);
  EXPECT_EQ(fast_ticks, fast_stopped_at);
}

TEST(QtEventLoopTest, AnimationsOfRelatedRatesTickInTheSameWakeUp) {
  QtEventLoop loop;
  Timer matrix("matrix", 25), sweep("sweep", 50);
  using Clock = std::chrono::steady_clock;
  std::vector<Clock::time_point> matrix_ticks, sweep_ticks;
  matrix.on_tick = [&] { matrix_ticks.push_back(Clock::now()); };
  sweep.on_tick = [&] { sweep_ticks.push_back(Clock::now()); };
  matrix.AttachHost(&loop);
  sweep.AttachHost(&loop);
  matrix.SetEnabled(true);
  loop.PumpEvents(7);  // started apart
  sweep.SetEnabled(true);
  ASSERT_TRUE(ProcessUntil([&] { return sweep_ticks.size() >= 4; }));
  matrix.SetEnabled(false);
  sweep.SetEnabled(false);
  // Every sweep tick comes right beside a Matrix tick: the same pass of the loop.
  for (Clock::time_point tick : sweep_ticks) {
    const auto nearest = std::min_element(
        matrix_ticks.begin(), matrix_ticks.end(), [tick](Clock::time_point a, Clock::time_point b) {
          return std::chrono::abs(a - tick) < std::chrono::abs(b - tick);
        });
    ASSERT_NE(nearest, matrix_ticks.end());
    EXPECT_LT(std::chrono::abs(*nearest - tick), std::chrono::milliseconds(1));
  }
}

TEST(PreviewGlassTest, EachCharacterLightsItsOwnCellAndTheSleepingGlassIsDark) {
  Label line1("Line1", ""), line2("Line2", "");
  Shape divider("DivLine");
  Button sleep("cmdSleep", "Sleep");
  line1.SetFont(14, true);
  line2.SetFont(14, true);
  const CharacterSet set = CharacterSet::ForModel(kModelIeeSerial, CharsetChoice::kJapanese);
  PreviewGlass glass(line1, line2, divider, sleep, [&set]() -> const CharacterSet& { return set; });
  // Lit pixels: the phosphor's blue-green, far from the glass and from the window around it.
  auto lit_columns = [&glass] {
    const QImage image = glass.grab().toImage();
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x)
      for (int y = 0; y < image.height(); ++y)
        if (qGreen(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 150) {
          columns.push_back(x);
          break;
        }
    return columns;
  };
  line1.SetCaption(std::string(20, ' '));
  line2.SetCaption(std::string(20, ' '));
  glass.resize(glass.sizeHint());  // as the window's layout would
  EXPECT_TRUE(lit_columns().empty());
  const int width_of_blanks = glass.sizeHint().width();

  // An "A" in the fourth cell and a katakana in the twentieth, nothing between.
  line1.SetCaption("   A" + std::string(16, ' '));
  line2.SetCaption(std::string(19, ' ') + "\xB1");
  const std::vector<int> columns = lit_columns();
  ASSERT_FALSE(columns.empty());
  const int pitch = (width_of_blanks - 32) / 20;
  const int text_left = (glass.width() - width_of_blanks) / 2 + 16;
  EXPECT_GE(columns.front(), text_left + 3 * pitch - 1);
  EXPECT_LE(columns.front(), text_left + 4 * pitch + 1);
  EXPECT_GE(columns.back(), text_left + 19 * pitch - 1);
  EXPECT_LE(columns.back(), text_left + 20 * pitch + 1);
  for (int x : columns)
    EXPECT_TRUE(x <= text_left + 4 * pitch + 1 || x >= text_left + 19 * pitch - 1) << x;
  EXPECT_EQ(glass.sizeHint().width(), width_of_blanks);

  sleep.SetCaption("Wake");
  EXPECT_TRUE(glass.Dark());
  EXPECT_TRUE(lit_columns().empty());
}

TEST(QtEventLoopTest, TasksPostedFromOtherThreadsRunOnTheEventThreadInOrder) {
  QtEventLoop loop;
  const std::thread::id event_thread = std::this_thread::get_id();
  std::vector<int> order;
  bool all_on_event_thread = true;
  auto post = [&](int n) {
    loop.Post([&, n] {
      all_on_event_thread = all_on_event_thread && std::this_thread::get_id() == event_thread;
      order.push_back(n);
    });
  };
  // Two threads post 100 tasks each; each thread's own tasks keep their order.
  std::thread a([&] {
    for (int n = 0; n < 100; ++n)
      post(n);
  });
  std::thread b([&] {
    for (int n = 1000; n < 1100; ++n)
      post(n);
  });
  a.join();
  b.join();
  EXPECT_TRUE(order.empty());  // nothing ran inside Post
  ASSERT_TRUE(ProcessUntil([&] { return order.size() == 200; }));
  EXPECT_TRUE(all_on_event_thread);
  std::vector<int> from_a, from_b;
  for (int n : order)
    (n < 1000 ? from_a : from_b).push_back(n);
  EXPECT_TRUE(std::is_sorted(from_a.begin(), from_a.end()));
  EXPECT_TRUE(std::is_sorted(from_b.begin(), from_b.end()));

  // A task posted during a pause runs inside the pause, as other events do.
  bool ran = false;
  Timer once("once", 1);
  once.on_tick = [&] {
    once.SetEnabled(false);
    std::thread([&] { loop.Post([&] { ran = true; }); }).join();
    loop.PumpEvents(20);
    EXPECT_TRUE(ran);
  };
  once.AttachHost(&loop);
  once.SetEnabled(true);
  ASSERT_TRUE(ProcessUntil([&] { return ran; }));
}

TEST(BindersTest, ButtonsAndListsFollowTheModelAndForwardTheUser) {
  QWidget window;
  Button model("cmdGo", "Go");
  int clicks = 0;
  model.on_click = [&] { ++clicks; };
  auto* button = new QPushButton(&window);
  BindButton(model, button);

  ListBox list_model("lstThings", {"A", "B"});
  int selections = 0;
  list_model.on_select = [&] { ++selections; };
  auto* list = new QListWidget(&window);
  BindListBox(list_model, list);
  auto* drop_down = new QComboBox(&window);
  BindListBox(list_model, drop_down);
  window.show();

  EXPECT_EQ(button->objectName(), QStringLiteral("cmdGo"));
  model.SetCaption("Stop");
  model.SetVisible(false);
  EXPECT_EQ(button->text(), QStringLiteral("Stop"));
  EXPECT_TRUE(button->isHidden());
  model.SetVisible(true);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  model.SetEnabled(false);
  EXPECT_FALSE(button->isEnabled());
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);

  // The program's selection shows in both views and runs the handler once, not again through the
  // widgets; the user's choice in either view reaches the model and the other view.
  list_model.SetListIndex(1);
  EXPECT_EQ(selections, 1);
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_EQ(drop_down->currentIndex(), 1);
  ClickRow(list, QStringLiteral("A"));
  EXPECT_EQ(list_model.ListIndex(), 0);
  EXPECT_EQ(drop_down->currentIndex(), 0);
  EXPECT_EQ(selections, 2);
  list_model.AddItem("C");
  ASSERT_EQ(drop_down->count(), 3);
  drop_down->setCurrentIndex(2);
  emit drop_down->activated(2);  // what choosing from the popup raises
  EXPECT_EQ(list_model.Text(), "C");
  EXPECT_EQ(list->currentRow(), 2);
  EXPECT_EQ(selections, 3);
  list_model.Clear();
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(drop_down->currentIndex(), -1);
}

TEST(BindersTest, TextCrossesBetweenModelAndWidgetUnchanged) {
  QWidget window;
  TextBox model("txtMessage", "caf");
  int changes = 0;
  model.on_change = [&] { ++changes; };
  auto* edit = new QLineEdit(&window);
  BindTextBox(model, edit);
  Label label_model("lblInfo", "na\u00EFve");
  auto* label = new QLabel(&window);
  BindLabel(label_model, label);
  window.show();

  EXPECT_EQ(label->text(), QStringLiteral(u"na\u00EFve"));
  edit->setFocus();
  edit->end(false);
  QKeyEvent typed(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QStringLiteral(u"\u00E9"));
  QApplication::sendEvent(edit, &typed);
  EXPECT_EQ(model.Text(), "caf\u00E9");
  EXPECT_EQ(changes, 1);
  model.SetText("\u20AC 5 \u041C");
  EXPECT_EQ(edit->text(), QStringLiteral(u"\u20AC 5 \u041C"));
  EXPECT_EQ(changes, 2);

  label_model.SetFont(14, true);
  EXPECT_EQ(label->font().pointSize(), 14);
  EXPECT_TRUE(label->font().bold());
}

TEST(BindersTest, OptionsChecksAndSlidersStayInStep) {
  QWidget window;
  OptionButton first("optA", "A"), second("optB", "B");
  auto* a = new QRadioButton(&window);
  auto* b = new QRadioButton(&window);
  BindOptionButton(first, a);
  BindOptionButton(second, b);
  CheckBox check_model("chk", "Check");
  int check_clicks = 0;
  check_model.on_click = [&] { ++check_clicks; };
  auto* check = new QCheckBox(&window);
  BindCheckBox(check_model, check);
  Slider slider_model("sld", 0, 10);
  auto* slider = new QSlider(&window);
  BindSlider(slider_model, slider);
  window.show();

  // Selecting one option clears the other, in the widgets and in the models alike.
  first.SetValue(true);
  EXPECT_TRUE(a->isChecked());
  QTest::mouseClick(b, Qt::LeftButton);
  EXPECT_TRUE(second.Value());
  EXPECT_FALSE(first.Value());
  EXPECT_FALSE(a->isChecked());

  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_TRUE(check_model.Checked());
  check_model.SetChecked(false);
  EXPECT_FALSE(check->isChecked());
  EXPECT_EQ(check_clicks, 2);

  slider->setValue(4);
  EXPECT_EQ(slider_model.Value(), 4);
  slider_model.SetValue(25);
  EXPECT_EQ(slider->value(), 10);
}

// The whole program over the fakes, with the real Qt loop running its timers.
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
  testing::FakeTidePages tides{clock};
  testing::FakeMediaPlayer player;
  testing::FakeSensors sensors;
  IcuTransliterator scripts;
  Program program{
      Services{.loop = loop,
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
               .tides = tides,
               .scripts = scripts,
               .list_serial_ports = [] { return std::vector<std::string>{"/dev/ttyUSB0"}; }}};
  MainWindowView window{program};
  VfdSelectView select{program.vfd_select(), &window};
};

TEST(MainWindowTest, ThePreviewShowsTheWorldsTextAsTheGlassDoes) {
  // Before the program: its last bytes (closing the port) still reach it.
  std::unique_ptr<DisplayEmulator> emulator = DisplayEmulator::ForModel(kModelOrbital2x20);
  auto rig = std::make_unique<ProgramWithViews>();
  rig->window.show();
  rig->program.Start();
  DisplayLink& display = rig->program.display();
  display.screen_type = kScreen2x20;
  display.display_model = kModelOrbital2x20;
  rig->program.serial().SetSerialPort("COM1");
  display.InitDisplayModel();
  rig->serial.on_bytes = [&](std::string_view bytes) { emulator->FeedSerial(bytes); };
  rig->program.countdown().event = "Blue Öyster Cult – Москва カラオケ";
  rig->program.main().cmdCount.Click();
  auto* glass = rig->window.findChild<PreviewGlass*>();
  ASSERT_NE(glass, nullptr);
  EXPECT_EQ(glass->LineText(1).toStdString(), emulator->glass().Picture(1));
  EXPECT_EQ(glass->LineText(1), QStringLiteral(u"Blue Oyster Cult - M"));
  rig->program.countdown().event = "ｶﾗｵｹ über 21°C";
  rig->program.main().Timer15.Fire();
  EXPECT_EQ(glass->LineText(1).toStdString(), emulator->glass().Picture(1));
  EXPECT_EQ(glass->LineText(1), QStringLiteral(u"ｶﾗｵｹ über 21ﾟC      "));
}

TEST(MainWindowTest, ModelChosenThroughTheDialogReachesTheProgram) {
  auto rig = std::make_unique<ProgramWithViews>();
  MainWindowView& window = rig->window;
  window.show();
  rig->program.Start();
  EXPECT_EQ(window.windowTitle(), QStringLiteral("VFD Vorlinx Version 3.10"));
  auto* ports = window.findChild<QComboBox*>(QStringLiteral("lstComport"));
  ASSERT_NE(ports, nullptr);
  EXPECT_EQ(ports->itemText(4), QStringLiteral("/dev/ttyUSB0"));
  EXPECT_TRUE(window.findChild<QLineEdit*>(QStringLiteral("txtFile"))->isHidden());

  auto* model_button = window.findChild<QPushButton*>(QStringLiteral("cmdModel"));
  ASSERT_NE(model_button, nullptr);
  QTest::mouseClick(model_button, Qt::LeftButton);
  ASSERT_TRUE(rig->select.isVisible());
  EXPECT_EQ(rig->select.windowTitle(), QStringLiteral("VFD Vorlinx - VFD Selector"));

  auto* screens = rig->select.findChild<QListWidget*>(QStringLiteral("lstScreen"));
  auto* models = rig->select.findChild<QListWidget*>(QStringLiteral("lstVFD"));
  ASSERT_TRUE(screens && models);
  ClickRow(screens, QStringLiteral("2x24"));
  ClickRow(models, QStringLiteral("(Rusty Ox) Noritake CU24025ECPB-U1J"));
  QTest::mouseClick(rig->select.findChild<QPushButton*>(QStringLiteral("cmdApply")),
                    Qt::LeftButton);

  EXPECT_EQ(rig->program.display().display_model, 3);
  EXPECT_FALSE(rig->select.isVisible());
  EXPECT_TRUE(ports->isHidden());
  EXPECT_FALSE(window.findChild<QComboBox*>(QStringLiteral("lstPPort"))->isHidden());
  auto* glass = window.findChild<PreviewGlass*>();
  ASSERT_NE(glass, nullptr);
  EXPECT_EQ(glass->LineFont(0).pointSize(), 14);
  EXPECT_TRUE(glass->LineFont(0).bold());

  // The preview keeps blanks and shows the four rows of a 4x20 as lines.
  const QSize two_lines = glass->sizeHint();
  rig->program.display().Write4x20("ab  ", "", "", "z");
  EXPECT_TRUE(glass->LineText(0).startsWith(QStringLiteral("       ab                  \n")));
  EXPECT_EQ(glass->LineText(0).count(QLatin1Char('\n')), 3);
  EXPECT_GT(glass->sizeHint().height(), two_lines.height());
  // Frames that change only the text leave the glass's size alone.
  const QSize four_rows = glass->sizeHint();
  rig->program.display().Write4x20("x", "yy", "zzz", "");
  EXPECT_EQ(glass->sizeHint(), four_rows);
  // The glass goes dark while the display sleeps, and the toggles keep their size.
  auto* sleep = window.findChild<QPushButton*>(QStringLiteral("cmdSleep"));
  auto* glow = window.findChild<QPushButton*>(QStringLiteral("cmdGlow"));
  const int glow_width = glow->minimumWidth();
  QTest::mouseClick(sleep, Qt::LeftButton);
  EXPECT_TRUE(glass->Dark());
  QTest::mouseClick(glow, Qt::LeftButton);
  EXPECT_EQ(glow->text(), QStringLiteral("It's Alive! Quick, Kill It!"));
  EXPECT_EQ(glow->minimumWidth(), glow_width);
  EXPECT_GE(glow_width, glow->sizeHint().width());
  QTest::mouseClick(sleep, Qt::LeftButton);
  EXPECT_FALSE(glass->Dark());
  // A long status message wraps rather than widening the window; the tooltip holds all of it.
  const int window_width = window.minimumSizeHint().width();
  const std::string long_status(300, 'x');
  rig->program.display().ReportStatus(long_status);
  EXPECT_EQ(window.minimumSizeHint().width(), window_width);
  auto* status_label = window.statusBar()->findChild<QLabel*>();
  ASSERT_NE(status_label, nullptr);
  EXPECT_EQ(status_label->toolTip(), QString::fromStdString(long_status));

  // Showing the open dialog again brings back the same window; closing it unloads the form.
  QTest::mouseClick(model_button, Qt::LeftButton);
  QTest::mouseClick(model_button, Qt::LeftButton);
  EXPECT_EQ(window.findChildren<VfdSelectView*>().size(), 1);
  rig->select.close();
  EXPECT_FALSE(rig->program.vfd_select().Loaded());

  window.close();
  EXPECT_TRUE(rig->program.ShutDown());
}

TEST(MainWindowTest, TheStatusLineStaysOneLineTallAndTheGroupsTakeTheRoom) {
  auto rig = std::make_unique<ProgramWithViews>();
  MainWindowView& window = rig->window;
  window.show();
  rig->program.Start();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* status = window.statusBar()->findChild<QLabel*>(QStringLiteral("lblStatus"));
  ASSERT_NE(status, nullptr);
  QApplication::processEvents();
  const int bar = window.statusBar()->height();
  const QSize size = window.size();

  // A long message: the window keeps its size, the line its height; the tip holds it all.
  const std::string long_status = "Tides: " + std::string(400, 'x') + "\nsecond line";
  rig->program.display().ReportStatus(long_status);
  QApplication::processEvents();
  EXPECT_EQ(window.size(), size);
  EXPECT_EQ(window.statusBar()->height(), bar);
  EXPECT_EQ(status->toolTip().toStdString(), long_status);
  EXPECT_TRUE(status->text().endsWith(QChar(0x2026))) << status->text().toStdString();
  EXPECT_FALSE(status->text().contains(QLatin1Char('\n')));
  rig->program.display().ReportStatus("");
  QApplication::processEvents();
  EXPECT_EQ(window.statusBar()->height(), bar);
  EXPECT_EQ(status->text(), QString());

  // Enlarged, the groups grow and the status line does not.
  auto* functions = window.findChild<QPushButton*>(QStringLiteral("cmdTicker"))->parentWidget();
  const int functions_height = functions->height();
  window.resize(size.width() + 200, size.height() + 300);
  QApplication::processEvents();
  EXPECT_GE(functions->height(), functions_height + 100);
  EXPECT_EQ(window.statusBar()->height(), bar);
  window.close();
}

TEST(MainWindowTest, TheRunningFunctionIsPressedInAndEveryConfigButtonNamesItsDialog) {
  auto rig = std::make_unique<ProgramWithViews>();
  MainWindowView& window = rig->window;
  window.show();
  rig->program.Start();
  auto button = [&](const char* name) {
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
  };
  QPushButton* clock = button("cmdClock");
  QPushButton* ticker = button("cmdTicker");
  ASSERT_TRUE(clock && ticker);
  EXPECT_TRUE(clock->isCheckable());
  EXPECT_FALSE(button("cmdGlow")->isCheckable());
  QTest::mouseClick(clock, Qt::LeftButton);
  EXPECT_TRUE(clock->isChecked());
  EXPECT_EQ(clock->text(), QStringLiteral("Clock"));
  // A click on the running function does not unpress it: it still runs.
  QTest::mouseClick(clock, Qt::LeftButton);
  EXPECT_TRUE(clock->isChecked());
  QTest::mouseClick(ticker, Qt::LeftButton);
  EXPECT_FALSE(clock->isChecked());
  EXPECT_TRUE(ticker->isChecked());
  QTest::mouseClick(button("cmdSleep"), Qt::LeftButton);
  EXPECT_FALSE(ticker->isChecked());

  QStringList tips;
  for (QPushButton* b : window.findChildren<QPushButton*>()) {
    if (b->text() != QStringLiteral("Config")) continue;
    EXPECT_FALSE(b->toolTip().isEmpty()) << b->objectName().toStdString();
    tips << b->toolTip();
  }
  EXPECT_EQ(tips.size(), 8);
  tips.removeDuplicates();
  EXPECT_EQ(tips.size(), 8);
  EXPECT_FALSE(clock->toolTip().isEmpty());
  EXPECT_FALSE(clock->toolTip().contains(QLatin1Char('\n')));
  window.close();
}

TEST(WinampConfigViewTest, EachGroupOfOptionsChoosesOnItsOwn) {
  auto rig = std::make_unique<ProgramWithViews>();
  WinampConfigView config(rig->program.winamp().config(), &rig->window);
  rig->window.show();
  QTest::mouseClick(rig->window.findChild<QPushButton*>(QStringLiteral("cmdWinampConfig")),
                    Qt::LeftButton);
  ASSERT_TRUE(config.isVisible());
  EXPECT_EQ(config.windowTitle(), QStringLiteral("VFD Vorlinx - Winamp Config"));
  auto* slider = config.findChild<QSlider*>(QStringLiteral("sldWinamp"));
  ASSERT_NE(slider, nullptr);
  EXPECT_FALSE(slider->isEnabled());  // the fixed title does not scroll

  auto option = [&config](const char* name) {
    return config.findChild<QRadioButton*>(QString::fromLatin1(name));
  };
  QTest::mouseClick(option("optMode2"), Qt::LeftButton);
  // On the indicator: a radio button takes clicks on its circle and its text only.
  QRadioButton* scrolling = option("optScrolling");
  QTest::mouseClick(scrolling, Qt::LeftButton, {}, QPoint(6, scrolling->height() / 2));
  Winamp& winamp = rig->program.winamp();
  EXPECT_EQ(winamp.mode, 2);
  EXPECT_EQ(winamp.title_style, "Scroll");
  EXPECT_TRUE(option("optMode2")->isChecked());  // still: another group was chosen in
  EXPECT_FALSE(option("optFixed")->isChecked());
  EXPECT_FALSE(option("optElapsed")->isEnabled());
  EXPECT_TRUE(slider->isEnabled());
  slider->setValue(138);
  EXPECT_EQ(rig->program.main().Timer4.Interval(), 138);

  auto* alternate = config.findChild<QComboBox*>(QStringLiteral("cboAltFunction"));
  ASSERT_NE(alternate, nullptr);
  EXPECT_EQ(alternate->currentText(), QStringLiteral("Clock"));
  alternate->setCurrentIndex(0);
  emit alternate->activated(0);
  EXPECT_EQ(winamp.alt_function, 4);

  QTest::mouseClick(config.findChild<QPushButton*>(QStringLiteral("cmdApply")), Qt::LeftButton);
  EXPECT_FALSE(config.isVisible());
  EXPECT_EQ(winamp.scroll_interval, 138);
}

TEST(MainWindowTest, ACloseDuringAPauseIsTakenUpWhenThePauseIsOver) {
  auto rig = std::make_unique<ProgramWithViews>();
  rig->window.show();
  rig->program.Start();
  // Closing while a handler pauses (as a paced upload does): the handler's remaining bytes must
  // not follow the display's rest.
  QTimer::singleShot(5, &rig->window, [&rig] { rig->window.close(); });
  rig->loop.PumpEvents(40);
  EXPECT_FALSE(rig->program.ShutDown());
  EXPECT_TRUE(QTest::qWaitFor([&rig] { return rig->program.ShutDown(); }, 5000));
}

TEST(MbmConfigViewTest, TheDialogEditsTheSlotsLiveAndPreviewsInAFixedPitch) {
  auto rig = std::make_unique<ProgramWithViews>();
  rig->sensors.table[0] = {1, "CPU", 45.5};
  rig->program.mbm().sensor[0] = "01 CPU";
  MbmConfigView view(rig->program.mbm_config(), &rig->window);
  QTest::mouseClick(rig->window.findChild<QPushButton*>(QStringLiteral("cmdMBMConfig")),
                    Qt::LeftButton);
  ASSERT_TRUE(view.isVisible());
  EXPECT_EQ(view.windowTitle(), QStringLiteral("VFD Vorlinx - MBM Config"));
  auto* first = view.findChild<QComboBox*>(QStringLiteral("cboLine1Variable1"));
  auto* label = view.findChild<QLineEdit*>(QStringLiteral("txtLine1Label1"));
  auto* preview = view.findChild<QLabel*>(QStringLiteral("lblLine1"));
  ASSERT_TRUE(first && label && preview);
  EXPECT_FALSE(first->isEditable());
  EXPECT_EQ(first->count(), 100);
  EXPECT_EQ(first->currentText(), QStringLiteral("01 CPU"));
  EXPECT_TRUE(QFontInfo(preview->font()).fixedPitch());

  label->selectAll();
  QTest::keyClicks(label, QStringLiteral("T "));
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return preview->text().startsWith(QStringLiteral("T 46C")); }, 5000));
  EXPECT_EQ(rig->program.mbm().label[0], "T ");
  QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
  EXPECT_FALSE(view.isVisible());
  EXPECT_EQ(rig->program.mbm().label[0], "CPU: ");
}

TEST(WebConfigViewsTest, TheHeadlineAndWeatherDialogsEditTheirFunctions) {
  auto rig = std::make_unique<ProgramWithViews>();
  NewsConfigView news(rig->program.shack_news().config(), &rig->window);
  WeatherConfigView weather(rig->program.weather().config(), &rig->window);
  QTest::mouseClick(rig->window.findChild<QPushButton*>(QStringLiteral("cmdShacknewsConfig")),
                    Qt::LeftButton);
  ASSERT_TRUE(news.isVisible());
  EXPECT_EQ(news.windowTitle(), QStringLiteral("VFD Vorlinx -Shacknews Config"));
  auto* mode1 = news.findChild<QRadioButton*>(QStringLiteral("optMode1"));
  auto* scroll = news.findChild<QSlider*>(QStringLiteral("sldScrollSpeed"));
  ASSERT_TRUE(mode1 && scroll);
  EXPECT_FALSE(scroll->isEnabled());
  QTest::mouseClick(mode1, Qt::LeftButton, {}, QPoint(6, mode1->height() / 2));
  EXPECT_EQ(rig->program.shack_news().mode, 1);
  EXPECT_TRUE(scroll->isEnabled());
  scroll->setValue(138);
  EXPECT_EQ(rig->program.main().Timer14.Interval(), 138);
  QTest::mouseClick(news.findChild<QPushButton*>(QStringLiteral("cmdApply")), Qt::LeftButton);
  EXPECT_FALSE(news.isVisible());

  QTest::mouseClick(rig->window.findChild<QPushButton*>(QStringLiteral("cmdWeatherConfig")),
                    Qt::LeftButton);
  ASSERT_TRUE(weather.isVisible());
  auto* zip = weather.findChild<QLineEdit*>(QStringLiteral("txtZip"));
  auto* first = weather.findChild<QComboBox*>(QStringLiteral("cboLine1Variable1"));
  ASSERT_TRUE(zip && first);
  EXPECT_EQ(zip->text(), QStringLiteral("11725"));
  EXPECT_EQ(first->count(), 16);
  EXPECT_EQ(first->currentText(), QStringLiteral("Clock"));
  zip->selectAll();
  QTest::keyClicks(zip, QStringLiteral("Oslo"));
  QTest::mouseClick(weather.findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
  EXPECT_FALSE(weather.isVisible());
  EXPECT_EQ(rig->program.weather().location, "Oslo");
}

}  // namespace
}  // namespace vfd::ui

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

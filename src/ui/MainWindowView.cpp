#include "ui/MainWindowView.h"

#include <algorithm>
#include <initializer_list>

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/Binders.h"
#include "ui/PreviewGlass.h"

namespace vfd::ui {
namespace {

// The window state the model stores for a Qt window state.
int ModelStateOf(Qt::WindowStates state) {
  if (state & Qt::WindowMinimized) return 1;
  if (state & Qt::WindowMaximized) return 2;
  return 0;
}

// A toggle keeps the width of its longest caption, so that changing its caption moves nothing.
void ReserveWidth(QPushButton* button, std::initializer_list<const char*> captions) {
  const QString shown = button->text();
  int width = 0;
  for (const char* caption : captions) {
    button->setText(QString::fromLatin1(caption));
    width = std::max(width, button->sizeHint().width());
  }
  button->setText(shown);
  button->setMinimumWidth(width);
}

// The status line: one line of text, as tall as that line whatever the message, so that a
// message neither grows the window nor leaves it grown. What does not fit is cut with an ellipsis;
// the whole message is the tip.
class StatusLine : public QLabel {
 public:
  StatusLine(Label& model, QWidget* parent) : QLabel(parent) {
    setObjectName(QString::fromStdString(model.Name()));
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto mirror = [&model](StatusLine* line) {
      line->full_ = FromText(model.Caption());
      line->setToolTip(FromText(model.ToolTip()));
      line->Elide();
    };
    mirror(this);
    QPointer<StatusLine> self(this);
    model.changed.Connect([self, mirror] {
      if (self) mirror(self.data());
    });
  }
  const QString& FullText() const { return full_; }
  QSize sizeHint() const override { return {0, LineHeight()}; }
  QSize minimumSizeHint() const override { return {0, LineHeight()}; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Elide();
  }

 private:
  int LineHeight() const {
    const QMargins m = contentsMargins();
    return fontMetrics().height() + m.top() + m.bottom();
  }
  void Elide() {
    // A message of several lines shows its first; the tip has the rest.
    QString first = full_.section(QLatin1Char('\n'), 0, 0);
    const QString shown = fontMetrics().elidedText(first, Qt::ElideRight, contentsRect().width());
    if (text() != shown) setText(shown);
  }

  QString full_;
};

QLabel* CaptionFor(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

}  // namespace

MainWindowView::MainWindowView(Program& program, QWidget* parent)
    : QMainWindow(parent), program_(program), form_(program.main()) {
  setObjectName(QString::fromStdString(form_.Name()));

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(BuildPreview());

  // The groups share the room of a larger window, the functions taking the most of it.
  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(BuildFunctions(), 3);
  left->addWidget(BuildDevice(), 2);
  auto* right = new QVBoxLayout;
  right->addWidget(BuildEffectsAndOptions(), 3);
  right->addWidget(BuildMessage(), 2);
  columns->addLayout(left, 3);
  columns->addLayout(right, 2);
  layout->addLayout(columns, 1);
  layout->addWidget(BuildInfo());
  setCentralWidget(central);

  statusBar()->addWidget(new StatusLine(form_.lblStatus, statusBar()), 1);

  MirrorForm();
  QPointer<MainWindowView> self(this);
  form_.changed.Connect([self] {
    if (self) self->MirrorForm();
  });
  form_.shown.Connect([self] {
    if (!self) return;
    self->show();
    self->raise();
    self->activateWindow();
  });
}

QPushButton* MainWindowView::MakeButton(Button& model, QWidget* parent) {
  auto* button = new QPushButton(parent);
  BindButton(model, button);
  return button;
}

QWidget* MainWindowView::BuildPreview() {
  DisplayLink& display = program_.display();
  return new PreviewGlass(form_.Line1, form_.Line2, form_.DivLine, form_.cmdSleep,
                          [&display]() -> const CharacterSet& { return display.Charset(); });
}

QGroupBox* MainWindowView::BuildFunctions() {
  auto* group = new QGroupBox(tr("Functions"));
  auto* grid = new QGridLayout(group);

  // Two columns of functions, each with its settings button beside it where it has one.
  struct Entry {
    Button& function;
    Button* config;
  };
  FrmMain& m = form_;
  const Entry entries[] = {
      {m.cmdTicker, nullptr},
      {m.cmdMatrix, nullptr},
      {m.cmdClock, nullptr},
      {m.cmdVertScroll, nullptr},
      {m.cmdCodeCrack, nullptr},
      {m.cmdWinamp, &m.cmdWinampConfig},
      {m.cmdMBM, &m.cmdMBMConfig},
      {m.cmdTides, &m.cmdTideConfig},
      {m.cmdHardNews, &m.cmdHardNewsConfig},
      {m.cmdShacknews, &m.cmdShacknewsConfig},
      {m.cmdCount, &m.cmdCountConfig},
      {m.cmdWeather, &m.cmdWeatherConfig},
      {m.cmdLcdproc, nullptr},
  };
  constexpr int kRows = 7;
  for (int i = 0; i < static_cast<int>(std::size(entries)); ++i) {
    const int row = i % kRows;
    const int column = (i / kRows) * 2;
    QPushButton* function = MakeButton(entries[i].function, group);
    if (entries[i].config) {
      grid->addWidget(function, row, column);
      grid->addWidget(MakeButton(*entries[i].config, group), row, column + 1);
    } else {
      grid->addWidget(function, row, column, 1, 2);
    }
  }
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);

  auto* rule = new QFrame(group);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  grid->addWidget(rule, kRows, 0, 1, 4);

  // Scheduling: the rotation through several functions and the timed switch-off.
  auto* scheduling = new QHBoxLayout;
  QPushButton* rotate = MakeButton(m.cmdRotate, group);
  ReserveWidth(rotate, {"Rotation", "End Rotation", "Stop Rotation"});
  scheduling->addWidget(rotate, 1);
  scheduling->addWidget(MakeButton(m.cmdSetRotate, group));
  scheduling->addSpacing(12);
  QPushButton* auto_timer = MakeButton(m.cmdSleepTimer, group);
  ReserveWidth(auto_timer, {"AutoTimer Off", "AutoTimer On"});
  scheduling->addWidget(auto_timer, 1);
  scheduling->addWidget(MakeButton(m.cmdSleepTimerConfig, group));
  grid->addLayout(scheduling, kRows + 1, 0, 1, 4);
  return group;
}

QGroupBox* MainWindowView::BuildEffectsAndOptions() {
  auto* group = new QGroupBox(tr("Effects and options"));
  auto* grid = new QGridLayout(group);
  FrmMain& m = form_;

  // Every button here is a toggle; each keeps the width of its longest caption.
  auto toggle = [&](Button& model, std::initializer_list<const char*> captions) {
    QPushButton* button = MakeButton(model, group);
    ReserveWidth(button, captions);
    return button;
  };
  auto* effects = new QHBoxLayout;
  effects->addWidget(toggle(m.cmdGlow, {"Glow", "It's Alive! Quick, Kill It!"}));
  effects->addWidget(toggle(m.cmdRandomBrightness, {"Liquify", "Oww, My Eyes!"}));
  effects->addWidget(toggle(m.cmdKnightrider, {"Knightrider", "Shut Up KITT!"}));
  grid->addLayout(effects, 0, 0, 1, 2);

  grid->addWidget(CaptionFor(tr("Matrix direction:"), group), 1, 0);
  grid->addWidget(toggle(m.cmdMatrixDirection, {"Across", "Down"}), 1, 1);
  grid->addWidget(CaptionFor(tr("Clock mode:"), group), 2, 0);
  grid->addWidget(toggle(m.cmdClockMode, {"Default", "Custom"}), 2, 1);
  grid->addWidget(toggle(m.cmdCrackStart, {"Crack Code on Load", "Standard Load"}), 3, 0, 1, 2);
  grid->addWidget(toggle(m.cmdAutoSleep, {"Sleep on Exit", "Leave Awake on Exit"}), 4, 0);
  grid->addWidget(toggle(m.cmdSleep, {"Sleep", "Wake"}), 4, 1);
  grid->addWidget(toggle(m.cmdUpdate, {"Auto Update Check is Currently: ENABLED",
                                       "Auto Update Check is Currently: DISABLED"}),
                  5, 0, 1, 2);
  return group;
}

QGroupBox* MainWindowView::BuildDevice() {
  auto* group = new QGroupBox(tr("Display device"));
  auto* grid = new QGridLayout(group);
  FrmMain& m = form_;

  grid->addWidget(MakeButton(m.cmdModel, group), 0, 0, 1, 2);
  QPushButton* brightness = MakeButton(m.cmdBrightness, group);
  ReserveWidth(brightness, {"Brightness Level 0", "Brightness Level -32768"});
  grid->addWidget(brightness, 0, 2, 1, 2);
  grid->addWidget(MakeButton(m.cmdClearMemory, group), 1, 0, 1, 2);
  QPushButton* self_test = MakeButton(m.cmdSelfTest, group);
  ReserveWidth(self_test, {"Activate Self-Test", "Deactivate Self-Test"});
  grid->addWidget(self_test, 1, 2, 1, 2);

  // Only the lists that fit the chosen model's link show.
  auto add_list = [&](ListBox& model, const QString& caption, int row, int column) {
    auto* list = new QComboBox(group);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QLabel* label = CaptionFor(caption, group);
    label->setBuddy(list);
    BindListBox(model, list);
    FollowVisibility(model, label);
    grid->addWidget(label, row, column);
    grid->addWidget(list, row, column + 1);
  };
  add_list(m.lstComport, tr("Serial port:"), 2, 0);
  add_list(m.lstSpeed, tr("Speed:"), 2, 2);
  add_list(m.lstPPort, tr("Parallel port:"), 3, 0);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  return group;
}

QGroupBox* MainWindowView::BuildMessage() {
  auto* group = new QGroupBox(tr("Message"));
  auto* grid = new QGridLayout(group);
  FrmMain& m = form_;

  auto* message = new QLineEdit(group);
  BindTextBox(m.txtMessage, message);
  grid->addWidget(message, 0, 0, 1, 2);
  QPushButton* custom_mode = MakeButton(m.cmdCustomMode, group);
  ReserveWidth(custom_mode, {"Use File", "Use Text"});
  grid->addWidget(custom_mode, 1, 0);
  grid->addWidget(MakeButton(m.cmdCustomTextFile, group), 1, 1);
  auto* file = new QLineEdit(group);
  BindTextBox(m.txtFile, file);
  grid->addWidget(file, 2, 0, 1, 2);
  return group;
}

QWidget* MainWindowView::BuildInfo() {
  auto* box = new QWidget;
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  QPushButton* button = MakeButton(form_.cmdInfo, box);
  auto* info = new QLabel(box);
  info->setWordWrap(true);
  BindLabel(form_.lblInfo, info);
  layout->addWidget(button, 0, Qt::AlignTop);
  layout->addWidget(info, 1);
  return box;
}

void MainWindowView::MirrorForm() {
  QString title = FromText(form_.Caption());
  if (windowTitle() != title) setWindowTitle(title);
  if (ModelStateOf(windowState()) == form_.WindowState()) return;
  Qt::WindowStates state = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (form_.WindowState() == 1) state |= Qt::WindowMinimized;
  if (form_.WindowState() == 2) state |= Qt::WindowMaximized;
  setWindowState(state);
}

void MainWindowView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) form_.SetWindowState(ModelStateOf(windowState()));
  QMainWindow::changeEvent(event);
}

void MainWindowView::closeEvent(QCloseEvent* event) {
  // The shutdown may wait on the display while events keep coming; a second close meanwhile (the
  // user again, or a signal) must not start it over or cut it short.
  if (closing_) {
    event->ignore();
    return;
  }
  // A close that arrives while a handler pauses (a paced upload, the echo's wait) is taken up
  // once that handler has finished: what it still sends must not reach the display after the
  // display was put to rest.
  if (program_.services().loop.Pumping()) {
    event->ignore();
    QTimer::singleShot(20, this, [this] { close(); });
    return;
  }
  closing_ = true;
  program_.Shutdown();
  event->accept();
  // Dialogs or message boxes still open must not keep the program alive without its window.
  QCoreApplication::quit();
}

}  // namespace vfd::ui

#include "ui/WinampConfigView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/Binders.h"
#include "ui/FormView.h"

namespace vfd::ui {
namespace {

// A small drawing of a layout: its two lines in a fixed-width face on a dark panel, the way the
// display shows them.
QLabel* ModePicture(int mode, QWidget* parent) {
  const auto& lines = FrmWinampConfig::kModePictures[static_cast<size_t>(mode)];
  auto* picture =
      new QLabel(QString::fromLatin1(lines[0]) + '\n' + QString::fromLatin1(lines[1]), parent);
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  picture->setFont(font);
  picture->setAlignment(Qt::AlignCenter);
  picture->setFrameShape(QFrame::Panel);
  picture->setFrameShadow(QFrame::Sunken);
  picture->setMargin(4);
  picture->setStyleSheet(QStringLiteral("background: #101010; color: #40e0d0;"));
  return picture;
}

}  // namespace

WinampConfigView::WinampConfigView(FrmWinampConfig& form, QWidget* parent) : QDialog(parent) {
  setModal(false);
  auto* grid = new QGridLayout(this);

  // The layouts, each option beside its picture. Every group of options has its own box, so that
  // choosing in one leaves the others alone.
  auto* display_mode = new QGroupBox(this);
  BindFrame(form.fraDisplayMode, display_mode);
  auto* modes = new QGridLayout(display_mode);
  OptionButton* options[] = {&form.optMode1, &form.optMode2, &form.optMode3};
  for (int i = 0; i < 3; ++i) {
    auto* option = new QRadioButton(display_mode);
    BindOptionButton(*options[i], option);
    QLabel* picture = ModePicture(i, display_mode);
    modes->addWidget(option, i, 0);
    modes->addWidget(picture, i, 1);
  }
  modes->setColumnStretch(1, 1);

  auto* title_mode = new QGroupBox(this);
  BindFrame(form.fraTitleMode, title_mode);
  auto* titles = new QVBoxLayout(title_mode);
  for (OptionButton* model : {&form.optScrolling, &form.optFixed}) {
    auto* option = new QRadioButton(title_mode);
    BindOptionButton(*model, option);
    titles->addWidget(option);
  }

  auto* time_mode = new QGroupBox(this);
  BindFrame(form.fraTime, time_mode);
  auto* times = new QVBoxLayout(time_mode);
  for (OptionButton* model : {&form.optElapsed, &form.optRemaining}) {
    auto* option = new QRadioButton(time_mode);
    BindOptionButton(*model, option);
    times->addWidget(option);
  }

  auto* alternate = new QGroupBox(this);
  BindFrame(form.fraAltFunction, alternate);
  auto* alternates = new QVBoxLayout(alternate);
  auto* switch_stop = new QCheckBox(alternate);
  BindCheckBox(form.chkSwitchStop, switch_stop);
  auto* alt_function = new QComboBox(alternate);
  BindListBox(form.cboAltFunction, alt_function);
  alternates->addWidget(switch_stop);
  alternates->addWidget(alt_function);

  // The speed slider with its five names under the ticks, slowest interval on the right.
  auto* speed = new QGroupBox(this);
  BindFrame(form.fraWinampSpeed, speed);
  auto* speeds = new QGridLayout(speed);
  auto* slider = new QSlider(Qt::Horizontal, speed);
  slider->setTickPosition(QSlider::TicksBelow);
  BindSlider(form.sldWinamp, slider);
  speeds->addWidget(slider, 0, 0, 1, 5);
  Label* names[] = {&form.lblLudicrous, &form.lblRidiculous, &form.lblLight, &form.lblFast,
                    &form.lblSlow};
  for (int i = 0; i < 5; ++i) {
    auto* name = new QLabel(speed);
    BindLabel(*names[i], name);
    name->setAlignment(i == 0 ? Qt::AlignLeft : i == 4 ? Qt::AlignRight : Qt::AlignHCenter);
    speeds->addWidget(name, 1, i);
  }

  auto* apply = new QPushButton(this);
  apply->setDefault(true);
  BindButton(form.cmdApply, apply);

  grid->addWidget(display_mode, 0, 0, 3, 1);
  grid->addWidget(title_mode, 0, 1);
  grid->addWidget(time_mode, 1, 1);
  grid->addWidget(alternate, 2, 1);
  grid->addWidget(speed, 3, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(apply);
  grid->addLayout(buttons, 4, 0, 1, 2);

  new FormView(form, this);
}

}  // namespace vfd::ui

#include "ui/NewsConfigView.h"

#include <array>
#include <initializer_list>
#include <string>

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

// The two display lines of a layout in a fixed-width face on a dark panel.
QLabel* ModePicture(const std::array<std::string, 2>& lines, QWidget* parent) {
  auto* picture = new QLabel(FromText(lines[0]) + '\n' + FromText(lines[1]), parent);
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

// A slider in its frame with the names under its ends (and ticks).
QGroupBox* SliderFrame(Frame& frame, Slider& slider, std::initializer_list<Label*> names,
                       QWidget* parent) {
  auto* box = new QGroupBox(parent);
  BindFrame(frame, box);
  auto* grid = new QGridLayout(box);
  auto* widget = new QSlider(Qt::Horizontal, box);
  widget->setTickPosition(QSlider::TicksBelow);
  BindSlider(slider, widget);
  const int count = static_cast<int>(names.size());
  grid->addWidget(widget, 0, 0, 1, count);
  int i = 0;
  for (Label* name : names) {
    auto* label = new QLabel(box);
    BindLabel(*name, label);
    label->setAlignment(i == 0           ? Qt::AlignLeft
                        : i == count - 1 ? Qt::AlignRight
                                         : Qt::AlignHCenter);
    grid->addWidget(label, 1, i++);
  }
  return box;
}

}  // namespace

NewsConfigView::NewsConfigView(FrmNewsConfig& form, QWidget* parent) : QDialog(parent) {
  setModal(false);
  auto* grid = new QGridLayout(this);

  auto* modes = new QGroupBox(this);
  modes->setFlat(true);
  auto* mode_grid = new QGridLayout(modes);
  OptionButton* options[] = {&form.optMode1, &form.optMode2, &form.optMode3};
  for (int i = 0; i < 3; ++i) {
    auto* option = new QRadioButton(modes);
    BindOptionButton(*options[i], option);
    mode_grid->addWidget(option, i, 0);
    mode_grid->addWidget(ModePicture(form.mode_pictures[static_cast<size_t>(i)], modes), i, 1);
  }
  mode_grid->setColumnStretch(1, 1);

  grid->addWidget(SliderFrame(form.fraNewsUpdateFrequency, form.sldInfoUpdateFrequency,
                              {&form.lblOneHour, &form.lblTwelveHours}, this),
                  0, 0);
  grid->addWidget(SliderFrame(form.fraItemChangeSpeed, form.sldItemChangeSpeed,
                              {&form.lblOneSecond, &form.lblThirtySeconds}, this),
                  1, 0);
  grid->addWidget(SliderFrame(form.fraScrollSpeed, form.sldScrollSpeed,
                              {&form.lblLudicrous, &form.lblRidiculous, &form.lblLight,
                               &form.lblFast, &form.lblSlow},
                              this),
                  2, 0);
  grid->addWidget(modes, 0, 1, 3, 1);

  auto* apply = new QPushButton(this);
  apply->setDefault(true);
  BindButton(form.cmdApply, apply);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(apply);
  grid->addLayout(buttons, 3, 0, 1, 2);

  new FormView(form, this);
}

}  // namespace vfd::ui

#include "ui/TidesConfigView.h"

#include <QCompleter>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStringListModel>

#include "ui/Binders.h"
#include "ui/FormView.h"

namespace vfd::ui {

TidesConfigView::TidesConfigView(FrmTidesConfig& form, QWidget* parent) : QDialog(parent) {
  setModal(false);
  auto* grid = new QGridLayout(this);
  auto* caption = new QLabel(this);
  auto* location = new QLineEdit(this);
  auto* info = new QLabel(this);
  info->setWordWrap(true);
  auto* frame = new QGroupBox(this);
  auto* slider = new QSlider(Qt::Horizontal, frame);
  slider->setTickPosition(QSlider::TicksBelow);
  auto* low = new QLabel(frame);
  auto* high = new QLabel(frame);
  auto* apply = new QPushButton(this);
  apply->setDefault(true);
  caption->setBuddy(location);

  // The station names follow what is typed; the source answers from its list in memory.
  auto* names = new QStringListModel(this);
  auto* completer = new QCompleter(names, this);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setFilterMode(Qt::MatchContains);
  location->setCompleter(completer);

  BindLabel(form.lblLocation, caption);
  BindTextBox(form.txtLocation, location);
  BindLabel(form.lblTidesInfo, info);
  BindFrame(form.fraUpdateFrequency, frame);
  BindSlider(form.sldUpdateFrequency, slider);
  BindLabel(form.lbl10min, low);
  BindLabel(form.lbl1hr, high);
  BindButton(form.cmdApply, apply);
  QObject::connect(location, &QLineEdit::textEdited, this, [&form, names] {
    QStringList list;
    for (const std::string& name : form.Completions())
      list << FromText(name);
    names->setStringList(list);
  });

  grid->addWidget(caption, 0, 0);
  grid->addWidget(location, 0, 1);
  grid->addWidget(info, 1, 0, 1, 2);
  auto* inner = new QGridLayout(frame);
  inner->addWidget(slider, 0, 0, 1, 2);
  inner->addWidget(low, 1, 0, Qt::AlignLeft);
  inner->addWidget(high, 1, 1, Qt::AlignRight);
  grid->addWidget(frame, 2, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(apply);
  grid->addLayout(buttons, 3, 0, 1, 2);

  new FormView(form, this);
}

}  // namespace vfd::ui

#include "ui/VfdSelectView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "ui/Binders.h"
#include "ui/FormView.h"

namespace vfd::ui {

VfdSelectView::VfdSelectView(FrmVFDSelect& form, QWidget* parent) : QDialog(parent) {
  setModal(false);
  auto* grid = new QGridLayout(this);

  auto* screens = new QListWidget(this);
  auto* models = new QListWidget(this);
  auto* screens_caption = new QLabel(tr("&Screen:"), this);
  auto* models_caption = new QLabel(tr("&Display model:"), this);
  screens_caption->setBuddy(screens);
  models_caption->setBuddy(models);
  // Short geometry entries on the left; the model names, up to some 36 characters, need the room.
  screens->setMaximumWidth(screens->fontMetrics().averageCharWidth() * 10 + 32);
  models->setMinimumWidth(models->fontMetrics().averageCharWidth() * 36 + 32);
  BindListBox(form.lstScreen, screens);
  BindListBox(form.lstVFD, models);

  auto* apply = new QPushButton(this);
  apply->setDefault(true);
  BindButton(form.cmdApply, apply);

  grid->addWidget(screens_caption, 0, 0);
  grid->addWidget(models_caption, 0, 1);
  grid->addWidget(screens, 1, 0);
  grid->addWidget(models, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(apply);
  grid->addLayout(buttons, 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);

  new FormView(form, this);
}

}  // namespace vfd::ui

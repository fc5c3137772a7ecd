#include "ui/ScheduleViews.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/Binders.h"
#include "ui/FormView.h"

namespace vfd::ui {
namespace {

QLabel* Heading(Label& model, QWidget* parent) {
  auto* label = new QLabel(parent);
  BindLabel(model, label);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

void AddApply(Button& model, QGridLayout* grid, int row, int columns, QWidget* parent) {
  auto* apply = new QPushButton(parent);
  apply->setDefault(true);
  BindButton(model, apply);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(apply);
  grid->addLayout(buttons, row, 0, 1, columns);
}

}  // namespace

RotateConfigView::RotateConfigView(FrmRotateConfig& form, QWidget* parent) : QDialog(parent) {
  setModal(false);
  auto* grid = new QGridLayout(this);
  grid->addWidget(Heading(form.lblFunction, this), 0, 0);
  grid->addWidget(Heading(form.lblTime, this), 0, 1);
  int row = 1;
  for (FrmRotateConfig::Row& r : form.rows) {
    auto* label = new QLabel(this);
    auto* box = new QLineEdit(this);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    label->setBuddy(box);
    BindLabel(r.label, label);
    BindTextBox(r.box, box);
    grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1);
    ++row;
  }
  auto* note = new QLabel(this);
  note->setWordWrap(true);
  BindLabel(form.lblNote, note);
  grid->addWidget(note, row++, 0, 1, 2);
  AddApply(form.cmdApply, grid, row, 2, this);
  new FormView(form, this);
}

TimerConfigView::TimerConfigView(FrmTimer& form, QWidget* parent) : QDialog(parent) {
  setModal(false);
  auto* grid = new QGridLayout(this);
  grid->addWidget(Heading(form.lblTime, this), 0, 0);
  grid->addWidget(Heading(form.lblFunction, this), 0, 1);
  for (size_t k = 0; k < form.txtTime.size(); ++k) {
    auto* box = new QLineEdit(this);
    auto* list = new QComboBox(this);
    BindTextBox(form.txtTime[k], box);
    BindComboBox(form.cboFunction[k], list);
    const int row = static_cast<int>(k) + 1;
    grid->addWidget(box, row, 0);
    grid->addWidget(list, row, 1);
  }
  AddApply(form.cmdApply, grid, static_cast<int>(form.txtTime.size()) + 1, 2, this);
  new FormView(form, this);
}

}  // namespace vfd::ui

#include "ui/CountdownView.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "ui/Binders.h"
#include "ui/FormView.h"

namespace vfd::ui {

CountdownView::CountdownView(FrmCountdown& form, QWidget* parent) : QDialog(parent) {
  setModal(false);
  auto* grid = new QGridLayout(this);
  auto* caption = new QLabel(this);
  auto* event = new QLineEdit(this);
  auto* calendar = new QCalendarWidget(this);
  auto* apply = new QPushButton(this);
  apply->setDefault(true);
  calendar->setGridVisible(true);
  caption->setBuddy(event);
  BindLabel(form.lblEvent, caption);
  BindTextBox(form.txtEvent, event);
  BindCalendar(form.Calendar, calendar);
  BindButton(form.cmdApply, apply);

  grid->addWidget(caption, 0, 0);
  grid->addWidget(event, 0, 1);
  grid->addWidget(calendar, 1, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(apply);
  grid->addLayout(buttons, 2, 0, 1, 2);

  new FormView(form, this);
  // Opening the dialog shows the stored date's month, wherever the user browsed to last time.
  QPointer<QCalendarWidget> weak(calendar);
  form.shown.Connect([&form, weak] {
    if (weak) weak->setCurrentPage(form.Calendar.Year(), form.Calendar.Month());
  });
}

}  // namespace vfd::ui

#include "ui/WeatherConfigView.h"

#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Binders.h"
#include "ui/FormView.h"

namespace vfd::ui {
namespace {

// One line's frame: the four labels and item lists in columns under their headings.
QGroupBox* LineFrame(FrmWeatherConfig& form, Frame& frame, const std::array<TextBox*, 8>& boxes,
                     const std::array<ListBox*, 8>& lists, size_t first, QWidget* parent) {
  auto* group = new QGroupBox(parent);
  BindFrame(frame, group);
  auto* grid = new QGridLayout(group);
  for (size_t i = 0; i < 4; ++i) {
    const int column = static_cast<int>(i);
    auto* label_heading = new QLabel(group);
    auto* box = new QLineEdit(group);
    auto* variable_heading = new QLabel(group);
    auto* list = new QComboBox(group);
    list->setMinimumContentsLength(9);
    list->setMaxVisibleItems(16);
    label_heading->setBuddy(box);
    variable_heading->setBuddy(list);
    BindLabel(form.lblLabel[i], label_heading);
    BindTextBox(*boxes[first + i], box);
    BindLabel(form.lblVariable[i], variable_heading);
    BindListBox(*lists[first + i], list);
    grid->addWidget(label_heading, 0, column);
    grid->addWidget(box, 1, column);
    grid->addWidget(variable_heading, 2, column);
    grid->addWidget(list, 3, column);
  }
  return group;
}

}  // namespace

WeatherConfigView::WeatherConfigView(FrmWeatherConfig& form, QWidget* parent) : QDialog(parent) {
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  // The location first.
  auto* zip_row = new QHBoxLayout;
  auto* zip_label = new QLabel(this);
  auto* zip = new QLineEdit(this);
  zip_label->setBuddy(zip);
  BindLabel(form.lblZip, zip_label);
  BindTextBox(form.txtZip, zip);
  zip_row->addWidget(zip_label);
  zip_row->addWidget(zip, 1);
  layout->addLayout(zip_row);
  const std::array<TextBox*, 8> boxes = form.LabelBoxes();
  const std::array<ListBox*, 8> lists = form.ItemLists();
  layout->addWidget(LineFrame(form, form.fraLine1, boxes, lists, 0, this));
  layout->addWidget(LineFrame(form, form.fraLine2, boxes, lists, 4, this));

  // The preview in a fixed-pitch face, so that its 40 columns line up as on the display.
  QFont fixed(QStringLiteral("Courier New"));
  fixed.setStyleHint(QFont::Monospace);
  fixed.setFixedPitch(true);
  for (Label* model : {&form.lblLine1, &form.lblLine2}) {
    auto* preview = new QLabel(this);
    preview->setFont(fixed);
    BindLabel(*model, preview, LabelText::kDisplayCodes);
    layout->addWidget(preview);
  }

  auto* apply = new QPushButton(this);
  auto* cancel = new QPushButton(this);
  apply->setDefault(true);
  BindButton(form.cmdApply, apply);
  BindButton(form.cmdCancel, cancel);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(apply);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  new FormView(form, this);
}

}  // namespace vfd::ui

#include "ui/SlotGridView.h"

#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/Binders.h"

namespace vfd::ui {
namespace {

QGroupBox* LineFrame(SlotGridForm& form, Frame& frame, size_t first, int list_chars,
                     int visible_items, QWidget* parent) {
  const std::array<TextBox*, 8> boxes = form.LabelBoxes();
  const std::array<ListBox*, 8> lists = form.VariableLists();
  auto* group = new QGroupBox(parent);
  BindFrame(frame, group);
  auto* grid = new QGridLayout(group);
  for (size_t i = 0; i < 4; ++i) {
    const int column = static_cast<int>(i);
    auto* label_heading = new QLabel(group);
    auto* box = new QLineEdit(group);
    auto* variable_heading = new QLabel(group);
    auto* list = new QComboBox(group);
    list->setMinimumContentsLength(list_chars);
    list->setMaxVisibleItems(visible_items);
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

void AddSlotGrid(SlotGridForm& form, QWidget* dialog, QVBoxLayout* layout, int list_chars,
                 int visible_items) {
  layout->addWidget(LineFrame(form, form.fraLine1, 0, list_chars, visible_items, dialog));
  layout->addWidget(LineFrame(form, form.fraLine2, 4, list_chars, visible_items, dialog));

  // The preview in a fixed-pitch face, so that its 40 columns line up as on the display.
  QFont fixed(QStringLiteral("Courier New"));
  fixed.setStyleHint(QFont::Monospace);
  fixed.setFixedPitch(true);
  for (Label* model : {&form.lblLine1, &form.lblLine2}) {
    auto* preview = new QLabel(dialog);
    preview->setFont(fixed);
    BindLabel(*model, preview, [&form]() -> const CharacterSet& { return form.PreviewCharset(); });
    layout->addWidget(preview);
  }

  auto* apply = new QPushButton(dialog);
  auto* cancel = new QPushButton(dialog);
  apply->setDefault(true);
  BindButton(form.cmdApply, apply);
  BindButton(form.cmdCancel, cancel);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(apply);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
}

}  // namespace vfd::ui

#pragma once

#include <QVBoxLayout>
#include <QWidget>

#include "sources/SlotGridForm.h"

namespace vfd::ui {

// The widgets of an eight-slot settings dialog, added to `layout` of `dialog`: the two line
// frames (labels and variable lists in columns under their headings), the fixed-pitch preview,
// and Apply and Cancel. `list_chars` is how many characters a list's entry needs.
void AddSlotGrid(SlotGridForm& form, QWidget* dialog, QVBoxLayout* layout, int list_chars,
                 int visible_items);

}  // namespace vfd::ui

#include "ui/MbmConfigView.h"

#include <QVBoxLayout>

#include "ui/FormView.h"
#include "ui/SlotGridView.h"

namespace vfd::ui {

MbmConfigView::MbmConfigView(FrmMBMConfig& form, QWidget* parent) : QDialog(parent) {
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  // The list is as wide as a sensor's entry ("01 " and twelve characters) needs.
  AddSlotGrid(form, this, layout, 15, 20);

  new FormView(form, this);
}

}  // namespace vfd::ui

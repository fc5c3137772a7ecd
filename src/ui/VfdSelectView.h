#pragma once

#include <QDialog>

#include "display/VfdSelect.h"

namespace vfd::ui {

// The model selection dialog: the screen geometries, the models of the chosen geometry, Apply.
// Modeless; it appears when the form model is shown.
class VfdSelectView : public QDialog {
 public:
  explicit VfdSelectView(FrmVFDSelect& form, QWidget* parent = nullptr);
};

}  // namespace vfd::ui

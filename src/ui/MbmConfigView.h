#pragma once

#include <QDialog>

#include "sources/MotherboardMonitor.h"

namespace vfd::ui {

// The hardware monitor's settings: a label and a sensor for each of the four values of each line,
// a live preview of the two lines, then Apply or Cancel.
class MbmConfigView : public QDialog {
 public:
  explicit MbmConfigView(FrmMBMConfig& form, QWidget* parent = nullptr);
};

}  // namespace vfd::ui

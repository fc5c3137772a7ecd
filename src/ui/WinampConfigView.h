#pragma once

#include <QDialog>

#include "sources/WinampConfig.h"

namespace vfd::ui {

// The now-playing function's settings: the layout (each option beside a picture of it), the
// title and time styles, the alternate function and the title's scroll speed, then Apply.
class WinampConfigView : public QDialog {
 public:
  explicit WinampConfigView(FrmWinampConfig& form, QWidget* parent = nullptr);
};

}  // namespace vfd::ui

#pragma once

#include <QDialog>

#include "sources/Tides.h"

namespace vfd::ui {

// The tides settings: the place (completed from the station names as it is typed) and the
// refetch period on a slider, then Apply.
class TidesConfigView : public QDialog {
 public:
  explicit TidesConfigView(FrmTidesConfig& form, QWidget* parent = nullptr);
};

}  // namespace vfd::ui

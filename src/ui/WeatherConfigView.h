#pragma once

#include <QDialog>

#include "sources/Weather.h"

namespace vfd::ui {

// The weather's settings: the location, then each line's four labels and items, the live
// preview of both lines, Apply and Cancel.
class WeatherConfigView : public QDialog {
 public:
  explicit WeatherConfigView(FrmWeatherConfig& form, QWidget* parent = nullptr);
};

}  // namespace vfd::ui

#pragma once

#include <QDialog>

#include "sources/News.h"

namespace vfd::ui {

// A headline function's settings: how often the feed is fetched, how fast items change, how
// fast the line scrolls, and the three layouts, each option beside a picture of it.
class NewsConfigView : public QDialog {
 public:
  explicit NewsConfigView(FrmNewsConfig& form, QWidget* parent = nullptr);
};

}  // namespace vfd::ui

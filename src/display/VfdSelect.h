#pragma once

#include "core/Controls.h"
#include "core/Form.h"
#include "display/DisplayLink.h"

namespace vfd {

// The model selection dialog: a geometry, then a model of that geometry, then Apply.
class FrmVFDSelect : public Form {
 public:
  explicit FrmVFDSelect(DisplayLink& link);

  ListBox lstScreen{"lstScreen"};
  ListBox lstVFD{"lstVFD"};
  Button cmdApply{"cmdApply", "Apply"};

 protected:
  void OnLoad() override;
  void OnUnload() override;

 private:
  void ScreenSelected();
  void Apply();

  DisplayLink& link_;
};

}  // namespace vfd

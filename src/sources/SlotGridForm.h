#pragma once

#include <array>

#include "core/Controls.h"
#include "core/Form.h"
#include "core/Timer.h"
#include "display/CharacterSet.h"

namespace vfd {

// The settings dialog of a function that shows eight slots, four per line, each a label the
// user types and a variable chosen from a list (the hardware monitor and the weather): the two
// line frames, the column headings, the 40-column preview with its 100 ms update, Apply and
// Cancel. The dialog that derives fills the lists and says what the update and Cancel do.
class SlotGridForm : public Form {
 public:
  // The preview's design text: a ruler of the 40 columns it shows.
  static constexpr const char* kRuler = "0123456789012345678901234567890123456789";

  Frame fraLine1{"fraLine1", "Line 1"};
  TextBox txtLine1Label1{"txtLine1Label1", ""};
  TextBox txtLine1Label2{"txtLine1Label2", ""};
  TextBox txtLine1Label3{"txtLine1Label3", ""};
  TextBox txtLine1Label4{"txtLine1Label4", ""};
  ListBox cboLine1Variable1{"cboLine1Variable1"};
  ListBox cboLine1Variable2{"cboLine1Variable2"};
  ListBox cboLine1Variable3{"cboLine1Variable3"};
  ListBox cboLine1Variable4{"cboLine1Variable4"};
  Frame fraLine2{"fraLine2", "Line 2"};
  TextBox txtLine2Label1{"txtLine2Label1", ""};
  TextBox txtLine2Label2{"txtLine2Label2", ""};
  TextBox txtLine2Label3{"txtLine2Label3", ""};
  TextBox txtLine2Label4{"txtLine2Label4", ""};
  ListBox cboLine2Variable1{"cboLine2Variable1"};
  ListBox cboLine2Variable2{"cboLine2Variable2"};
  ListBox cboLine2Variable3{"cboLine2Variable3"};
  ListBox cboLine2Variable4{"cboLine2Variable4"};
  // The column headings, the same in both frames.
  std::array<Label, 4> lblLabel{{{"lblLabel1", "Label 1"},
                                 {"lblLabel2", "Label 2"},
                                 {"lblLabel3", "Label 3"},
                                 {"lblLabel4", "Label 4"}}};
  std::array<Label, 4> lblVariable{{{"lblVariable1", "Variable 1"},
                                    {"lblVariable2", "Variable 2"},
                                    {"lblVariable3", "Variable 3"},
                                    {"lblVariable4", "Variable 4"}}};
  Label lblLine1{"lblLine1", kRuler};
  Label lblLine2{"lblLine2", kRuler};
  Timer tmrUpdate{"tmrUpdate", 100};
  Button cmdApply{"cmdApply", "Apply"};
  Button cmdCancel{"cmdCancel", "Cancel"};

  // The preview lines hold display codes; this is the set they are drawn with.
  virtual const CharacterSet& PreviewCharset() = 0;

  // Slot k's controls at index k - 1.
  std::array<TextBox*, 8> LabelBoxes() {
    return {&txtLine1Label1, &txtLine1Label2, &txtLine1Label3, &txtLine1Label4,
            &txtLine2Label1, &txtLine2Label2, &txtLine2Label3, &txtLine2Label4};
  }
  std::array<ListBox*, 8> VariableLists() {
    return {&cboLine1Variable1, &cboLine1Variable2, &cboLine1Variable3, &cboLine1Variable4,
            &cboLine2Variable1, &cboLine2Variable2, &cboLine2Variable3, &cboLine2Variable4};
  }

 protected:
  SlotGridForm(std::string name, std::string caption, TimerHost& timers)
      : Form(std::move(name), std::move(caption)) {
    tmrUpdate.AttachHost(&timers);
    tmrUpdate.on_tick = [this] { Update(); };
    cmdApply.on_click = [this] { Unload(); };
    cmdCancel.on_click = [this] { Cancel(); };
  }
  // The preview's tick, and what Cancel restores before the dialog closes.
  virtual void Update() = 0;
  virtual void Cancel() = 0;
};

}  // namespace vfd

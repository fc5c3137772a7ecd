#pragma once

#include <array>
#include <initializer_list>

#include "core/Controls.h"
#include "core/Form.h"

namespace vfd {

class Winamp;

// The now-playing function's settings dialog. Every choice takes effect at once; Apply reads all
// controls again, stores them and closes. There is no Cancel.
class FrmWinampConfig : public Form {
 public:
  explicit FrmWinampConfig(Winamp& winamp);

  // What each layout shows, as the pictures beside the mode options draw it: top line, bottom
  // line.
  static constexpr std::array<std::array<const char*, 2>, 3> kModePictures{{
      {"Title", "| Time |     | Track # |"},
      {"Title", "| Progress Bar |     | Track # |"},
      {"Clock", "Title"},
  }};
  // The slider's end and tick positions, with the labels under them, left to right.
  static constexpr std::array<int, 5> kSpeedTicks{73, 138, 203, 268, 333};

  Frame fraDisplayMode{"fraDisplayMode", "Display Mode"};
  OptionButton optMode1{"optMode1", ""};
  OptionButton optMode2{"optMode2", ""};
  OptionButton optMode3{"optMode3", ""};
  Frame fraTitleMode{"fraTitleMode", "Title Display Mode"};
  OptionButton optScrolling{"optScrolling", "Scrolling"};
  OptionButton optFixed{"optFixed", "Fixed"};
  Frame fraTime{"fraTime", "Time Display Mode"};
  OptionButton optElapsed{"optElapsed", "Elapsed"};
  OptionButton optRemaining{"optRemaining", "Remaining"};
  Frame fraAltFunction{"fraAltFunction", "Alternate Function"};
  CheckBox chkSwitchStop{"chkSwitchStop", "Switch When Stopped"};
  ListBox cboAltFunction{"cboAltFunction"};
  Frame fraWinampSpeed{"fraWinampSpeed", "Title Scroll Speed"};
  Slider sldWinamp{"sldWinamp", 73, 333};
  Label lblLudicrous{"lblLudicrous", "Ludicrous"};
  Label lblRidiculous{"lblRidiculous", "Ridiculous"};
  Label lblLight{"lblLight", "Light"};
  Label lblFast{"lblFast", "Fast"};
  Label lblSlow{"lblSlow", "Slow"};
  Button cmdApply{"cmdApply", "Apply"};

 protected:
  void OnLoad() override;

 private:
  // Selecting an option clears the others of its frame.
  static void Deselect(std::initializer_list<OptionButton*> others);
  void EnableTime(bool enabled);
  void EnableSpeed(bool enabled);
  void Apply();

  Winamp& winamp_;
};

}  // namespace vfd

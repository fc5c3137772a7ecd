#include "sources/WinampConfig.h"

#include "sources/Winamp.h"

namespace vfd {
namespace {

// The alternate functions in the order the list offers them.
constexpr int16_t kListedCodes[] = {4, 1, 10, 2, 3, 6, 12, 13, 14, 15, 17};

}  // namespace

FrmWinampConfig::FrmWinampConfig(Winamp& winamp)
    : Form("frmWinampConfig", "VFD Vorlinx - Winamp Config"), winamp_(winamp) {
  sldWinamp.SetSteps(5, 65, 65);
  optMode1.on_click = [this] {
    Deselect({&optMode2, &optMode3});
    winamp_.mode = 1;
    EnableTime(true);
  };
  optMode2.on_click = [this] {
    Deselect({&optMode1, &optMode3});
    winamp_.mode = 2;
    EnableTime(false);
  };
  optMode3.on_click = [this] {
    Deselect({&optMode1, &optMode2});
    winamp_.mode = 3;
    // Only the four-row screen shows a time in this layout.
    EnableTime(winamp_.display().screen_type == kScreen4x20);
  };
  optScrolling.on_click = [this] {
    Deselect({&optFixed});
    winamp_.title_style = "Scroll";
    EnableSpeed(true);
    winamp_.timer().SetInterval(sldWinamp.Value());
    winamp_.scroll_interval = static_cast<int16_t>(sldWinamp.Value());
  };
  optFixed.on_click = [this] {
    Deselect({&optScrolling});
    winamp_.title_style = "Fixed";
    EnableSpeed(false);
    winamp_.timer().SetInterval(1000);
    winamp_.scroll_interval = static_cast<int16_t>(sldWinamp.Value());
  };
  optElapsed.on_click = [this] {
    Deselect({&optRemaining});
    winamp_.time_style = "Elapsed";
  };
  optRemaining.on_click = [this] {
    Deselect({&optElapsed});
    winamp_.time_style = "Remaining";
  };
  chkSwitchStop.on_click = [this] { winamp_.switch_when_stopped = chkSwitchStop.Checked(); };
  cboAltFunction.on_select = [this] {
    if (int16_t code = Winamp::AltFunctionCode(cboAltFunction.Text()); code >= 0)
      winamp_.alt_function = code;
  };
  sldWinamp.on_change = [this] {
    winamp_.timer().SetInterval(sldWinamp.Value());
    winamp_.scroll_interval = static_cast<int16_t>(sldWinamp.Value());
  };
  cmdApply.on_click = [this] { Apply(); };
}

void FrmWinampConfig::Deselect(std::initializer_list<OptionButton*> others) {
  for (OptionButton* other : others)
    other->SetValue(false);
}

void FrmWinampConfig::EnableTime(bool enabled) {
  fraTime.SetEnabled(enabled);
  optElapsed.SetEnabled(enabled);
  optRemaining.SetEnabled(enabled);
}

void FrmWinampConfig::EnableSpeed(bool enabled) {
  sldWinamp.SetEnabled(enabled);
  fraWinampSpeed.SetEnabled(enabled);
}

void FrmWinampConfig::OnLoad() {
  cboAltFunction.Clear();
  for (int16_t code : kListedCodes)
    cboAltFunction.AddItem(Winamp::AltFunctionName(code));
  cboAltFunction.SetListIndex(cboAltFunction.Find(Winamp::AltFunctionName(winamp_.alt_function)));
  sldWinamp.SetValue(winamp_.scroll_interval);
  // Each selection runs its option's effect, so the dialog opens consistent with itself.
  if (winamp_.title_style == "Fixed")
    optFixed.SetValue(true);
  else
    optScrolling.SetValue(true);
  if (winamp_.mode == 2)
    optMode2.SetValue(true);
  else if (winamp_.mode == 3)
    optMode3.SetValue(true);
  else
    optMode1.SetValue(true);
  if (winamp_.time_style == "Remaining")
    optRemaining.SetValue(true);
  else
    optElapsed.SetValue(true);
  chkSwitchStop.SetChecked(winamp_.switch_when_stopped);
}

void FrmWinampConfig::Apply() {
  const auto speed = static_cast<int16_t>(sldWinamp.Value());
  if (optFixed.Value()) {
    winamp_.title_style = "Fixed";
    winamp_.timer().SetInterval(1000);
  } else {
    winamp_.title_style = "Scroll";
    winamp_.timer().SetInterval(speed);
  }
  winamp_.scroll_interval = speed;
  winamp_.mode = optMode2.Value() ? 2 : optMode3.Value() ? 3 : 1;
  winamp_.time_style = optRemaining.Value() ? "Remaining" : "Elapsed";
  // A code the list does not name (the code cracker's, say) stays as it was.
  if (int16_t code = Winamp::AltFunctionCode(cboAltFunction.Text()); code >= 0)
    winamp_.alt_function = code;
  winamp_.switch_when_stopped = chkSwitchStop.Checked();
  Unload();
}

}  // namespace vfd

#include "shell/FrmMain.h"

namespace vfd {

FrmMain::FrmMain() : Form("frmMain", "VFD Vorlinx") {
  // The file controls show only while the message comes from a file.
  cmdCustomTextFile.SetVisible(false);
  txtFile.SetVisible(false);
}

void FrmMain::SetWindowState(int state) {
  if (window_state_ == state) return;
  window_state_ = state;
  changed.Emit();
}

std::array<Timer*, 12> FrmMain::FunctionTimers() {
  return {&Timer1,  &Timer2,  &Timer3,  &Timer4,  &Timer6,  &Timer10,
          &Timer12, &Timer13, &Timer14, &Timer15, &Timer16, &Timer17};
}

std::array<Timer*, 22> FrmMain::AllTimers() {
  return {&Timer1,  &Timer2,  &Timer3,     &Timer4,  &Timer5,  &Timer6,  &Timer7,  &Timer8,
          &Timer9,  &Timer10, &Timer11,    &Timer12, &Timer13, &Timer14, &Timer15, &Timer16,
          &Timer17, &Timer18, &tmrWeather, &tmrTide, &tmrHN,   &tmrSN};
}

}  // namespace vfd

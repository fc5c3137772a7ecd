#include "shell/FrmMain.h"

namespace vfd {

FrmMain::FrmMain() : Form("frmMain", "VFD Vorlinx") {
  // The file controls show only while the message comes from a file.
  cmdCustomTextFile.SetVisible(false);
  txtFile.SetVisible(false);

  // What each function shows, in one line; the buttons' captions stay the short names.
  cmdTicker.SetToolTip("Scrolls your message across the display");
  cmdMatrix.SetToolTip("Streams of katakana sliding down or across the display");
  cmdClock.SetToolTip("The time and the date");
  cmdWinamp.SetToolTip("The playing track: title, time, bit rate and progress");
  cmdMBM.SetToolTip("Hardware sensor readings: temperatures, fans, voltages");
  cmdVertScroll.SetToolTip("Your message, scrolled up line by line");
  cmdTides.SetToolTip("Today's high and low tides for your place");
  cmdHardNews.SetToolTip("Headlines from [H]ard|News");
  cmdShacknews.SetToolTip("Headlines from Shacknews");
  cmdCount.SetToolTip("Years, months and days until your event");
  cmdCodeCrack.SetToolTip("Reveals your message as if cracking a code");
  cmdWeather.SetToolTip("The weather for your place");
  cmdLcdproc.SetToolTip("Screens of LCDproc clients: lcdproc, lcdexec and other programs");
  cmdRotate.SetToolTip("Shows the functions one after another, each for its own time");
  cmdSleepTimer.SetToolTip("Switches functions or sleeps the display at set times of day");

  // Eight buttons read "Config"; each names the dialog it opens.
  cmdSleepTimerConfig.SetToolTip("AutoTimer settings: the times and what each does");
  cmdCountConfig.SetToolTip("Countdown settings: the event and its date");
  cmdWinampConfig.SetToolTip("Winamp settings: what the track display shows");
  cmdMBMConfig.SetToolTip("MB Monitor settings: which sensor readings show");
  cmdWeatherConfig.SetToolTip("Weather settings: the place and what shows");
  cmdTideConfig.SetToolTip("Tides settings: the place");
  cmdHardNewsConfig.SetToolTip("[H]ard|News settings: how often and how fast the headlines change");
  cmdShacknewsConfig.SetToolTip("Shacknews settings: how often and how fast the headlines change");
  cmdSetRotate.SetToolTip("Rotation settings: how long each function shows");
}

void FrmMain::SetWindowState(int state) {
  if (window_state_ == state) return;
  window_state_ = state;
  changed.Emit();
}

std::array<Timer*, 13> FrmMain::FunctionTimers() {
  return {&Timer1,  &Timer2,  &Timer3,  &Timer4,  &Timer6,  &Timer10, &Timer12,
          &Timer13, &Timer14, &Timer15, &Timer16, &Timer17, &Timer19};
}

std::array<Timer*, 23> FrmMain::AllTimers() {
  return {&Timer1,  &Timer2,  &Timer3,  &Timer4,     &Timer5,  &Timer6,  &Timer7,  &Timer8,
          &Timer9,  &Timer10, &Timer11, &Timer12,    &Timer13, &Timer14, &Timer15, &Timer16,
          &Timer17, &Timer18, &Timer19, &tmrWeather, &tmrTide, &tmrHN,   &tmrSN};
}

}  // namespace vfd

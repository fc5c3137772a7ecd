#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Clock.h"
#include "core/Version.h"

namespace vfd {

inline constexpr const char* kSettingsFileName = "vfdsettings.txt";

// Everything the program keeps between runs: exactly 100 values whose meaning is their
// position in the file. The defaults are those of a freshly written file.
struct Settings {
  std::string SettingsVersion = kProgramVersion;
  std::string ComPort;
  std::string ComSpeed;
  int16_t ParallelPortBase = 0;
  int16_t DisplayModelCode = 0;
  int16_t ScreenTypeCode = 1;
  int16_t MainWindowState = 0;
  std::string UpdateCheckCaption = "Auto Update Check is Currently: ENABLED";
  std::string MatrixDirection = "Across";
  int16_t WinampMode = 1;
  int16_t WinampAltFunction = 3;
  bool WinampSwitchWhenStopped = true;
  std::string WinampTitleStyle = "Fixed";
  std::string WinampTimeStyle = "Elapsed";
  std::string ClockModeCaption = "Default";
  std::string LiquifyCaption = "Liquify";
  std::string ExitSleepCaption = "Sleep on Exit";
  std::string CrackOnLoadCaption = "Crack Code on Load";
  std::string KnightriderCaption = "Knightrider";
  std::string GlowCaption = "Glow";
  std::string AutoTimerCaption = "AutoTimer Off";
  int16_t WinampScrollInterval = 203;
  std::string MessageText = "THIS CODE IS CRACKED";
  std::string StartFunctionCode = "3";
  int16_t BrightnessLevel = 7;
  std::array<std::string, 8> MbmSensor = {"00 None", "00 None", "00 None", "00 None",
                                          "00 None", "00 None", "00 None", "00 None"};
  std::array<std::string, 8> MbmLabel = {"CPU: ",  "C Core: +", "V", "",
                                         "Case: ", "C +5v: +",  "V", ""};
  std::array<int16_t, 12> RotationTimes = {10000, 7000, 7000, 7000, 7000, 7000,
                                           7000,  7000, 7000, 7000, 7000, 7000};
  std::string TideLocation = "Northport";
  int16_t TideRefreshTicks = 60;
  int16_t HardNewsRefreshTicks = 240;
  int16_t HardNewsMode = 2;
  int16_t HardNewsScrollInterval = 203;
  int16_t HardNewsItemChangeSpeed = 10;
  int16_t ShackNewsRefreshTicks = 240;
  int16_t ShackNewsMode = 2;
  int16_t ShackNewsScrollInterval = 203;
  int16_t ShackNewsItemChangeSpeed = 10;
  std::string CountdownEvent = "Christmas";
  int16_t CountdownYear = 2003;
  int16_t CountdownMonth = 12;
  int16_t CountdownDay = 25;
  std::string WeatherLocation = "11725";
  std::array<std::string, 8> WeatherField = {"Clock",     "Temp (F)", "High (F)", "Low (F)",
                                             "Condition", "Wind",     "None",     "None"};
  std::array<std::string, 8> WeatherLabel = {
      "", "  Temp: ", " High: ", " Low: ", "", ", Winds ", "", ""};
  std::array<TimeOfDay, 8> AutoTimerTimes = {TimeOfDay{23, 0, 0}, TimeOfDay{7, 0, 0}};
  std::array<int16_t, 8> AutoTimerFunctions = {5, 17, 0, 0, 0, 0, 0, 0};
};

// The file's text: one value per line, CR LF line ends, texts quoted, times and truth values
// between '#'. Texts are UTF-8 in memory and Windows-1252 in the file; a character that code
// page lacks is stored as a numeric reference ("&#1052;"). A double quote inside a text would end
// the value early and shift every later one, so it is written as a single quote; a line break
// inside a text is written as a blank.
std::string FormatSettings(const Settings& settings);

struct SettingsParse {
  bool ok = false;
  Settings settings;
  // When not ok: the 1-based number of the value that could not be read, and why.
  int field = 0;
  std::string error;
};

// Reads all 100 values in order. Fails on a file that ends early or on a value that cannot be
// read as its type. The version is read like any other text; whether it is the right one is
// the caller's business.
SettingsParse ParseSettings(std::string_view content);

// The number a text starts with, leading blanks skipped; 0 when it starts with none. Values
// beyond the 16-bit range are held at its ends.
int16_t LeadingNumber(std::string_view text);

// The first value of the file (the version that wrote it), or empty when there is none.
std::string ReadSettingsVersion(std::string_view content);

}  // namespace vfd

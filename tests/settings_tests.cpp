// The settings file: its exact text, reading every kind of value back, and the paths that
// replace a file with defaults.
#include <gtest/gtest.h>

#include "core/Charset.h"
#include "shell/SettingsFile.h"
#include "support/Fakes.h"

namespace vfd {
namespace {

using testing::MemoryFiles;

// The 100 lines of a fresh file.
const char* const kDefaultLines[] = {
    "\"3.10\"", "\"\"", "\"\"", "0", "0", "1", "0", "\"Auto Update Check is Currently: ENABLED\"",
    "\"Across\"", "1", "3", "#TRUE#", "\"Fixed\"", "\"Elapsed\"", "\"Default\"", "\"Liquify\"",
    "\"Sleep on Exit\"", "\"Crack Code on Load\"", "\"Knightrider\"", "\"Glow\"",
    "\"AutoTimer Off\"", "203", "\"THIS CODE IS CRACKED\"", "\"3\"", "7",
    // Motherboard Monitor sensors and labels
    "\"00 None\"", "\"00 None\"", "\"00 None\"", "\"00 None\"", "\"00 None\"", "\"00 None\"",
    "\"00 None\"", "\"00 None\"", "\"CPU: \"", "\"C Core: +\"", "\"V\"", "\"\"", "\"Case: \"",
    "\"C +5v: +\"", "\"V\"", "\"\"",
    // rotation times
    "10000", "7000", "7000", "7000", "7000", "7000", "7000", "7000", "7000", "7000", "7000", "7000",
    // tides and news
    "\"Northport\"", "60", "240", "2", "203", "10", "240", "2", "203", "10",
    // countdown
    "\"Christmas\"", "2003", "12", "25",
    // weather
    "\"11725\"", "\"Clock\"", "\"Temp (F)\"", "\"High (F)\"", "\"Low (F)\"", "\"Condition\"",
    "\"Wind\"", "\"None\"", "\"None\"", "\"\"", "\"  Temp: \"", "\" High: \"", "\" Low: \"", "\"\"",
    "\", Winds \"", "\"\"", "\"\"",
    // AutoTimer
    "#23:00:00#", "#07:00:00#", "#00:00:00#", "#00:00:00#", "#00:00:00#", "#00:00:00#",
    "#00:00:00#", "#00:00:00#", "5", "17", "0", "0", "0", "0", "0", "0"};

std::string DefaultFile() {
  std::string out;
  for (const char* line : kDefaultLines)
    out += std::string(line) + "\r\n";
  return out;
}

TEST(SettingsTest, ADefaultFileIsExactlyTheHundredDefaultLines) {
  static_assert(std::size(kDefaultLines) == 100);
  EXPECT_EQ(FormatSettings(Settings{}), DefaultFile());
}

TEST(SettingsTest, EveryKindOfValueSurvivesARoundTrip) {
  Settings s;
  s.ComPort = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
  s.ComSpeed = " 9600";
  s.ParallelPortBase = 700;
  s.BrightnessLevel = -3;
  s.MainWindowState = 2;
  s.WinampSwitchWhenStopped = false;
  s.MessageText = "  leading blanks, commas, and more, \xC3\xA9\xC2\xB1";  // UTF-8 "é±"
  s.MbmLabel[3] = "   ";
  s.RotationTimes[11] = -32768;
  s.CountdownYear = 32767;
  s.AutoTimerTimes[7] = TimeOfDay{19, 5, 59};
  s.AutoTimerFunctions[2] = 16;
  SettingsParse back = ParseSettings(FormatSettings(s));
  ASSERT_TRUE(back.ok) << back.field << ": " << back.error;
  EXPECT_EQ(FormatSettings(back.settings), FormatSettings(s));
  EXPECT_EQ(back.settings.MessageText, s.MessageText);
  // On disk the texts are in the system code page, as the file has always been.
  EXPECT_NE(FormatSettings(s).find("more, \xE9\xB1\""), std::string::npos);
  EXPECT_EQ(back.settings.MbmLabel[3], "   ");
  EXPECT_EQ(back.settings.AutoTimerTimes[7], (TimeOfDay{19, 5, 59}));
  EXPECT_FALSE(back.settings.WinampSwitchWhenStopped);
}

TEST(SettingsTest, TextsTheCodePageLacksComeBackWholeAndTheFileStaysSingleBytes) {
  Settings s;
  s.MessageText = "Кино & Co. カラオケ 😀 Grüße";
  s.CountdownEvent = "literally &#38; and &#x41; and &#";
  const std::string file = FormatSettings(s);
  EXPECT_NE(file.find("\"&#1050;&#1080;&#1085;&#1086; & Co. &#12459;"), std::string::npos);
  EXPECT_NE(file.find("&#128512; Gr\xFC\xDF"
                      "e\""),
            std::string::npos);
  for (char c : file)
    EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80 || c == '\xFC' || c == '\xDF');
  const SettingsParse back = ParseSettings(file);
  ASSERT_TRUE(back.ok) << back.error;
  EXPECT_EQ(back.settings.MessageText, s.MessageText);
  EXPECT_EQ(back.settings.CountdownEvent, s.CountdownEvent);
  // The same file saved by an editor as UTF-8, with a byte-order mark, reads the same.
  const SettingsParse edited = ParseSettings("\xEF\xBB\xBF" + Cp1252ToUtf8(file));
  ASSERT_TRUE(edited.ok) << edited.error;
  EXPECT_EQ(edited.settings.MessageText, s.MessageText);
}

TEST(SettingsTest, ATextWhoseCodePageBytesLookLikeUtf8ComesBackUnchanged) {
  // "Ã©" is C3 A9 in the code page, which is also "é" in UTF-8: a file of such bytes would be
  // taken for one an editor saved as UTF-8 and come back changed.
  Settings s;
  s.TideLocation =
      "Montr\xC3\x83\xC2\xA9"
      "al";
  s.MessageText = "Gr\xC3\xBC\xC3\x9F";
  const std::string file = FormatSettings(s);
  const SettingsParse back = ParseSettings(file);
  ASSERT_TRUE(back.ok) << back.error;
  EXPECT_EQ(back.settings.TideLocation, s.TideLocation);
  EXPECT_EQ(back.settings.MessageText, s.MessageText);
  EXPECT_EQ(FormatSettings(back.settings), file);
}

TEST(SettingsTest, ADoubleQuoteOrLineBreakInATextCannotShiftTheLaterValues) {
  Settings s;
  s.MessageText = "say \"hi\"\r\nthere";
  s.CountdownEvent = "\"";
  std::string text = FormatSettings(s);
  SettingsParse back = ParseSettings(text);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.settings.MessageText, "say 'hi'  there");
  EXPECT_EQ(back.settings.CountdownEvent, "'");
  EXPECT_EQ(back.settings.CountdownYear, 2003);
}

TEST(SettingsTest, ReadingFollowsTheFieldRulesOfTheFormat) {
  std::string text = DefaultFile();
  // Fields may also stand several to a line, separated by commas; unquoted texts lose their
  // surrounding blanks; the window state is read as text.
  text.replace(text.find("0\r\n0\r\n1\r\n0\r\n"), 12, "  888 , 2,1\r\n\"1\"\r\n");
  text.replace(text.find("\"Northport\""), 11, "  Stony Brook  ");
  SettingsParse back = ParseSettings(text);
  ASSERT_TRUE(back.ok) << back.field << ": " << back.error;
  EXPECT_EQ(back.settings.ParallelPortBase, 888);
  EXPECT_EQ(back.settings.DisplayModelCode, 2);
  EXPECT_EQ(back.settings.ScreenTypeCode, 1);
  EXPECT_EQ(back.settings.MainWindowState, 1);
  EXPECT_EQ(back.settings.TideLocation, "Stony Brook");
}

TEST(SettingsTest, BrokenValuesAndShortFilesAreFound) {
  std::string text = DefaultFile();
  EXPECT_FALSE(ParseSettings(text.substr(0, text.size() - 3)).ok);  // the last value missing
  SettingsParse shortened = ParseSettings(text.substr(0, text.find("#23:00:00#")));
  EXPECT_FALSE(shortened.ok);
  EXPECT_EQ(shortened.field, 85);
  std::string bad_int = text;
  bad_int.replace(bad_int.find("203"), 3, "2o3");
  EXPECT_EQ(ParseSettings(bad_int).field, 22);
  std::string too_big = text;
  too_big.replace(too_big.find("10000"), 5, "40000");
  EXPECT_EQ(ParseSettings(too_big).field, 42);
  std::string bad_bool = text;
  bad_bool.replace(bad_bool.find("#TRUE#"), 6, "#YES#");
  EXPECT_EQ(ParseSettings(bad_bool).field, 12);
  std::string bad_time = text;
  bad_time.replace(bad_time.find("#07:00:00#"), 10, "#7:00 AM#");
  EXPECT_EQ(ParseSettings(bad_time).field, 86);
}

TEST(SettingsFileTest, AMissingOrEmptyFileBecomesTheDefaultFile) {
  MemoryFiles files;
  OpenedSettings opened = OpenSettingsFile(files, "vfdsettings.txt");
  EXPECT_EQ(files.files.at("vfdsettings.txt"), DefaultFile());
  EXPECT_EQ(opened.status, "");
  EXPECT_EQ(opened.settings.StartFunctionCode, "3");
  files.files["vfdsettings.txt"] = "";
  OpenSettingsFile(files, "vfdsettings.txt");
  EXPECT_EQ(files.files.at("vfdsettings.txt"), DefaultFile());
}

TEST(SettingsFileTest, EveryFileThatIsReplacedIsKeptFirstAndTheStatusLineSaysWhy) {
  Settings older;
  older.SettingsVersion = "3.09";
  older.MessageText = "from the old version";
  const std::string two_files = DefaultFile() + DefaultFile();
  struct Case {
    std::string content;
    std::string why;
  } cases[] = {
      {FormatSettings(older), "written by version 3.09"},
      {std::string("\x7F"
                   "ELF\x02\x01\x01\0\0\0",
                   10),
       "not a settings file"},
      {two_files, "value 101: text after the last value"},
  };
  for (const Case& c : cases) {
    MemoryFiles files;
    files.files["vfdsettings.txt"] = c.content;
    OpenedSettings opened = OpenSettingsFile(files, "vfdsettings.txt");
    EXPECT_EQ(opened.settings.MessageText, "THIS CODE IS CRACKED");
    EXPECT_EQ(files.files.at("vfdsettings.txt"), DefaultFile());
    EXPECT_EQ(files.files.at("vfdsettings.txt.bad"), c.content);
    EXPECT_NE(opened.status.find(c.why), std::string::npos) << opened.status;
    EXPECT_NE(opened.status.find("kept as vfdsettings.txt.bad"), std::string::npos);
  }
}

TEST(SettingsFileTest, AByteOrderMarkAndBlankLinesAtTheEndAreNoDamage) {
  MemoryFiles files;
  Settings s;
  s.MessageText = "edited in an editor";
  files.files["vfdsettings.txt"] = "\xEF\xBB\xBF" + FormatSettings(s) + "\r\n\r\n  \n";
  OpenedSettings opened = OpenSettingsFile(files, "vfdsettings.txt");
  EXPECT_EQ(opened.status, "");
  EXPECT_EQ(opened.settings.MessageText, "edited in an editor");
  EXPECT_EQ(files.files.count("vfdsettings.txt.bad"), 0u);
}

TEST(SettingsFileTest, ASpecialOrHugeFileIsNotReadAndNotReplaced) {
  MemoryFiles files;
  files.special.insert("vfdsettings.txt");
  OpenedSettings opened = OpenSettingsFile(files, "vfdsettings.txt");
  EXPECT_EQ(files.writes, 0);
  EXPECT_NE(opened.status.find("not a regular file"), std::string::npos) << opened.status;
  files.special.clear();
  files.files["vfdsettings.txt"] = std::string(kMaxSettingsFile + 1, 'x');
  opened = OpenSettingsFile(files, "vfdsettings.txt");
  EXPECT_EQ(files.writes, 0);
  EXPECT_NE(opened.status.find("larger than"), std::string::npos) << opened.status;
}

TEST(SettingsFileTest, ABrokenFileIsKeptAsBadBeforeTheDefaultsReplaceIt) {
  MemoryFiles files;
  std::string broken = DefaultFile().substr(0, 300);
  files.files["vfdsettings.txt"] = broken;
  OpenedSettings opened = OpenSettingsFile(files, "vfdsettings.txt");
  EXPECT_EQ(files.files.at("vfdsettings.txt.bad"), broken);
  EXPECT_EQ(files.files.at("vfdsettings.txt"), DefaultFile());
  EXPECT_NE(opened.status.find("vfdsettings.txt.bad"), std::string::npos);
  EXPECT_NE(opened.status.find("defaults"), std::string::npos);
}

TEST(SettingsFileTest, WithoutRoomForTheCopyTheBrokenFileIsNotOverwritten) {
  MemoryFiles files;
  files.files["vfdsettings.txt"] = "\"3.10\"\r\n\"\"\r\n";
  files.fail_writes = true;
  OpenedSettings opened = OpenSettingsFile(files, "vfdsettings.txt");
  EXPECT_EQ(files.files.at("vfdsettings.txt"), "\"3.10\"\r\n\"\"\r\n");
  EXPECT_NE(opened.status.find("No space left on device"), std::string::npos);
}

TEST(SettingsFileTest, AnUnreadableFileIsLeftAloneAndDefaultsAreUsed) {
  MemoryFiles files;
  files.files["vfdsettings.txt"] = "whatever";
  files.unreadable.insert("vfdsettings.txt");
  OpenedSettings opened = OpenSettingsFile(files, "vfdsettings.txt");
  EXPECT_EQ(files.writes, 0);
  EXPECT_NE(opened.status.find("Permission denied"), std::string::npos);
}

TEST(SettingsFileTest, WhatCouldNotBeReadIsMovedAsideOrNeverSavedOver) {
  {
    MemoryFiles files;
    files.files["vfdsettings.txt"] = "the user's";
    files.unreadable.insert("vfdsettings.txt");
    OpenedSettings opened = OpenSettingsFile(files, "vfdsettings.txt");
    EXPECT_EQ(files.files.at("vfdsettings.txt.bad"), "the user's");
    EXPECT_EQ(files.files.count("vfdsettings.txt"), 0u);
    EXPECT_TRUE(opened.not_saved_because.empty());
    EXPECT_NE(opened.status.find("will be saved in vfdsettings.txt"), std::string::npos)
        << opened.status;
  }
  {
    // Not even renamed: a pipe or a device is not the user's file to move.
    MemoryFiles files;
    files.special.insert("vfdsettings.txt");
    OpenedSettings opened = OpenSettingsFile(files, "vfdsettings.txt");
    EXPECT_EQ(files.renames, 0);
    EXPECT_EQ(opened.not_saved_because, "vfdsettings.txt is not a regular file");
    EXPECT_NE(opened.status.find("will not be saved"), std::string::npos) << opened.status;
  }
  {
    MemoryFiles files;
    files.files["vfdsettings.txt"] = "the user's";
    files.unreadable.insert("vfdsettings.txt");
    files.fail_renames = true;
    OpenedSettings opened = OpenSettingsFile(files, "vfdsettings.txt");
    EXPECT_EQ(files.files.at("vfdsettings.txt"), "the user's");
    EXPECT_FALSE(opened.not_saved_because.empty());
    EXPECT_NE(opened.status.find("will not be saved"), std::string::npos) << opened.status;
  }
  {
    // A damaged file without room for its copy is not overwritten at exit either.
    MemoryFiles files;
    files.files["vfdsettings.txt"] = "\"3.10\"\r\n";
    files.fail_writes = true;
    EXPECT_FALSE(OpenSettingsFile(files, "vfdsettings.txt").not_saved_because.empty());
  }
}

TEST(SettingsFileTest, SavingAlwaysWritesThisVersion) {
  MemoryFiles files;
  Settings s;
  s.SettingsVersion = "something else";
  std::string error;
  ASSERT_TRUE(SaveSettingsFile(files, "vfdsettings.txt", s, &error));
  EXPECT_EQ(files.files.at("vfdsettings.txt"), DefaultFile());
}

}  // namespace
}  // namespace vfd

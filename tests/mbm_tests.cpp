// The hardware monitor function: the reading formats, the frames on each geometry, and the
// settings dialog with its live preview.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "sources/MbmAccess.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

std::string Reading(uint8_t type, double value) {
  return FormatSensorReading(SensorEntry{type, "", value});
}

TEST(SensorFormatTest, EachTypeHasItsPatternAndHalvesRoundAwayFromZero) {
  // Temperatures: whole, at least two digits.
  EXPECT_EQ(Reading(1, 45.5), "46");
  EXPECT_EQ(Reading(1, 7.2), "07");
  EXPECT_EQ(Reading(1, 2.5), "03");
  EXPECT_EQ(Reading(1, 0), "00");
  EXPECT_EQ(Reading(1, 104.49), "104");
  EXPECT_EQ(Reading(1, -5.5), "-06");
  EXPECT_EQ(Reading(1, -0.4), "00");  // no minus in front of a zero
  // Voltages: two decimals, no forced leading zero.
  EXPECT_EQ(Reading(2, 1.748), "1.75");
  EXPECT_EQ(Reading(2, 12), "12.00");
  EXPECT_EQ(Reading(2, 0.5), ".50");
  EXPECT_EQ(Reading(2, 0.004), ".00");
  EXPECT_EQ(Reading(2, 9.995), "10.00");
  EXPECT_EQ(Reading(2, -12.125), "-12.13");
  // The halves are those of the decimal reading, not of the nearest binary double (1.745 is
  // stored as 1.74499999...).
  EXPECT_EQ(Reading(2, 1.745), "1.75");
  // Percentages: two whole digits at least, one decimal where there is a fraction.
  EXPECT_EQ(Reading(5, 99.96), "100.0");
  EXPECT_EQ(Reading(5, 5), "05.");
  EXPECT_EQ(Reading(5, 45.25), "45.3");
  EXPECT_EQ(Reading(5, 3.04), "03.0");
  EXPECT_EQ(Reading(5, 0), "00.");
  // Fans and everything else: the plain reading, up to 15 significant digits.
  EXPECT_EQ(Reading(3, 3013), "3013");
  EXPECT_EQ(Reading(0, 0.52), "0.52");
  EXPECT_EQ(Reading(4, 1.0 / 3), "0.333333333333333");
  EXPECT_EQ(Reading(0, -0.0), "0");
  // A failed computation (a division by zero in the user's configuration) is no crash.
  EXPECT_EQ(Reading(0, std::numeric_limits<double>::quiet_NaN()), "0");
  EXPECT_EQ(Reading(1, std::numeric_limits<double>::infinity()), "00");
  EXPECT_EQ(Reading(1, 1e20), "100000000000000000000");
  EXPECT_EQ(Reading(2, 1e-9), ".00");
}

TEST(SensorFormatTest, ChoicesNameEntriesByTheirTwoDigitsAndNamesLoseTheirPadding) {
  EXPECT_EQ(SensorChoiceEntry("00 None"), -1);
  EXPECT_EQ(SensorChoiceEntry("01 CPU"), 0);
  EXPECT_EQ(SensorChoiceEntry("99 "), 98);
  EXPECT_EQ(SensorChoiceEntry("42"), 41);
  for (const char* none : {"00 Fan", "", "5", "5 CPU", " 5 CPU", "-1 x", "x1", "None"})
    EXPECT_EQ(SensorChoiceEntry(none), -1) << none;

  EXPECT_EQ(TrimSensorName(std::string("CPU") + std::string(9, '\0')), "CPU");
  // Blanks are trimmed before the padding goes, so a blank in front of the padding stays.
  EXPECT_EQ(TrimSensorName(std::string(" CPU \0\0", 7)), "CPU ");
  EXPECT_EQ(TrimSensorName("  Core 0  "), "Core 0");
  EXPECT_EQ(TrimSensorName(std::string(12, '\0')), "");

  EXPECT_EQ(SensorChoiceItem(0, {1, std::string("CPU") + std::string(9, '\0'), 0}), "01 CPU");
  EXPECT_EQ(SensorChoiceItem(98, {}), "99 ");
  EXPECT_EQ(SensorChoiceItem(4, {1, "A name much too long", 0}), "05 A name much");

  SensorTable table{};
  table[2] = {1, "CPU", 45.5};
  EXPECT_EQ(FormatSensorSlot("03 CPU", table), "46");
  EXPECT_EQ(FormatSensorSlot("03 anything else", table), "46");
  EXPECT_EQ(FormatSensorSlot("00 None", table), "");
  EXPECT_EQ(FormatSensorSlot("ab", table), "");
  // An entry the source left empty reads as a plain 0, as with no monitor at all.
  EXPECT_EQ(FormatSensorSlot("04 ", table), "0");
}

class MbmTest : public ::testing::Test {
 protected:
  MbmTest() {
    rig.sensors.table[0] = {1, "CPU", 45.5};
    rig.sensors.table[1] = {2, "Core", 1.748};
    rig.sensors.table[2] = {1, "Case", 30.2};
    rig.sensors.table[3] = {2, "+5V", 5.05};
    rig.sensors.table[4] = {3, "Fan1", 3013};
    rig.sensors.table[5] = {5, "CPU Load", 5};
  }
  void Use(int16_t model) {
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(model);
  }
  MotherboardMonitor& mbm() { return rig.program->mbm(); }
  FrmMBMConfig& dialog() { return rig.program->mbm_config(); }
  void ChooseDefaults() {
    mbm().sensor = {"01 CPU",  "02 Core", "00 None", "00 None",
                    "03 Case", "04 +5V",  "00 None", "00 None"};
  }

  Rig rig;
};

TEST_F(MbmTest, WithNoSensorChosenTheLabelsStandAloneAndNothingIsRead) {
  Use(kModelOrbital2x20);
  rig.main().cmdMBM.Click();
  EXPECT_TRUE(rig.main().Timer6.Enabled());
  EXPECT_EQ(rig.glass().Text(), Fit("CPU: C Core: +V", 20) + "\n" + Fit("Case: C +5v: +V", 20));
  rig.loop.RunFor(3000);
  EXPECT_EQ(rig.sensors.reads, 0);
}

TEST_F(MbmTest, EachTickShowsTheReadingsOfOneReadingOfTheTable) {
  Use(kModelOrbital2x20);
  ChooseDefaults();
  rig.main().cmdMBM.Click();
  EXPECT_EQ(rig.glass().Text(),
            Fit("CPU: 46C Core: +1.75V", 20) + "\n" + Fit("Case: 30C +5v: +5.05V", 20));
  EXPECT_EQ(rig.sensors.reads, 1);
  rig.sensors.table[0].value = 51.2;
  rig.loop.RunFor(999);
  EXPECT_EQ(rig.glass().Row(0), "CPU: 46C Core: +1.75");
  rig.loop.RunFor(1);
  EXPECT_EQ(rig.glass().Row(0), "CPU: 51C Core: +1.75");
  EXPECT_EQ(rig.sensors.reads, 2);
  // Fan speeds and percentages in their own formats.
  mbm().sensor[2] = "05 Fan1";
  mbm().sensor[3] = "06 CPU Load";
  mbm().label = {"", "", " F", "rpm ", "", "", "", ""};
  rig.program->modes().RunTick(6);
  EXPECT_EQ(rig.glass().Row(0), "511.75 F3013rpm 05. ");
}

TEST_F(MbmTest, WithoutAMonitorEveryChosenSlotShowsZero) {
  Use(kModelOrbital2x20);
  ChooseDefaults();
  rig.sensors.table = {};
  rig.main().cmdMBM.Click();
  EXPECT_EQ(rig.glass().Text(), Fit("CPU: 0C Core: +0V", 20) + "\n" + Fit("Case: 0C +5v: +0V", 20));
}

TEST_F(MbmTest, EachGeometryGetsItsLinesAndFourRowsGetOneSegmentEach) {
  ChooseDefaults();
  mbm().sensor[2] = "05 Fan1";
  mbm().label[2] = "V Fan: ";
  mbm().label[3] = " rpm and more than twenty";
  const std::string line1 = "CPU: 46C Core: +1.75V Fan: 3013 rpm and more than twenty";
  const std::string line2 = "Case: 30C +5v: +5.05V";

  Use(kModelIeeParallel);  // 2x40
  rig.program->modes().RunTick(6);
  EXPECT_EQ(rig.glass().Text(), Fit(line1, 40) + "\n" + Fit(line2, 40));

  Use(kModelNoritake);  // 2x24
  rig.program->modes().RunTick(6);
  EXPECT_EQ(rig.glass().Text(), Fit(line1, 24) + "\n" + Fit(line2, 24));

  Use(kModelOrbital4x20);
  rig.program->modes().RunTick(6);
  EXPECT_EQ(rig.glass().Text(),
            "CPU: 46C Core: +1.75\n"
            "V Fan: 3013 rpm and \n"
            "Case: 30C +5v: +5.05\n" +
                Fit("V", 20));

  // Without a screen type nothing at all goes out.
  rig.display().screen_type = kScreenNone;
  rig.serial.Reset();
  rig.program->modes().RunTick(6);
  EXPECT_EQ(rig.serial.written, "");
}

TEST_F(MbmTest, TheSixteenValuesComeFromTheSettingsFileAndGoBackToIt) {
  Settings s;
  s.CrackOnLoadCaption = "Standard Load";
  s.StartFunctionCode = "6";
  s.MbmSensor[0] = "06 CPU Load";
  s.MbmLabel[0] = "Load ";
  s.MbmLabel[1] = "%";
  rig.files.files["vfdsettings.txt"] = FormatSettings(s);
  rig.program->Start();
  EXPECT_EQ(mbm().sensor, s.MbmSensor);
  EXPECT_EQ(mbm().label, s.MbmLabel);
  EXPECT_EQ(rig.program->modes().RunningFunctionCode(), "6");
  EXPECT_EQ(rig.main().Line1.Caption(), Fit("Load 05.%V", 20));
  mbm().label[7] = "!";
  rig.program->Shutdown();
  SettingsParse saved = ParseSettings(rig.files.files.at("vfdsettings.txt"));
  ASSERT_TRUE(saved.ok) << saved.error;
  EXPECT_EQ(saved.settings.MbmSensor, s.MbmSensor);
  EXPECT_EQ(saved.settings.MbmLabel[7], "!");
  EXPECT_EQ(saved.settings.StartFunctionCode, "6");
}

TEST_F(MbmTest, TheDialogListsEveryEntryAndShowsTheCurrentChoices) {
  rig.sensors.table[6] = {1, std::string("CPU") + std::string(9, '\0'), 40};
  ChooseDefaults();
  mbm().sensor[1] = "02 Old name";  // the sensor was called otherwise when it was chosen
  mbm().sensor[4] = "Rubbish";      // from an edited settings file
  rig.main().cmdMBMConfig.Click();
  ASSERT_TRUE(dialog().Loaded());
  EXPECT_EQ(dialog().Caption(), "VFD Vorlinx - MBM Config");
  EXPECT_EQ(rig.sensors.reads, 1);
  for (ListBox* list : dialog().VariableLists()) {
    ASSERT_EQ(list->Items().size(), 100u);
    EXPECT_EQ(list->Items()[0], "00 None");
    EXPECT_EQ(list->Items()[1], "01 CPU");
    EXPECT_EQ(list->Items()[7], "07 CPU");
    EXPECT_EQ(list->Items()[8], "08 ");
    EXPECT_EQ(list->Items()[99], "99 ");
  }
  EXPECT_EQ(dialog().cboLine1Variable1.Text(), "01 CPU");
  EXPECT_EQ(dialog().cboLine1Variable2.Text(), "02 Core");
  EXPECT_EQ(dialog().cboLine1Variable3.Text(), "00 None");
  EXPECT_EQ(dialog().cboLine2Variable1.Text(), "00 None");
  EXPECT_EQ(dialog().txtLine1Label2.Text(), "C Core: +");
  EXPECT_EQ(dialog().txtLine2Label1.Text(), "Case: ");
  EXPECT_EQ(dialog().lblLine1.Caption(), FrmMBMConfig::kRuler);
  EXPECT_TRUE(dialog().tmrUpdate.Enabled());

  // Opening it again lists the entries afresh, not twice.
  dialog().cmdApply.Click();
  rig.main().cmdMBMConfig.Click();
  EXPECT_EQ(dialog().cboLine2Variable4.Items().size(), 100u);
}

TEST_F(MbmTest, EditsReachThePreviewAndTheRunningDisplayAtOnce) {
  Use(kModelOrbital2x20);
  ChooseDefaults();
  rig.main().cmdMBM.Click();
  rig.main().cmdMBMConfig.Click();
  dialog().txtLine1Label1.SetText("T ");
  dialog().cboLine1Variable3.SetListIndex(5);  // 05 Fan1
  dialog().txtLine1Label4.SetText("rpm");
  rig.loop.RunFor(100);
  EXPECT_EQ(dialog().lblLine1.Caption(), "T 46C Core: +1.75V3013rpm");
  EXPECT_EQ(dialog().lblLine2.Caption(), "Case: 30C +5v: +5.05V");
  EXPECT_EQ(mbm().sensor[2], "05 Fan1");
  EXPECT_EQ(rig.glass().Row(0), "CPU: 46C Core: +1.75");  // until the display's next tick
  rig.loop.RunFor(900);
  EXPECT_EQ(rig.glass().Row(0), "T 46C Core: +1.75V30");

  // The preview shows 40 columns on every geometry; the table is read once per update.
  dialog().txtLine2Label4.SetText(std::string(30, '-'));
  const int reads = rig.sensors.reads;
  rig.loop.RunFor(100);
  EXPECT_EQ(rig.sensors.reads, reads + 1);
  EXPECT_EQ(dialog().lblLine2.Caption(),
            ("Case: 30C +5v: +5.05V" + std::string(30, '-')).substr(0, 40));
}

TEST_F(MbmTest, CancelPutsBackWhatTheSlotsHeldWhenTheDialogOpened) {
  Use(kModelOrbital2x20);
  ChooseDefaults();
  rig.main().cmdMBM.Click();
  rig.main().cmdMBMConfig.Click();
  dialog().txtLine1Label1.SetText("Changed ");
  dialog().cboLine1Variable1.SetListIndex(0);
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.glass().Row(0), Fit("Changed C Core: +1.7", 20));
  dialog().cmdCancel.Click();
  EXPECT_FALSE(dialog().Loaded());
  EXPECT_FALSE(dialog().tmrUpdate.Enabled());
  EXPECT_EQ(mbm().label[0], "CPU: ");
  EXPECT_EQ(mbm().sensor[0], "01 CPU");
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.glass().Row(0), "CPU: 46C Core: +1.75");
}

TEST_F(MbmTest, ApplyAndClosingTheWindowKeepEditsEvenFromJustBeforeClosing) {
  rig.main().cmdMBMConfig.Click();
  // Typed and applied within the same 100 ms: nothing of it may be lost.
  dialog().txtLine1Label1.SetText("A ");
  dialog().cboLine2Variable4.SetListIndex(6);
  dialog().cmdApply.Click();
  EXPECT_FALSE(dialog().Loaded());
  EXPECT_EQ(mbm().label[0], "A ");
  EXPECT_EQ(mbm().sensor[7], "06 CPU Load");

  rig.main().cmdMBMConfig.Click();
  dialog().txtLine2Label1.SetText("B ");
  dialog().Unload();  // the window's own close button
  EXPECT_EQ(mbm().label[4], "B ");
  EXPECT_FALSE(dialog().tmrUpdate.Enabled());

  // At exit an open dialog closes the same way, and the file gets the edits.
  rig.main().cmdMBMConfig.Click();
  dialog().txtLine2Label2.SetText("C ");
  rig.program->Shutdown();
  SettingsParse saved = ParseSettings(rig.files.files.at("vfdsettings.txt"));
  EXPECT_EQ(saved.settings.MbmLabel[0], "A ");
  EXPECT_EQ(saved.settings.MbmLabel[4], "B ");
  EXPECT_EQ(saved.settings.MbmLabel[5], "C ");
  EXPECT_EQ(saved.settings.MbmSensor[7], "06 CPU Load");
}

// --- choices that follow their sensors ----------------------------------------------------------

SensorEntry Hw(uint8_t type, std::string name, double value, std::string chip,
               std::string feature) {
  return {type, std::move(name), value, std::move(chip), std::move(feature)};
}

const SensorEntry kPackage = Hw(1, "Package", 41, "coretemp-isa-0000", "temp1");
const SensorEntry kCore0 = Hw(1, "Core 0", 45.5, "coretemp-isa-0000", "temp2");
const SensorEntry kVcore = Hw(2, "Vcore", 1.2, "nct6798-isa-0290", "in0");
const SensorEntry kFan = Hw(3, "fan1", 1200, "nct6798-isa-0290", "fan1");
const SensorEntry kLoad = Hw(5, "CPU Load", 5, "system", "cpu-load");

SensorTable TableOf(std::vector<SensorEntry> entries) {
  SensorTable table{};
  for (size_t i = 0; i < entries.size(); ++i)
    table[i] = entries[i];
  return table;
}

class FollowTest : public MbmTest {
 protected:
  FollowTest() { rig.sensors.table = TableOf({kPackage, kCore0, kVcore, kFan, kLoad}); }
  // Core 0 in slot 1 and Vcore in slot 2, picked in the dialog, the function running on 2x20.
  void ChooseInTheDialog() {
    Use(kModelOrbital2x20);
    rig.main().cmdMBMConfig.Click();
    dialog().cboLine1Variable1.SetListIndex(2);
    dialog().cboLine1Variable2.SetListIndex(3);
    dialog().cmdApply.Click();
    rig.main().cmdMBM.Click();
    ASSERT_EQ(rig.glass().Row(0), "CPU: 46C Core: +1.20");
  }
  std::string SideFile() { return rig.files.files["vfdsensors.txt"]; }
};

TEST_F(FollowTest, AChoiceFollowsItsSensorWhenTheChipsComeInAnotherOrder) {
  ChooseInTheDialog();
  // After a reboot the chips are found the other way round.
  rig.sensors.table = TableOf({kVcore, kFan, kPackage, kCore0, kLoad});
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.glass().Row(0), "CPU: 46C Core: +1.20");
  // The choices take the numbers they have now, for the file and for older versions.
  EXPECT_EQ(mbm().sensor[0], "04 Core 0");
  EXPECT_EQ(mbm().sensor[1], "01 Vcore");

  rig.program->Shutdown();
  SettingsParse saved = ParseSettings(rig.files.files.at("vfdsettings.txt"));
  ASSERT_TRUE(saved.ok) << saved.error;
  EXPECT_EQ(saved.settings.MbmSensor[0], "04 Core 0");
  EXPECT_EQ(saved.settings.MbmSensor[2], "00 None");
  EXPECT_NE(SideFile().find("\n1\tcoretemp-isa-0000\ttemp2\t04 Core 0\n"), std::string::npos)
      << SideFile();
  EXPECT_NE(SideFile().find("\n2\tnct6798-isa-0290\tin0\t01 Vcore\n"), std::string::npos);
}

TEST_F(FollowTest, AChipThatGoesLeavesItsChoicesAbsentUntilItComesBack) {
  ChooseInTheDialog();
  rig.sensors.table = TableOf({kVcore, kFan, kLoad});  // the CPU's driver is gone
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.glass().Row(0), "CPU: --C Core: +1.20");

  // The dialog keeps the choice, listed as absent, and leaves it so when nothing is picked.
  rig.main().cmdMBMConfig.Click();
  ASSERT_EQ(dialog().cboLine1Variable1.Items().size(), 101u);
  EXPECT_EQ(dialog().cboLine1Variable1.Text(), "-- Core 0 (absent)");
  EXPECT_EQ(dialog().cboLine1Variable2.Text(), "01 Vcore");
  EXPECT_EQ(dialog().cboLine2Variable1.Items().back(), "-- Core 0 (absent)");
  rig.loop.RunFor(100);
  EXPECT_EQ(dialog().lblLine1.Caption(), "CPU: --C Core: +1.20V");
  dialog().cmdApply.Click();
  EXPECT_EQ(mbm().sensor[0], "02 Core 0");

  // Kept across a restart too.
  rig.program->Shutdown();
  Rig next;
  next.files = rig.files;
  next.sensors.table = TableOf({kVcore, kFan, kLoad});
  next.program->Start();
  EXPECT_EQ(next.program->mbm().sensor[0], "02 Core 0");
  EXPECT_EQ(next.program->mbm().origin[0], (SensorOrigin{"coretemp-isa-0000", "temp2"}));

  // The chip is back, under another number.
  next.sensors.table = TableOf({kVcore, kFan, kPackage, kCore0, kLoad});
  next.program->mbm().Segments();
  EXPECT_EQ(next.program->mbm().sensor[0], "04 Core 0");
  EXPECT_EQ(next.program->mbm().Segments()[0], "CPU: 46C Core: +1.20");
}

TEST_F(FollowTest, AChipThatComesWhileTheDialogIsOpenIsOfferedAtOnce) {
  rig.sensors.table = TableOf({kVcore, kFan, kLoad});
  Use(kModelOrbital2x20);
  rig.main().cmdMBMConfig.Click();
  dialog().cboLine1Variable2.SetListIndex(1);  // 01 Vcore
  rig.loop.RunFor(100);
  EXPECT_EQ(dialog().lblLine1.Caption(), "CPU: C Core: +1.20V");

  // The CPU's driver loads late; its chip sorts first.
  rig.sensors.table = TableOf({kPackage, kCore0, kVcore, kFan, kLoad});
  rig.loop.RunFor(100);
  for (ListBox* list : dialog().VariableLists()) {
    ASSERT_EQ(list->Items().size(), 100u);
    EXPECT_EQ(list->Items()[2], "02 Core 0");
  }
  EXPECT_EQ(dialog().cboLine1Variable2.Text(), "03 Vcore");
  EXPECT_EQ(mbm().sensor[1], "03 Vcore");
  dialog().cboLine1Variable1.SetListIndex(2);
  rig.loop.RunFor(100);
  EXPECT_EQ(dialog().lblLine1.Caption(), "CPU: 46C Core: +1.20V");
  // Nothing shifts while nothing changes: the lists are not filled again.
  const std::vector<std::string> items = dialog().cboLine1Variable1.Items();
  rig.sensors.table[1].value = 60;
  rig.loop.RunFor(300);
  EXPECT_EQ(dialog().cboLine1Variable1.Items(), items);
  EXPECT_EQ(dialog().lblLine1.Caption(), "CPU: 60C Core: +1.20V");
}

TEST_F(FollowTest, OnlyChoicesBesideTheSettingsThatStillMatchThemAreFollowed) {
  Settings s;
  s.CrackOnLoadCaption = "Standard Load";
  s.MbmSensor[0] = "02 Core 0";
  s.MbmSensor[1] = "03 Vcore";     // another version chose anew since the side file was written
  s.MbmSensor[2] = "05 CPU Load";  // chosen by a version that kept no side file
  s.MbmSensor[3] = "04 Old name";  // chosen under a name this entry no longer bears
  rig.files.files["vfdsettings.txt"] = FormatSettings(s);
  rig.files.files["vfdsensors.txt"] =
      "# a comment\r\n"
      "1\tcoretemp-isa-0000\ttemp2\t02 Core 0\r\n"
      "2\tnct6798-isa-0290\tin0\t07 Vcore\r\n"
      "9\tnct6798-isa-0290\tfan1\t04 fan1\r\n"
      "garbage\n";
  rig.sensors.table = TableOf({kVcore, kFan, kPackage, kCore0, kLoad});
  rig.program->Start();
  EXPECT_EQ(mbm().origin[0], (SensorOrigin{"coretemp-isa-0000", "temp2"}));
  EXPECT_TRUE(mbm().origin[1].Empty());
  const std::array<std::string, 4> seg = mbm().Segments();
  EXPECT_EQ(mbm().sensor[0], "04 Core 0");
  // By number: entry 3 is Package now, whose name is not the choice's; it is not followed.
  EXPECT_EQ(mbm().sensor[1], "03 Vcore");
  EXPECT_EQ(seg[0], "CPU: 46C Core: +41");
  EXPECT_TRUE(mbm().origin[1].Empty());
  // By number, where the entry still bears the choice's name: followed from now on.
  EXPECT_EQ(mbm().origin[2], (SensorOrigin{"system", "cpu-load"}));
  EXPECT_TRUE(mbm().origin[3].Empty());
  rig.sensors.table = TableOf({kLoad, kVcore});
  mbm().Segments();
  EXPECT_EQ(mbm().sensor[2], "01 CPU Load");
  EXPECT_EQ(mbm().sensor[3], "04 Old name");  // by number still, reading an empty entry
}

TEST_F(FollowTest, NoSideFileWhereNothingFollowsASensor) {
  rig.sensors.table = TableOf({{1, "CPU", 45.5}});  // a source that tells no origins
  mbm().sensor[0] = "01 CPU";
  mbm().Segments();
  rig.program->Shutdown();
  EXPECT_EQ(rig.files.files.count("vfdsensors.txt"), 0u);
}

}  // namespace
}  // namespace vfd

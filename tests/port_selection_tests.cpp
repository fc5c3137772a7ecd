// Choosing the serial port, the speed and the parallel address, and the model selection dialog.
#include <gtest/gtest.h>

#include "support/Rig.h"

namespace vfd {
namespace {

using testing::HexOf;
using testing::Rig;

constexpr const char* kInUse =
    "You have selected a port that is currently in use. Please choose another.";

class PortTest : public ::testing::Test {
 protected:
  PortTest() {
    rig.display().screen_type = kScreen2x20;
    rig.display().display_model = kModelOrbital2x20;
    rig.display().brightness_level = 1;
  }
  void SelectPort(const std::string& text) {
    rig.main().lstComport.SetListIndex(rig.main().lstComport.Find(text));
  }
  void SelectSpeed(const std::string& text) {
    rig.main().lstSpeed.SetListIndex(rig.main().lstSpeed.Find(text));
  }
  bool Open() { return rig.program->serial().IsSerialOpen(); }

  Rig rig;
};

TEST_F(PortTest, ChoosingAnotherPortClosesTheOpenOneAndOpensTheNew) {
  SelectPort("COM1");
  EXPECT_TRUE(Open());
  SelectPort("COM2");
  EXPECT_EQ(rig.serial.opened_paths, (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS1"}));
  EXPECT_EQ(rig.serial.closes, 1);
  EXPECT_TRUE(Open());
  // Each choice ends by sending the level again.
  EXPECT_EQ(HexOf(rig.serial.written), "FE 59 01 FE 59 01");
}

TEST_F(PortTest, SpeedChangeReopensAtTheNewRate) {
  SelectPort("COM3");
  SelectSpeed("19200");
  EXPECT_EQ(rig.serial.baud, 19200);
  EXPECT_EQ(rig.serial.path, "/dev/ttyS2");
  SelectSpeed(" 9600");
  EXPECT_EQ(rig.serial.baud, 9600);
  rig.main().lstSpeed.SetListIndex(-1);  // no speed: closed, level still applied
  EXPECT_FALSE(Open());
}

TEST_F(PortTest, APortHeldByAnotherProgramGivesTheMessageOnceAndStaysClosed) {
  rig.serial.in_use.insert("/dev/ttyS1");
  SelectPort("COM2");
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].second, kInUse);
  EXPECT_FALSE(Open());
  EXPECT_EQ(rig.serial.written, "");  // the choice ended at the error
}

TEST_F(PortTest, InUseOnASpeedChangeAlsoStopsTheRunningFunction) {
  SelectPort("COM1");
  rig.main().Timer3.SetEnabled(true);  // the clock runs
  rig.main().Timer8.SetEnabled(true);  // an effect runs
  rig.program->serial().CloseSerial();
  rig.serial.in_use.insert("/dev/ttyS0");
  SelectSpeed("19200");
  EXPECT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_FALSE(rig.main().Timer3.Enabled());
  EXPECT_TRUE(rig.main().Timer8.Enabled());
  EXPECT_EQ(rig.main().lstComport.ListIndex(), -1);
  EXPECT_FALSE(Open());
}

TEST_F(PortTest, OtherOpenFailuresAreToldInTheStatusLineWithoutADialog) {
  rig.serial.denied.insert("/dev/ttyS3");
  SelectPort("COM4");
  EXPECT_TRUE(rig.boxes.shown.empty());
  const std::string& status = rig.main().lblStatus.Caption();
  EXPECT_NE(status.find("/dev/ttyS3"), std::string::npos);
  EXPECT_NE(status.find("Permission denied"), std::string::npos);
  EXPECT_NE(status.find("dialout"), std::string::npos);
  rig.serial.denied.clear();
  SelectPort("COM1");
  SelectPort("COM4");
  EXPECT_EQ(rig.main().lblStatus.Caption(), "");  // cleared once a port opens
}

TEST_F(PortTest, DevicePathsInTheListOpenAsPaths) {
  int index = rig.display().EnsurePortEntry("/dev/serial/by-id/usb-FTDI-if00-port0");
  EXPECT_EQ(index, 4);
  EXPECT_EQ(rig.display().EnsurePortEntry("COM2"), 1);  // no duplicates
  rig.main().lstComport.SetListIndex(index);
  EXPECT_EQ(rig.serial.path, "/dev/serial/by-id/usb-FTDI-if00-port0");
  EXPECT_EQ(SerialLink::DevicePath("COM4"), "/dev/ttyS3");
  EXPECT_EQ(SerialLink::DevicePath("COM5"), "");
  EXPECT_EQ(SerialLink::DevicePath(""), "");
}

TEST_F(PortTest, SerialChoicesDoNothingButTheLevelForParallelModels) {
  rig.display().screen_type = kScreen2x24;
  rig.display().display_model = kModelNoritake;
  SelectPort("COM1");
  SelectSpeed("19200");
  EXPECT_EQ(rig.serial.opens, 0);
  EXPECT_EQ(rig.main().cmdBrightness.Caption(), "Brightness Level 1");
}

TEST_F(PortTest, ParallelAddressSetsTheRegistersUsed) {
  rig.display().screen_type = kScreen2x24;
  rig.display().display_model = kModelNoritake;
  rig.main().lstPPort.SetListIndex(rig.main().lstPPort.Find("&H2BC"));
  EXPECT_EQ(rig.program->parallel().Base(), 700);
  rig.parallel.Reset();
  rig.display().Write2x24("A", "B");
  for (const auto& [address, value] : rig.parallel.Writes()) {
    EXPECT_TRUE(address == 700 || address == 702) << address;
  }
  rig.program->parallel().ReadStatus();
  EXPECT_EQ(rig.parallel.accesses.back().address, 701);

  rig.main().lstPPort.SetListIndex(rig.main().lstPPort.Find("&H3BC"));
  EXPECT_EQ(rig.program->parallel().Base(), 956);
}

TEST_F(PortTest, AnUnreachableParallelPortIsToldInTheStatusLine) {
  rig.display().display_model = kModelIeeParallel;
  rig.parallel.unreachable.insert(0x278);
  rig.main().lstPPort.SetListIndex(rig.main().lstPPort.Find("&H278"));
  EXPECT_NE(rig.main().lblStatus.Caption().find("&H278"), std::string::npos);
  EXPECT_TRUE(rig.parallel.accesses.empty());
}

TEST_F(PortTest, AWriteErrorClosesThePortAndSaysSo) {
  SelectPort("COM1");
  rig.serial.fail_next_write = true;
  rig.display().Write2x20("GONE", "");
  EXPECT_FALSE(Open());
  EXPECT_NE(rig.main().lblStatus.Caption().find("Input/output error"), std::string::npos);
  rig.display().Write2x20("STILL", "RUNNING");  // later output is skipped quietly
  EXPECT_EQ(rig.main().Line1.Caption(), Fit("STILL", 20));
}

class SelectDialogTest : public PortTest {
 protected:
  FrmVFDSelect& dialog() { return rig.program->vfd_select(); }
};

TEST_F(SelectDialogTest, OpeningShowsTheCurrentChoiceAndClearsThePortChoice) {
  rig.display().display_model = kModelIeeSerial;
  SelectPort("COM2");
  SelectSpeed("19200");
  rig.main().cmdModel.Click();
  EXPECT_TRUE(dialog().Loaded());
  EXPECT_EQ(dialog().lstScreen.Text(), "2x20");
  EXPECT_EQ(dialog().lstVFD.Items(),
            (std::vector<std::string>{"(QXDepot) IEE 03602-122", "Matrix Orbital VK202-25"}));
  EXPECT_EQ(dialog().lstVFD.Text(), "(QXDepot) IEE 03602-122");
  EXPECT_EQ(rig.display().display_model, kModelNone);
  EXPECT_EQ(rig.main().lstComport.ListIndex(), -1);
  EXPECT_EQ(rig.main().lstSpeed.ListIndex(), -1);
  EXPECT_FALSE(Open());

  // Applying the same choice opens nothing until a port is chosen again: the port chosen before
  // may hold something else by now.
  rig.serial.Reset();
  dialog().cmdApply.Click();
  EXPECT_FALSE(dialog().Loaded());
  EXPECT_EQ(rig.display().display_model, kModelIeeSerial);
  EXPECT_FALSE(Open());
  EXPECT_EQ(rig.main().lblStatus.Caption(), "Choose the serial port the display is on.");
  SelectSpeed("19200");
  EXPECT_FALSE(Open());
  rig.main().lstComport.SetListIndex(rig.main().lstComport.Find("COM2"));
  EXPECT_TRUE(Open());
  EXPECT_EQ(rig.serial.path, "/dev/ttyS1");
  EXPECT_EQ(rig.serial.baud, 19200);
  EXPECT_EQ(HexOf(rig.serial.written), "19 34 19 30 FF 01");  // the model's start, the level
}

TEST_F(SelectDialogTest, ChoosingAGeometryListsItsModelsAndSetsThePreviewAtOnce) {
  rig.main().cmdModel.Click();
  dialog().lstScreen.SetListIndex(dialog().lstScreen.Find("4x20"));
  EXPECT_EQ(dialog().lstVFD.Items(), (std::vector<std::string>{"Matrix Orbital VK204-25/VFD2041"}));
  EXPECT_EQ(rig.display().screen_type, kScreen4x20);
  EXPECT_FALSE(rig.main().Line2.Visible());
  dialog().lstScreen.SetListIndex(dialog().lstScreen.Find("2x40"));
  EXPECT_EQ(dialog().lstVFD.Items(), (std::vector<std::string>{"(Velmor7) IEE 03601-96"}));
  dialog().lstVFD.SetListIndex(0);
  dialog().cmdApply.Click();
  EXPECT_EQ(rig.display().display_model, kModelIeeParallel);
  EXPECT_EQ(rig.display().screen_type, kScreen2x40);
  EXPECT_TRUE(rig.main().lstPPort.Visible());
}

TEST_F(SelectDialogTest, ClosingWithoutApplyLeavesNoModelAndApplyWithoutAModelKeepsNone) {
  SelectPort("COM1");
  rig.main().cmdModel.Click();
  dialog().Unload();
  EXPECT_EQ(rig.display().display_model, kModelNone);
  EXPECT_FALSE(Open());
  rig.display().Write2x20("NOTHING", "SENT");
  EXPECT_EQ(HexOf(rig.serial.written), "FE 59 01");  // only the level of the port choice

  // A second opening starts from the dialog's design state.
  rig.main().cmdModel.Click();
  EXPECT_EQ(dialog().lstScreen.Text(), "2x20");
  EXPECT_EQ(dialog().lstVFD.ListIndex(), -1);
  dialog().cmdApply.Click();
  EXPECT_EQ(rig.display().display_model, kModelNone);
  EXPECT_FALSE(Open());
}

TEST_F(SelectDialogTest, AParallelAddressIsForgottenWhenTheDialogOpens) {
  rig.display().screen_type = kScreen2x24;
  rig.display().display_model = kModelNoritake;
  rig.main().lstPPort.SetListIndex(0);
  rig.main().cmdModel.Click();
  EXPECT_EQ(rig.program->parallel().Base(), 0);
  dialog().cmdApply.Click();
  rig.parallel.Reset();
  rig.display().Write2x24("NO", "ADDRESS");
  EXPECT_TRUE(rig.parallel.accesses.empty());
}

TEST_F(SelectDialogTest, SecondClickBringsBackTheSameOpenDialogWithoutReloading) {
  int shown = 0;
  dialog().shown.Connect([&] { ++shown; });
  rig.main().cmdModel.Click();
  dialog().lstScreen.SetListIndex(dialog().lstScreen.Find("2x24"));
  rig.main().cmdModel.Click();
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(dialog().lstScreen.Text(), "2x24");  // not reset by a second load
}

}  // namespace
}  // namespace vfd

namespace vfd {
namespace {

// A serial display on a USB adapter that goes away and comes back while the program runs.
class ReconnectTest : public ::testing::Test {
 protected:
  static constexpr const char* kAdapter = "/dev/ttyUSB0";

  // Starts the program with the IEE serial display on the adapter, the clock running.
  void Start(bool adapter_present) {
    if (adapter_present)
      rig.present_ports = {kAdapter};
    else
      rig.serial.missing.insert(kAdapter);
    Settings s;
    s.DisplayModelCode = kModelIeeSerial;
    s.ComPort = kAdapter;
    s.ComSpeed = "19200";
    s.BrightnessLevel = 5;
    s.StartFunctionCode = "3";
    s.CrackOnLoadCaption = "Standard Load";
    rig.files.files["vfdsettings.txt"] = FormatSettings(s);
    rig.Emulate(kModelIeeSerial);
    rig.program->Start();
  }
  // The adapter is plugged in again.
  void PlugIn() {
    rig.serial.missing.erase(kAdapter);
    rig.present_ports = {kAdapter};
  }
  bool Open() { return rig.program->serial().IsSerialOpen(); }
  const std::string& Status() { return rig.main().lblStatus.Caption(); }
  std::string SavedPort() {
    rig.program->Shutdown();
    return ParseSettings(rig.files.files.at("vfdsettings.txt")).settings.ComPort;
  }

  Rig rig;
};

TEST_F(ReconnectTest, APulledAdapterIsTriedEvery2SecondsAndTheDisplayComesBackAsItWas) {
  Start(true);
  ASSERT_TRUE(Open());
  rig.serial.fail_next_write = true;
  rig.serial.missing.insert(kAdapter);
  rig.present_ports.clear();
  rig.loop.RunFor(500);  // the next clock frame finds the adapter gone
  EXPECT_FALSE(Open());
  EXPECT_NE(Status().find("Trying again every 2 seconds"), std::string::npos) << Status();
  const int opens = rig.serial.opens;
  rig.loop.RunFor(10000);
  EXPECT_EQ(rig.serial.opens, opens);                 // still away
  EXPECT_EQ(rig.main().lstComport.Text(), kAdapter);  // the choice stays listed

  // The display is blank and dark when it powers up again.
  rig.Emulate(kModelIeeSerial);
  PlugIn();
  rig.loop.RunFor(2000);
  EXPECT_TRUE(Open());
  EXPECT_EQ(Status(), "Reconnected to /dev/ttyUSB0");
  EXPECT_EQ(rig.serial.baud, 19200);
  // Started as a model change starts it, its level again, and the clock's frame at once.
  EXPECT_TRUE(rig.glass().display_on);
  EXPECT_EQ(rig.glass().global_level, 5);
  EXPECT_NE(rig.glass().Row(0).find("3:45"), std::string::npos) << rig.glass().Row(0);
  EXPECT_TRUE(rig.main().Timer3.Enabled());
  EXPECT_EQ(SavedPort(), kAdapter);
}

TEST_F(ReconnectTest, APortMissingAtStartIsOpenedWhenItAppears) {
  Start(false);
  EXPECT_FALSE(Open());
  EXPECT_EQ(rig.main().lstComport.Text(), kAdapter);
  EXPECT_NE(Status().find("No such file or directory"), std::string::npos) << Status();
  rig.loop.RunFor(6000);
  PlugIn();
  rig.loop.RunFor(2000);
  EXPECT_TRUE(Open());
  EXPECT_EQ(Status(), "Reconnected to /dev/ttyUSB0");
  EXPECT_NE(rig.glass().Row(0).find(":"), std::string::npos);  // the clock shows again
  EXPECT_EQ(SavedPort(), kAdapter);
}

TEST_F(ReconnectTest, APortThatComesBackInUseIsNotFoughtOver) {
  Start(false);
  rig.serial.missing.erase(kAdapter);
  rig.serial.in_use.insert(kAdapter);
  rig.loop.RunFor(2000);
  EXPECT_FALSE(Open());
  EXPECT_NE(Status().find("in use by another program"), std::string::npos) << Status();
  EXPECT_TRUE(rig.boxes.shown.empty());  // no box out of the blue
  rig.serial.in_use.clear();
  rig.loop.RunFor(10000);
  EXPECT_FALSE(Open());  // not tried again on its own...
  // ...but picking the same entry again is the user's retry.
  ListBox& ports = rig.main().lstComport;
  ports.Pick(ports.ListIndex());
  EXPECT_TRUE(Open());
}

TEST_F(ReconnectTest, ASleepingDisplayStaysAsleepWhenItsPortComesBack) {
  Start(true);
  rig.main().cmdSleep.Click();
  rig.serial.fail_next_write = true;
  rig.main().cmdBrightness.Click();  // anything sent finds the adapter gone
  ASSERT_FALSE(Open());
  rig.Emulate(kModelIeeSerial);
  rig.loop.RunFor(2000);
  EXPECT_TRUE(Open());
  EXPECT_FALSE(rig.glass().display_on);
  EXPECT_FALSE(rig.main().Timer3.Enabled());
}

TEST_F(ReconnectTest, ChoosingNoPortOrAParallelModelStopsTheWaiting) {
  Start(false);
  ASSERT_TRUE(rig.display().WaitingForPort());
  rig.main().lstComport.SetListIndex(-1);
  EXPECT_FALSE(rig.display().WaitingForPort());
  PlugIn();
  rig.loop.RunFor(4000);
  EXPECT_FALSE(Open());
  EXPECT_EQ(rig.serial.opens, 0);
}

TEST_F(ReconnectTest, ThePortListFollowsDevicesPluggedInAndOutButKeepsTheChosenOne) {
  Start(true);
  ListBox& ports = rig.main().lstComport;
  rig.present_ports = {kAdapter, "/dev/ttyACM0"};
  rig.loop.RunFor(2000);
  EXPECT_EQ(ports.Items(),
            (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", kAdapter, "/dev/ttyACM0"}));
  ports.SetListIndex(ports.Find("/dev/ttyACM0"));
  rig.present_ports = {};
  rig.loop.RunFor(2000);
  // The adapter that went is gone from the list; the chosen one stays, still selected.
  EXPECT_EQ(ports.Items(),
            (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", "/dev/ttyACM0"}));
  EXPECT_EQ(ports.Text(), "/dev/ttyACM0");
}

}  // namespace
}  // namespace vfd

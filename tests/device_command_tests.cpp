// Brightness, clear, self-test, model start-up, splash and the Glow steps, per model.
#include <gtest/gtest.h>

#include "support/Rig.h"

namespace vfd {
namespace {

using testing::HexOf;
using testing::Rig;

class CommandTest : public ::testing::Test {
 protected:
  void Use(int16_t model, int16_t level) {
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.display().brightness_level = level;
    rig.Emulate(model);
    rig.serial.Reset();
    rig.parallel.Reset();
  }
  std::string Sent() { return HexOf(rig.serial.written); }
  std::string Caption() { return rig.main().cmdBrightness.Caption(); }

  Rig rig;
};

TEST_F(CommandTest, ApplyBrightnessMapsTheLevelIntoEachModelsRange) {
  Use(kModelIeeSerial, 5);
  rig.display().ApplyBrightness();
  EXPECT_EQ(Sent(), "19 30 FF 05");
  EXPECT_EQ(rig.glass().global_level, 5);
  rig.serial.Reset();
  rig.display().brightness_level = 9;  // outside 0..7: ignored, caption still follows
  rig.display().ApplyBrightness();
  EXPECT_EQ(Sent(), "");
  EXPECT_EQ(Caption(), "Brightness Level 9");

  Use(kModelIeeParallel, 7);
  rig.display().ApplyBrightness();
  EXPECT_EQ(rig.parallel.Strobed(), "1D");
  EXPECT_EQ(rig.glass().global_level, 2);

  Use(kModelNoritake, -4);
  rig.display().ApplyBrightness();
  EXPECT_EQ(rig.glass().global_level, 3);
  EXPECT_EQ(
      rig.parallel.Writes(),
      (std::vector<std::pair<uint16_t, uint8_t>>{
          {890, 0x02}, {888, 0x30}, {890, 0x03}, {890, 0x06}, {888, 3}, {890, 0x07}, {890, 0x06}}));

  Use(kModelOrbital4x20, -1);
  rig.display().ApplyBrightness();
  EXPECT_EQ(Sent(), "FE 59 03");
  rig.serial.Reset();
  rig.display().brightness_level = 2;
  rig.display().ApplyBrightness();
  EXPECT_EQ(Sent(), "FE 59 02");
}

TEST_F(CommandTest, StepBrightnessCyclesEachModelsLevels) {
  Use(kModelIeeSerial, 7);
  rig.display().StepBrightness();
  EXPECT_EQ(Sent(), "19 30 FF 00");
  EXPECT_EQ(Caption(), "Brightness Level 0");
  rig.display().brightness_level = 12;  // left alone, nothing sent
  rig.serial.Reset();
  rig.display().StepBrightness();
  EXPECT_EQ(Sent(), "");
  EXPECT_EQ(rig.display().brightness_level, 12);

  Use(kModelIeeParallel, 7);
  rig.display().ApplyBrightness();
  rig.display().StepBrightness();
  rig.display().StepBrightness();
  rig.display().StepBrightness();
  EXPECT_EQ(rig.parallel.Strobed(), "1D 1F 1E 1D");
  EXPECT_EQ(Caption(), "Brightness Level 2");

  Use(kModelOrbital2x20, 2);
  rig.display().StepBrightness();
  rig.display().StepBrightness();
  EXPECT_EQ(Sent(), "FE 59 03 FE 59 00");
  EXPECT_EQ(Caption(), "Brightness Level 0");

  Use(kModelNoritake, 3);
  rig.display().StepBrightness();
  EXPECT_EQ(rig.display().brightness_level, 0);
  EXPECT_EQ(rig.glass().global_level, 0);
}

TEST_F(CommandTest, StepBrightnessStoresTheLevelEvenWithThePortClosed) {
  Use(kModelOrbital2x20, 1);
  rig.program->serial().CloseSerial();
  rig.display().StepBrightness();
  EXPECT_EQ(rig.display().brightness_level, 2);
  EXPECT_EQ(Caption(), "Brightness Level 2");
  EXPECT_EQ(Sent(), "");
}

TEST_F(CommandTest, ClearDisplayMemoryPerModelThenTheLevelAgain) {
  Use(kModelIeeSerial, 6);
  rig.display().Write2x20("SOMETHING", "ON SCREEN");
  rig.serial.Reset();
  rig.display().ClearDisplayMemory();
  EXPECT_EQ(Sent(), "14 19 30 FF 06");
  EXPECT_EQ(rig.glass().Text(), std::string(20, ' ') + "\n" + std::string(20, ' '));

  Use(kModelOrbital4x20, 1);
  rig.display().ClearDisplayMemory();
  EXPECT_EQ(Sent(), "FE 58 FE 59 01");

  Use(kModelIeeParallel, 0);
  rig.display().ClearDisplayMemory();
  EXPECT_EQ(rig.parallel.Strobed(), "14 1F");

  // The Noritake has no such command: the button greys itself out and only the level goes.
  Use(kModelNoritake, 2);
  rig.display().ClearDisplayMemory();
  EXPECT_FALSE(rig.main().cmdClearMemory.Enabled());
  EXPECT_EQ(rig.parallel.Writes().size(), 7u);
}

TEST_F(CommandTest, SelfTestTogglesOnlyOnAnOpenIeeSerialDisplay) {
  Use(kModelIeeSerial, 7);
  rig.display().ToggleSelfTest();
  EXPECT_EQ(rig.main().cmdSelfTest.Caption(), "Deactivate Self-Test");
  EXPECT_TRUE(rig.glass().self_test);
  rig.display().ToggleSelfTest();
  EXPECT_EQ(Sent(), "19 3E 19 30 FF 07 19 3F 19 30 FF 07");
  EXPECT_EQ(rig.main().cmdSelfTest.Caption(), "Activate Self-Test");
  EXPECT_FALSE(rig.glass().self_test);

  rig.program->serial().CloseSerial();
  rig.serial.Reset();
  rig.display().ToggleSelfTest();
  EXPECT_EQ(rig.main().cmdSelfTest.Caption(), "Activate Self-Test");
  EXPECT_EQ(Sent(), "");

  Use(kModelOrbital2x20, 7);
  rig.main().cmdSelfTest.SetEnabled(true);
  rig.display().ToggleSelfTest();
  EXPECT_FALSE(rig.main().cmdSelfTest.Enabled());
  EXPECT_EQ(Sent(), "FE 59 03");
}

TEST_F(CommandTest, InitDisplayModelSetsListsButtonsPortAndPreviewPerModel) {
  FrmMain& m = rig.main();
  m.cmdRandomBrightness.SetCaption("Oww, My Eyes!");
  m.cmdKnightrider.SetCaption("Shut Up KITT!");
  rig.display().screen_type = kScreen2x20;
  rig.display().display_model = kModelIeeSerial;
  rig.display().InitDisplayModel();
  EXPECT_EQ(rig.serial.opens, 0);  // no port chosen: none is opened on a guess
  EXPECT_EQ(m.lblStatus.Caption(), "Choose the serial port the display is on.");
  EXPECT_FALSE(rig.display().WaitingForPort());
  rig.program->serial().SetSerialPort("COM1");
  rig.display().InitDisplayModel();
  EXPECT_EQ(rig.serial.path, "/dev/ttyS0");  // the port chosen before
  EXPECT_EQ(Sent(), "19 34");
  EXPECT_TRUE(m.lstComport.Visible() && m.lstSpeed.Visible());
  EXPECT_FALSE(m.lstPPort.Visible());
  EXPECT_TRUE(m.cmdSelfTest.Enabled() && m.cmdKnightrider.Enabled());
  EXPECT_TRUE(m.Timer5.Enabled());  // the effects that ran start again
  EXPECT_TRUE(m.Timer8.Enabled());
  EXPECT_EQ(m.Line1.FontSize(), 18);
  EXPECT_TRUE(m.Line1.Bold());

  rig.serial.Reset();
  rig.display().screen_type = kScreen2x40;
  rig.display().display_model = kModelIeeParallel;
  rig.display().InitDisplayModel();
  EXPECT_FALSE(rig.program->serial().IsSerialOpen());
  EXPECT_FALSE(m.lstComport.Visible());
  EXPECT_TRUE(m.lstPPort.Visible());
  EXPECT_FALSE(m.cmdSelfTest.Enabled() || m.cmdRandomBrightness.Enabled() ||
               m.cmdKnightrider.Enabled());
  EXPECT_TRUE(m.cmdClearMemory.Enabled());
  EXPECT_EQ(m.Line1.FontSize(), 9);
  EXPECT_FALSE(m.Line2.Bold());

  rig.display().screen_type = kScreen2x24;
  rig.display().display_model = kModelNoritake;
  rig.display().InitDisplayModel();
  EXPECT_FALSE(m.cmdClearMemory.Enabled());
  EXPECT_EQ(m.Line2.FontSize(), 14);

  rig.display().screen_type = kScreen4x20;
  rig.display().display_model = kModelOrbital4x20;
  rig.display().InitDisplayModel();
  EXPECT_EQ(Sent(), "FE 42 00");
  EXPECT_TRUE(m.cmdClearMemory.Enabled());
  EXPECT_EQ(m.Line1.FontSize(), 10);
  EXPECT_EQ(m.Line2.FontSize(), 14);  // unchanged
  EXPECT_FALSE(m.Line2.Visible());
  EXPECT_FALSE(m.DivLine.Visible());
}

TEST_F(CommandTest, InitDisplayModelOnAPortInUseShowsTheMessageAndStops) {
  rig.serial.in_use.insert("/dev/ttyS0");
  rig.program->serial().SetSerialPort("COM1");
  rig.display().screen_type = kScreen2x20;
  rig.display().display_model = kModelOrbital2x20;
  rig.main().cmdClearMemory.SetEnabled(false);
  rig.display().InitDisplayModel();
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].second,
            "You have selected a port that is currently in use. Please choose another.");
  EXPECT_FALSE(rig.program->serial().IsSerialOpen());
  EXPECT_EQ(Sent(), "");
  EXPECT_FALSE(rig.main().cmdClearMemory.Enabled());  // the rest of the step was skipped
}

TEST_F(CommandTest, SplashScreensPerModel) {
  Use(kModelIeeSerial, 7);
  rig.display().ShowSplash();
  EXPECT_EQ(rig.serial.written, "\x15QX Depot VFD Vorlinx    Version 3.10\x19\x34");
  EXPECT_EQ(rig.glass().Text(), "QX Depot VFD Vorlinx\n    Version 3.10    ");
  EXPECT_EQ(rig.main().Line1.Caption(), "LINE 1");  // the preview keeps its text

  Use(kModelOrbital2x20, 7);
  rig.display().ShowSplash();
  EXPECT_EQ(HexOf(rig.serial.written.substr(0, 4)), "FE 58 FE 54");
  EXPECT_EQ(HexOf(rig.serial.written.substr(44)), "FE 42 00");
  EXPECT_EQ(rig.glass().Text(), "Matrix Orbital  3.10\nVK202-25 VFD Vorlinx");

  Use(kModelOrbital4x20, 7);
  rig.display().ShowSplash();
  EXPECT_EQ(rig.serial.written.size(), 4u + 79u + 3u);
  EXPECT_EQ(rig.glass().Text(),
            " Matrix Orbital VFD \n"
            "   Model VK204-25   \n"
            "  VFD Vorlinx 3.10  \n"
            "Written By Tam_Orvo ");

  Use(kModelIeeParallel, 7);
  rig.display().ShowSplash();
  EXPECT_EQ(rig.glass().Text(),
            "  VFD Vorlinx      Written By Tam_Orvo  \n"
            " Version 3.10    IEE VFD Model S03601-96");
  EXPECT_EQ(rig.main().Line2.Caption(), " Version 3.10    IEE VFD Model S03601-96");

  Use(kModelNoritake, 7);
  rig.emulator->glass().display_on = false;
  rig.display().ShowSplash();
  EXPECT_EQ(rig.glass().Text(), "VFD Vorlinx Version 3.10\nNoritake CU24025ECPB-U1J");
  EXPECT_TRUE(rig.glass().display_on);
  auto writes = rig.parallel.Writes();
  EXPECT_EQ(std::vector(writes.end() - 4, writes.end()),
            (std::vector<std::pair<uint16_t, uint8_t>>{
                {890, 0x02}, {888, 0x0C}, {890, 0x03}, {890, 0x06}}));
}

TEST_F(CommandTest, GlowStepsSetTheLevelFromTheCounterAndStopAtTheEnds) {
  Use(kModelIeeSerial, 7);
  DisplayLink& d = rig.display();
  d.glow_counter = 7;
  d.GlowStepUp();
  EXPECT_EQ(d.brightness_level, 0);
  EXPECT_EQ(d.glow_counter, 7);
  d.GlowStepDown();
  d.GlowStepDown();
  EXPECT_EQ(d.glow_counter, 5);
  EXPECT_EQ(d.brightness_level, 1);
  d.glow_counter = 0;
  d.GlowStepDown();
  EXPECT_EQ(d.glow_counter, 0);
  EXPECT_EQ(Sent(), "19 30 FF 00 19 30 FF 00 19 30 FF 01 19 30 FF 07");
}

}  // namespace
}  // namespace vfd

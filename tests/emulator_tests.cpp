// The display emulator's decoding of each dialect, for the codes whose effect the tests of the
// writers and commands do not already show.
#include <gtest/gtest.h>

#include "display/Bytes.h"
#include "display/emulator/Decoders.h"

namespace vfd {
namespace {

std::unique_ptr<DisplayEmulator> Fed(int16_t model, const std::string& bytes) {
  auto e = DisplayEmulator::ForModel(model);
  e->FeedSerial(bytes);
  return e;
}

// Register writes of a parallel transfer: each byte latched by a pulse on control bit 0, with
// bit 2 of the pulse's control value telling data (1) from instruction (0).
void Bus(DisplayEmulator& e, uint8_t value, bool data) {
  e.WriteRegister(0, value);
  e.WriteRegister(2, data ? 0x07 : 0x03);
  e.WriteRegister(2, 0x06);
}

TEST(EmulatorTest, IeeSerialKeepsPerCharacterLevelsUntilADisplayWideLevel) {
  auto e = Fed(1, Bytes({0x19, 0x30, 0, 2, 0x19, 0x30, 19, 0, 0x19, 0x30, 25, 5}));
  EXPECT_EQ(e->glass().Levels(0), "27777777777777777770");
  EXPECT_EQ(e->glass().Levels(1), "77777577777777777777");
  e->FeedSerial(Bytes({0x19, 0x30, 0xFF, 4}));
  EXPECT_EQ(e->glass().Levels(0), std::string(20, '4'));
}

TEST(EmulatorTest, IeeSerialWrapsAfterTheLastCellAndClearsWithItsClearCodes) {
  auto e = Fed(1, std::string(40, 'x') + "AB");
  EXPECT_EQ(e->glass().Row(0).substr(0, 3), "ABx");
  e->FeedSerial("\x15Z");
  EXPECT_EQ(e->glass().Text(), "Z" + std::string(19, ' ') + "\n" + std::string(20, ' '));
  e->FeedSerial("\x16Q\x14");
  EXPECT_EQ(e->glass().Row(0), std::string(20, ' '));
}

TEST(EmulatorTest, IeeSerialDisplayOffGlyphsAndUnknownCodes) {
  auto e = Fed(1, Bytes({0x19, 0x33}));
  EXPECT_FALSE(e->glass().display_on);
  e->FeedSerial(Bytes({0x19, 0x34, 0x18, 0xF7, 0xA8, 0x0A, 0x00, 0x54, 0x05, 0x1D, 0x01, 'K'}));
  EXPECT_TRUE(e->glass().display_on);
  EXPECT_EQ(e->glass().glyphs.at(0xF7), (std::vector<uint8_t>{0xA8, 0x0A, 0x00, 0x54, 0x05}));
  // Codes without a visible effect leave the glass alone and the next character lands at home.
  EXPECT_EQ(e->glass().Row(0), "K" + std::string(19, ' '));
  EXPECT_EQ(e->glass().modes.size(), 2u);
}

TEST(EmulatorTest, OrbitalFourRowsFillOneThreeTwoFourAndWrapHome) {
  std::string text;
  for (char c : {'a', 'b', 'c', 'd'})
    text += std::string(20, c);
  auto e = Fed(5, text + "Z");
  EXPECT_EQ(e->glass().Row(0), "Z" + std::string(19, 'a'));
  EXPECT_EQ(e->glass().Row(1), std::string(20, 'c'));
  EXPECT_EQ(e->glass().Row(2), std::string(20, 'b'));
  EXPECT_EQ(e->glass().Row(3), std::string(20, 'd'));
  e->FeedSerial(Bytes({0xFE, 0x59, 0x01, 0xFE, 0x46, 0xFE, 0x53}));
  EXPECT_EQ(e->glass().global_level, 1);
  EXPECT_FALSE(e->glass().display_on);
  EXPECT_TRUE(e->glass().cursor_blink);
  e->FeedSerial(Bytes({0xFE, 0x42, 0x00, 0xFE, 0x58}));
  EXPECT_TRUE(e->glass().display_on);
  EXPECT_EQ(e->glass().Row(0), std::string(20, ' '));
}

TEST(EmulatorTest, IeeParallelLatchesOnTheStrobeAndHasThreeLevels) {
  auto e = DisplayEmulator::ForModel(2);
  for (uint8_t b : {0x1E, 0x16, 0x48, 0x49}) {  // level 1, home, "HI"
    e->WriteRegister(0, b);
    e->WriteRegister(0, b);  // a data write alone latches nothing
    e->WriteRegister(2, 0x01);
    e->WriteRegister(2, 0x00);
  }
  EXPECT_EQ(e->glass().global_level, 1);
  EXPECT_EQ(e->glass().Row(0).substr(0, 3), "HI ");
  EXPECT_EQ(e->BytesDecoded(), 4u);
  EXPECT_GT(e->ReadStatus(), 0x7F);
}

TEST(EmulatorTest, NoritakeBusInstructionsDataBrightnessAndLineWrap) {
  auto e = DisplayEmulator::ForModel(3);
  Bus(*e, 0x30, false);  // function set: the next data byte is the brightness
  Bus(*e, 0x02, true);
  EXPECT_EQ(e->glass().global_level, 2);
  Bus(*e, 0x80 + 0x26, false);  // two characters before the end of line 1's memory
  for (char c : std::string("XYZ"))
    Bus(*e, static_cast<uint8_t>(c), true);
  EXPECT_EQ(e->glass().Row(1)[0], 'Z');  // 0x27 is followed by 0x40
  Bus(*e, 0x08, false);
  EXPECT_FALSE(e->glass().display_on);
  Bus(*e, 0x0D, false);
  EXPECT_TRUE(e->glass().display_on && e->glass().cursor_blink && !e->glass().cursor_visible);
  Bus(*e, 0x48, false);  // character memory, glyph 1
  Bus(*e, 0x1F, true);
  EXPECT_EQ(e->glass().glyphs.at(1)[0], 0x1F);
  Bus(*e, 0x01, false);
  EXPECT_EQ(e->glass().Text(), std::string(24, ' ') + "\n" + std::string(24, ' '));
}

}  // namespace
}  // namespace vfd

// The four line writers: exact bytes per model, fitting, the preview, and what the glass shows.
#include <gtest/gtest.h>

#include "display/Bytes.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::HexOf;
using testing::Rig;

class WriterTest : public ::testing::Test {
 protected:
  // Model chosen, port open or address set, emulator attached, recordings cleared.
  void Use(int16_t model) {
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);  // &H378
    rig.Emulate(model);
    rig.serial.Reset();
    rig.parallel.Reset();
  }
  std::string Preview1() { return rig.main().Line1.Caption(); }
  std::string Preview2() { return rig.main().Line2.Caption(); }

  Rig rig;
};

TEST_F(WriterTest, Iee2x20SendsCursorOffHomeAndExactlyFortyCharacters) {
  Use(kModelIeeSerial);
  rig.display().Write2x20("HELLO", "A LINE LONGER THAN TWENTY CHARACTERS");
  EXPECT_EQ(rig.serial.written,
            "\x0E\x16"
            "HELLO               "
            "A LINE LONGER THAN T");
  EXPECT_EQ(rig.glass().Row(0), "HELLO               ");
  EXPECT_EQ(rig.glass().Row(1), "A LINE LONGER THAN T");
  EXPECT_EQ(Preview1(), "HELLO               ");
  EXPECT_EQ(Preview2(), "A LINE LONGER THAN T");
}

TEST_F(WriterTest, Orbital2x20SendsCursorOffHomeThenBothLines) {
  Use(kModelOrbital2x20);
  rig.display().Write2x20("", "X");
  EXPECT_EQ(HexOf(rig.serial.written.substr(0, 4)), "FE 54 FE 48");
  EXPECT_EQ(rig.serial.written.size(), 44u);
  EXPECT_EQ(rig.glass().Row(0), std::string(20, ' '));
  EXPECT_EQ(rig.glass().Row(1), "X" + std::string(19, ' '));
}

TEST_F(WriterTest, Orbital4x20SendsRowsInFillOrderAndPreviewsThemInReadingOrder) {
  Use(kModelOrbital4x20);
  // A row given as a whole 40-character line keeps only its first 20 characters.
  rig.display().Write4x20("A first row", "B second row", "C third row",
                          "D fourth row, much longer than twenty");
  const std::string& out = rig.serial.written;
  ASSERT_EQ(out.size(), 84u);
  EXPECT_EQ(out[4], 'A');
  EXPECT_EQ(out[24], 'C');
  EXPECT_EQ(out[44], 'B');
  EXPECT_EQ(out[64], 'D');
  EXPECT_EQ(rig.glass().Text(),
            "A first row         \n"
            "B second row        \n"
            "C third row         \n"
            "D fourth row, much l");
  EXPECT_EQ(Preview1(),
            "       A first row         \r\n"
            "        B second row        \r\n"
            "        C third row         \r\n"
            "        D fourth row, much l");
  EXPECT_EQ(Preview2(), "LINE 2");  // untouched
}

TEST_F(WriterTest, Iee2x40HandshakesEveryByteAndFillsBothLines) {
  Use(kModelIeeParallel);
  rig.display().Write2x40("TOP", "BOTTOM");
  // Three commands after WaitStatusHigh each, one more wait, then 80 characters each followed
  // by a status read.
  std::vector<std::pair<uint16_t, uint8_t>> expected;
  for (uint8_t b : {0x16, 0x12, 0x0E}) {
    expected.insert(expected.end(), {{888, b}, {890, 0x01}, {890, 0x00}});
  }
  std::string text = Fit("TOP", 40) + Fit("BOTTOM", 40);
  for (char c : text)
    expected.insert(expected.end(), {{888, static_cast<uint8_t>(c)}, {890, 0x01}, {890, 0x00}});
  EXPECT_EQ(rig.parallel.Writes(), expected);
  EXPECT_EQ(rig.parallel.Reads(), 4u + 80u);
  EXPECT_EQ(rig.glass().Row(0), Fit("TOP", 40));
  EXPECT_EQ(rig.glass().Row(1), Fit("BOTTOM", 40));
}

TEST_F(WriterTest, Iee2x40DropsTheFrameWhileAnUploadOwnsThePort) {
  Use(kModelIeeParallel);
  rig.display().parallel_busy = 1;
  rig.display().Write2x40("NEW", "TEXT");
  EXPECT_TRUE(rig.parallel.accesses.empty());
  EXPECT_EQ(Preview1(), Fit("NEW", 40));
}

TEST_F(WriterTest, Noritake2x24WritesHomeDisplayOnLineOneAddressLineTwo) {
  Use(kModelNoritake);
  rig.display().Write2x24("NORITAKE", "SECOND");
  std::vector<std::pair<uint16_t, uint8_t>> expected = {
      {890, 0x02}, {888, 0x02}, {890, 0x03}, {890, 0x02}, {888, 0x0C}, {890, 0x03}, {890, 0x06}};
  for (char c : Fit("NORITAKE", 24))
    expected.insert(expected.end(), {{888, static_cast<uint8_t>(c)}, {890, 0x07}, {890, 0x06}});
  expected.insert(expected.end(), {{890, 0x02}, {888, 0xC0}, {890, 0x03}, {890, 0x06}});
  for (char c : Fit("SECOND", 24))
    expected.insert(expected.end(), {{888, static_cast<uint8_t>(c)}, {890, 0x07}, {890, 0x06}});
  EXPECT_EQ(rig.parallel.Writes(), expected);
  EXPECT_EQ(rig.parallel.Reads(), 0u);
  EXPECT_EQ(rig.glass().Row(0), Fit("NORITAKE", 24));
  EXPECT_EQ(rig.glass().Row(1), Fit("SECOND", 24));
  EXPECT_TRUE(rig.glass().display_on);
}

TEST_F(WriterTest, WritersSendOnlyForTheirOwnModelAndAlwaysUpdateThePreview) {
  Use(kModelOrbital2x20);
  rig.display().Write4x20("A", "B", "C", "D");  // model 4 is not a 4x20 display
  rig.display().Write2x40("A", "B");
  rig.display().Write2x24("A", "B");
  EXPECT_TRUE(rig.serial.written.empty());
  EXPECT_EQ(Preview1(), Fit("A", 24));

  rig.display().display_model = kModelNone;
  rig.display().Write2x20("ONLY", "PREVIEW");
  EXPECT_TRUE(rig.serial.written.empty());
  EXPECT_EQ(Preview2(), Fit("PREVIEW", 20));
}

TEST_F(WriterTest, ClosedPortOrNoAddressSendsNothing) {
  Use(kModelIeeSerial);
  rig.program->serial().CloseSerial();
  rig.serial.Reset();
  rig.display().Write2x20("QUIET", "");
  EXPECT_TRUE(rig.serial.written.empty());
  EXPECT_EQ(Preview1(), Fit("QUIET", 20));

  Use(kModelNoritake);
  rig.main().lstPPort.SetListIndex(-1);  // no address
  rig.parallel.Reset();
  rig.display().Write2x24("QUIET", "");
  EXPECT_TRUE(rig.parallel.accesses.empty());
}

TEST_F(WriterTest, WriteLinesSplitsEachLineIntoTwoRowsOn4x20) {
  Use(kModelOrbital4x20);
  std::string l1 =
      "0123456789ABCDEFGHIJ"
      "KLMNOPQRSTUVWXYZ!?#$";
  rig.display().WriteLines(l1, "SHORT");
  EXPECT_EQ(rig.glass().Text(),
            "0123456789ABCDEFGHIJ\n"
            "KLMNOPQRSTUVWXYZ!?#$\n"
            "SHORT               \n"
            "                    ");
  rig.display().screen_type = kScreenNone;
  rig.serial.Reset();
  rig.display().WriteLines("X", "Y");
  EXPECT_TRUE(rig.serial.written.empty());
}

TEST_F(WriterTest, HighCodesPassThroughUnchanged) {
  Use(kModelIeeSerial);
  std::string katakana = Bytes({0xB1, 0xB2, 0xCF, 0xFF, 0x80});
  rig.display().Write2x20(katakana, "");
  EXPECT_EQ(rig.serial.written.substr(2, 5), katakana);
  EXPECT_EQ(rig.glass().Code(0, 0), 0xB1);
  EXPECT_EQ(rig.glass().Code(0, 3), 0xFF);
}

}  // namespace
}  // namespace vfd

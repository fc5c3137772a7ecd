// The parallel primitives and the bounded status waits.
#include <gtest/gtest.h>

#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;
using Writes = std::vector<std::pair<uint16_t, uint8_t>>;

class ParallelTest : public ::testing::Test {
 protected:
  ParallelTest() {
    rig.display().screen_type = kScreen2x40;
    rig.display().display_model = kModelIeeParallel;
    rig.main().lstPPort.SetListIndex(0);  // &H378
    rig.parallel.Reset();
  }
  ParallelLink& link() { return rig.program->parallel(); }
  size_t DataWrites() {
    size_t n = 0;
    for (const auto& [address, value] : rig.parallel.Writes())
      n += address == 888;
    return n;
  }
  Rig rig;
};

TEST_F(ParallelTest, StrobeAndBusWritesPulseTheControlRegister) {
  link().StrobeWrite(0x41);
  link().HdWrite(0x42, 0x07, 0x06);
  EXPECT_EQ(rig.parallel.Writes(),
            (Writes{{888, 0x41}, {890, 0x01}, {890, 0x00}, {888, 0x42}, {890, 0x07}, {890, 0x06}}));
}

TEST_F(ParallelTest, TheTwoWaitsReadyOnDifferentStatusValues) {
  // 0x00 is "not 0x7F" but not "high": the character wait passes, the command wait does not.
  rig.parallel.status_script = {0x7F, 0x7F, 0x00};
  EXPECT_TRUE(link().WaitStatusNot7F());
  EXPECT_EQ(rig.parallel.Reads(), 3u);
  rig.parallel.status_script = {0x00, 0x7F, 0x10, 0x80};
  EXPECT_TRUE(link().WaitStatusHigh());
  EXPECT_EQ(rig.parallel.Reads(), 7u);
}

TEST_F(ParallelTest, ADisplayThatStaysBusyAbandonsTheFrameAfterTheTimeOut) {
  rig.parallel.status_source = [] { return uint8_t{0x7F}; };
  int64_t start = rig.loop.NowMicros();
  rig.display().Write2x40("LOST", "FRAME");
  int64_t waited = rig.loop.NowMicros() - start;
  EXPECT_GE(waited, ParallelLink::kStatusWaitMicros);
  EXPECT_LT(waited, 2 * ParallelLink::kStatusWaitMicros);
  EXPECT_EQ(DataWrites(), 0u);  // abandoned at the first wait
  EXPECT_EQ(rig.main().Line1.Caption(), Fit("LOST", 40));
  EXPECT_NE(rig.main().lblStatus.Caption().find("&H378"), std::string::npos);

  // The display comes back: the next frame goes out whole.
  rig.parallel.status_source = nullptr;
  rig.display().Write2x40("BACK", "AGAIN");
  EXPECT_EQ(DataWrites(), 83u);
}

TEST_F(ParallelTest, BusyInTheMiddleOfAFrameStopsAfterTheCharacterThatWasBeingWritten) {
  rig.parallel.status_script = {0x80, 0x80, 0x80, 0x80};  // the four command waits pass
  rig.parallel.status_source = [] { return uint8_t{0x7F}; };
  rig.display().Write2x40("ABC", "");
  EXPECT_EQ(DataWrites(), 3u + 1u);
  rig.parallel.Reset();
  rig.display().SendModel2Command(0x14);  // a command finds it busy too: nothing strobed
  EXPECT_EQ(DataWrites(), 0u);
}

}  // namespace
}  // namespace vfd

// The serial output queue: call order, replacement of stale frames and per-character commands on
// a slow line, and the drain before closing.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "core/Timer.h"
#include "display/Bytes.h"
#include "display/SerialLink.h"
#include "display/emulator/Decoders.h"
#include "support/Fakes.h"
#include "support/FrameWatch.h"

namespace vfd {
namespace {

using testing::FakeSerialDevice;
using testing::VirtualEventLoop;

class SerialLinkTest : public ::testing::Test {
 protected:
  SerialLinkTest() {
    device.throttle = true;
    link.SetSerialPort("/dev/ttyUSB0");
    EXPECT_TRUE(link.OpenSerial().ok());
  }
  // A model-4 frame whose first line carries `n`.
  static std::string Frame(int n) {
    std::string line = "FRAME " + std::to_string(n);
    line.resize(40, ' ');
    return "\xFE\x54\xFE\x48" + line;
  }

  VirtualEventLoop loop;
  FakeSerialDevice device{loop};
  SerialLink link{device, loop};
};

TEST_F(SerialLinkTest, StaleFramesAndLevelsAreReplacedWhileCommandsKeepTheirOrder) {
  std::string f1 = Frame(1), f2 = Frame(2), f3 = Frame(3);
  link.SendFrame(f1);  // starts at once: the line takes its first bytes
  link.SerialSend("\xFE\x58");
  link.SendFrame(f2);  // never started: replaced by the next frame
  link.SendCharLevel(Bytes({0x19, 0x30, 5, 1}), 5);
  link.SendCharLevel(Bytes({0x19, 0x30, 6, 1}), 6);
  link.SendFrame(f3);                                // where the second frame stood
  link.SendCharLevel(Bytes({0x19, 0x30, 5, 7}), 5);  // replaces the level for position 5 only
  link.SerialSend("\xFE\x42");
  loop.RunFor(1000);
  EXPECT_EQ(device.written, f1 + "\xFE\x58" + f3 + Bytes({0x19, 0x30, 5, 7}) +
                                Bytes({0x19, 0x30, 6, 1}) + "\xFE\x42");
  EXPECT_EQ(link.QueuedBytes(), 0u);
}

TEST_F(SerialLinkTest, AHalfSentFrameIsFinishedBeforeAnythingElse) {
  std::string f1 = Frame(1), f2 = Frame(2);
  link.SendFrame(f1);
  ASSERT_GT(device.written.size(), 0u);
  ASSERT_LT(device.written.size(), f1.size());
  link.SendFrame(f2);
  loop.RunFor(1000);
  EXPECT_EQ(device.written, f1 + f2);
}

TEST_F(SerialLinkTest, FramesFasterThanTheLineStayCurrentInsteadOfLagging) {
  // 42-byte frames every 25 ms need 1680 bytes/s; 9600 baud carries 960.
  auto emulator = DisplayEmulator::ForModel(4);
  device.on_bytes = [&](std::string_view b) { emulator->FeedSerial(b); };
  // The frame the glass shows whole (a frame half written would read as another number).
  testing::FrameWatch frames(device, loop, "\xFE\x54\xFE\x48", 40);
  auto shown = [&] {
    std::string row = frames.Latest();
    int n = -1;
    if (row.starts_with("FRAME ")) std::from_chars(row.data() + 6, row.data() + row.size(), n);
    return n;
  };
  int worst_lag = 0;
  size_t worst_queue = 0;
  for (int n = 1; n <= 400; ++n) {  // ten seconds
    link.SendFrame(Frame(n));
    worst_queue = std::max(worst_queue, link.QueuedBytes());
    loop.RunFor(25);
    if (n > 10) worst_lag = std::max(worst_lag, n - shown());
  }
  EXPECT_LE(worst_lag, 3);
  EXPECT_LE(worst_queue, 2 * Frame(0).size());
  loop.RunFor(200);
  EXPECT_EQ(shown(), 400);
}

TEST_F(SerialLinkTest, PerCharacterLevelsFasterThanTheLineKeepOnlyTheNewestPerPosition) {
  // Twenty 4-byte commands every 50 ms need 1600 bytes/s.
  auto emulator = DisplayEmulator::ForModel(1);
  device.on_bytes = [&](std::string_view b) { emulator->FeedSerial(b); };
  size_t worst_queue = 0;
  for (int tick = 0; tick < 200; ++tick) {
    for (int p = 0; p < 20; ++p)
      link.SendCharLevel(Bytes({0x19, 0x30, static_cast<uint8_t>(p), uint8_t(tick % 8)}), p);
    worst_queue = std::max(worst_queue, link.QueuedBytes());
    loop.RunFor(50);
  }
  EXPECT_LE(worst_queue, 21u * 4u);  // one command may be half sent
  loop.RunFor(200);
  EXPECT_EQ(emulator->glass().Levels(0), std::string(20, '0' + 199 % 8));
}

TEST_F(SerialLinkTest, WhatATickQueuesGoesOutInOneWriteAndTicksTopUpABusyLine) {
  std::vector<std::string> writes;
  device.on_bytes = [&](std::string_view bytes) { writes.emplace_back(bytes); };
  device.line_buffer = 96;
  Timer tick("tick", 25);
  tick.AttachHost(&loop);
  int n = 0;
  tick.on_tick = [&] {
    link.SendFrame(Frame(++n));
    for (int position = 0; position < 20; ++position)
      link.SendCharLevel(Bytes({0x19, 0x30, static_cast<uint8_t>(position), 7}), position);
  };
  tick.SetEnabled(true);
  loop.RunFor(25);
  // A frame of 44 bytes and twenty levels of 4: the line takes 96 at once, in one write.
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(
      writes[0], Frame(1) + Bytes({0x19, 0x30, 0, 7}) + [] {
        std::string levels;
        for (uint8_t position = 1; position < 13; ++position)
          levels += Bytes({0x19, 0x30, position, 7});
        return levels;
      }());
  // The line stays busy: from now on each tick hands over what the line has room for, and the
  // link's own timer never has to wake for it.
  writes.clear();
  loop.RunFor(1000);
  EXPECT_EQ(writes.size(), 40u);
  device.on_bytes = nullptr;

  // Outside a tick every call goes out at once, as far as the line takes it.
  tick.SetEnabled(false);
  loop.RunFor(1000);
  device.written.clear();
  link.SerialSend("\xFE\x58");
  EXPECT_EQ(device.written, "\xFE\x58");
}

TEST_F(SerialLinkTest, ALineThatNeverDrainsIsAskedLessAndLessOftenUntilItMovesAgain) {
  device.stuck = true;
  link.SendFrame(Frame(1));
  link.SerialSend("\xFE\x46");
  // Every millisecond or two, that would be thousands of wake-ups over ten seconds.
  loop.RunFor(10'000);
  EXPECT_LE(device.writes, 25);
  EXPECT_GE(device.writes, 10);  // still asked, about once a second by now
  EXPECT_EQ(device.written, "");
  // Moving again: everything arrives, in order, and at the line's pace from the first write on.
  device.stuck = false;
  loop.RunFor(1000);
  EXPECT_EQ(device.written, Frame(1) + "\xFE\x46");
  const int writes = device.writes;
  link.SendFrame(Frame(2));
  loop.RunFor(100);
  EXPECT_EQ(device.written, Frame(1) + "\xFE\x46" + Frame(2));
  EXPECT_LE(device.writes - writes, 6);  // 44 bytes through a 16-byte buffer
}

TEST_F(SerialLinkTest, ClosingSendsWhatIsQueuedFirstWithinABoundedTime) {
  link.SendFrame(Frame(1));
  link.SerialSend("\xFE\x46");  // display off, still queued behind the frame
  ASSERT_GT(link.QueuedBytes(), 0u);
  link.CloseSerial();
  EXPECT_EQ(device.written, Frame(1) + "\xFE\x46");
  EXPECT_FALSE(link.IsSerialOpen());
  EXPECT_GT(device.last_drain_timeout_ms, 0);
  EXPECT_LE(device.last_drain_timeout_ms, 3000);
  link.SerialSend("late");  // closed: dropped quietly
  EXPECT_EQ(device.written, Frame(1) + "\xFE\x46");
}

TEST_F(SerialLinkTest, AfterReopeningNothingQueuedBeforeIsReplaced) {
  link.SendFrame(Frame(1));
  link.SendFrame(Frame(2));
  link.SendCharLevel(Bytes({0x19, 0x30, 0, 1}), 0);
  link.CloseSerial();
  ASSERT_TRUE(link.OpenSerial().ok());
  device.Reset();
  const std::string splash = "\x15QX Depot VFD Vorlinx    Version 3.10";
  link.SerialSend(splash);  // keeps the line busy while the rest queues
  link.SerialSend("\x19\x34");
  link.SerialSend(Bytes({0x19, 0x30, 0xFF, 3}));
  link.SendFrame(Frame(3));
  link.SendCharLevel(Bytes({0x19, 0x30, 0, 2}), 0);
  loop.RunFor(1000);
  EXPECT_EQ(device.written, splash + "\x19\x34" + Bytes({0x19, 0x30, 0xFF, 3}) + Frame(3) +
                                Bytes({0x19, 0x30, 0, 2}));
}

TEST_F(SerialLinkTest, PortAndSpeedChangeOnlyWhileClosed) {
  link.SetSerialPort("COM3");
  link.SetSerialSettings("19200,n,8,1");
  EXPECT_EQ(link.Port(), "/dev/ttyUSB0");
  EXPECT_EQ(link.Settings(), "9600,n,8,1");
  link.CloseSerial();
  link.SetSerialPort("COM3");
  link.SetSerialSettings("19200,n,8,1");
  ASSERT_TRUE(link.OpenSerial().ok());
  EXPECT_EQ(device.path, "/dev/ttyS2");
  EXPECT_EQ(device.baud, 19200);
  EXPECT_EQ(SerialLink::BaudOf("nonsense"), 9600);
}

TEST_F(SerialLinkTest, AFailingWriteClosesTheLinkAndReportsOnce) {
  std::vector<std::string> reasons;
  link.failed.Connect([&](const std::string& r) { reasons.push_back(r); });
  device.fail_next_write = true;
  link.SendFrame(Frame(1));
  link.SendFrame(Frame(2));
  loop.RunFor(100);
  EXPECT_EQ(reasons, (std::vector<std::string>{"Input/output error"}));
  EXPECT_FALSE(link.IsSerialOpen());
  EXPECT_EQ(link.QueuedBytes(), 0u);
}

}  // namespace
}  // namespace vfd

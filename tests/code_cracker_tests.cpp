// The code cracker: guesses never repeat at a position, the give-up, the hand-over after a
// crack at start-up, and the candidate ranges per screen.
#include <gtest/gtest.h>

#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

class CrackerTest : public ::testing::Test {
 protected:
  void Use(int16_t model) {
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(model);
  }
  // Starts a crack of `message` from the button.
  void Crack(const std::string& message) {
    rig.program->ticker().current_message = message;
    rig.main().cmdCodeCrack.Click();
  }
  CodeCracker& cracker() { return rig.program->cracker(); }
  // Runs ticks until the cracker stops (or `limit` ticks).
  int RunUntilStopped(int limit = 100000) {
    int ticks = 0;
    while (rig.main().Timer16.Enabled() && ticks < limit) {
      rig.loop.RunFor(1);
      ++ticks;
    }
    return ticks;
  }

  Rig rig;
};

TEST_F(CrackerTest, AMessageOfBlanksIsCrackedAtTheFirstTick) {
  Use(kModelOrbital2x20);
  Crack("     ");
  rig.loop.RunFor(1);
  EXPECT_EQ(rig.glass().Row(1), Fit("Permutations: 0", 20));
  EXPECT_FALSE(rig.main().Timer16.Enabled());
}

TEST_F(CrackerTest, EveryWrongPositionGetsOneNewGuessPerTickAndNeverTheSameOneTwice) {
  Use(kModelIeeSerial);
  rig.random.fallback = 0.0;  // the first guess is always code 32, so guesses climb from there
  Crack("THIS CODE IS CRACKED");
  rig.loop.RunFor(1);
  // Three blanks are right from the start: 17 positions guessed.
  EXPECT_EQ(cracker().permutation_count, 17);
  EXPECT_EQ(rig.glass().Row(1), Fit("Permutations: 17", 20));
  rig.loop.RunFor(1);
  EXPECT_EQ(cracker().crack_guess.substr(0, 4), "!!!!");  // 33: 32 was used up at each
  EXPECT_TRUE(cracker().Tried(32, 1) && cracker().Tried(33, 1) && !cracker().Tried(34, 1));
  int ticks = RunUntilStopped();
  // 'T' (84), the highest, needs 53 guesses from 32; then the crack stops and is reset.
  EXPECT_EQ(ticks, 84 - 32 + 1 - 2);
  EXPECT_EQ(rig.glass().Row(0), "THIS CODE IS CRACKED");
  EXPECT_EQ(cracker().permutation_count, 0);
  EXPECT_EQ(cracker().crack_guess, "");
}

TEST_F(CrackerTest, AGuessAlreadyTriedMovesOnAndWrapsFromTheHighestCode) {
  Use(kModelOrbital2x20);
  rig.random.fallback = 222.0 / 223;  // the first guess is always 254
  Crack("!");
  rig.loop.RunFor(1);
  // 254 is this display's command prefix and never guessed: 255 instead.
  EXPECT_EQ(static_cast<uint8_t>(cracker().crack_guess[0]), 255);
  rig.loop.RunFor(1);
  // 254 and 255 used up: the search wraps to the lowest candidate, counting one permutation.
  EXPECT_EQ(cracker().crack_guess[0], ' ');
  EXPECT_EQ(cracker().permutation_count, 3);
  rig.loop.RunFor(1);
  EXPECT_FALSE(rig.main().Timer16.Enabled());  // 33 is '!'
}

TEST_F(CrackerTest, ACharacterNoCandidateProducesGivesUpInsteadOfSearchingForEver) {
  Use(kModelOrbital2x20);
  rig.random.fallback = 0.5;
  Crack("A\x05");  // a control code is below every candidate
  int ticks = RunUntilStopped();
  EXPECT_LE(ticks, 300);
  EXPECT_EQ(cracker().permutation_count, 0);  // reset after giving up
  Use(kModelIeeParallel);
  Crack("\x90");  // on 2x40, codes 128..159 are never shown
  EXPECT_LE(RunUntilStopped(), 300);
}

TEST_F(CrackerTest, TwoByFortyShowsHighCodesThirtyTwoHigher) {
  Use(kModelIeeParallel);
  rig.random.fallback = 96.0 / 175;  // nearest(96 + 32) = 128, shown as 160
  Crack("x");
  rig.loop.RunFor(1);
  EXPECT_EQ(static_cast<uint8_t>(cracker().crack_guess[0]), 160);
  EXPECT_EQ(rig.glass().Row(1), Fit("Testing...   Permutations Tried: 1", 40));
}

TEST_F(CrackerTest, ALongMessageIsCutToTheScreenAndStaysCut) {
  Use(kModelNoritake);
  Crack(std::string(30, 'Z'));
  rig.loop.RunFor(1);
  EXPECT_EQ(cracker().crack_target, std::string(24, 'Z'));
  EXPECT_EQ(rig.glass().Row(1).substr(0, 20), "Permutations Tried: ");
}

TEST_F(CrackerTest, AnInterruptedCrackGoesOnAndACompletedOneStartsFromBlanks) {
  Use(kModelOrbital4x20);
  rig.random.fallback = 0.0;
  Crack("ZZ");
  rig.loop.RunFor(5);
  const int32_t count = cracker().permutation_count;
  rig.main().cmdClock.Click();
  rig.main().cmdCodeCrack.Click();
  EXPECT_EQ(cracker().permutation_count, count);  // not reset by switching away and back
  RunUntilStopped();
  EXPECT_EQ(rig.glass().Row(0), Fit("ZZ", 20));
  EXPECT_EQ(rig.glass().Row(2), Fit("     Testing...", 20));
  rig.main().cmdCodeCrack.Click();
  rig.loop.RunFor(1);
  EXPECT_EQ(cracker().permutation_count, 2);  // from blanks and zero again
}

class CrackOnLoadTest : public CrackerTest {
 protected:
  void StartWith(const std::string& code) {
    Settings s;
    s.DisplayModelCode = kModelOrbital2x20;
    s.ComPort = "COM1";
    s.MessageText = "AB";
    s.StartFunctionCode = code;
    rig.files.files["vfdsettings.txt"] = FormatSettings(s);
    rig.Emulate(kModelOrbital2x20);
    rig.program->Start();
  }
};

TEST_F(CrackOnLoadTest, TheCrackedMessageStaysOneAndAHalfSecondsThenTheStoredFunctionStarts) {
  StartWith("3");
  EXPECT_EQ(rig.program->ticker().startup_complete, 0);
  EXPECT_EQ(rig.glass().Row(0), "Matrix Orbital  3.10");  // the splash; no frame at once
  while (rig.main().Timer16.Interval() == 1)
    rig.loop.RunFor(1);
  EXPECT_EQ(rig.glass().Row(0), Fit("AB", 20));
  rig.loop.RunFor(1499);
  EXPECT_FALSE(rig.main().Timer3.Enabled());
  rig.loop.RunFor(1);
  // The clock started, then the cracked text was shown once more, and the cracker stopped.
  EXPECT_TRUE(rig.main().Timer3.Enabled());
  EXPECT_FALSE(rig.main().Timer16.Enabled());
  EXPECT_EQ(rig.main().Timer16.Interval(), 1);
  EXPECT_EQ(rig.glass().Row(0), Fit("AB", 20));
  EXPECT_EQ(rig.program->ticker().startup_complete, 1);
  rig.loop.RunFor(500);
  EXPECT_NE(rig.glass().Row(0), Fit("AB", 20));  // the clock's own frame
}

TEST_F(CrackOnLoadTest, ResumeCodesRotationTheCrackerItselfOrNothing) {
  StartWith("16");
  RunUntilStopped(10000);
  rig.loop.RunFor(2000);
  EXPECT_FALSE(rig.main().Timer16.Enabled());
  EXPECT_EQ(rig.program->modes().RunningFunctionCode(), "0");
  EXPECT_EQ(rig.program->ticker().startup_complete, 1);

  Rig rotation;
  Settings s;
  s.StartFunctionCode = "7";
  rotation.files.files["vfdsettings.txt"] = FormatSettings(s);
  rotation.program->Start();
  rotation.loop.RunFor(5000);
  EXPECT_TRUE(rotation.main().Timer7.Enabled());
  EXPECT_EQ(rotation.main().cmdRotate.Caption(), "Stop Rotation");
}

TEST_F(CrackOnLoadTest, ChoosingAFunctionOrTypingDuringTheCrackEndsTheHandOver) {
  StartWith("3");
  rig.main().cmdTicker.Click();
  EXPECT_EQ(rig.program->ticker().startup_complete, 1);
  rig.loop.RunFor(5000);
  EXPECT_TRUE(rig.main().Timer1.Enabled());
  EXPECT_FALSE(rig.main().Timer3.Enabled());  // the clock never took over
  rig.serial.Reset();
  rig.main().txtMessage.SetText("echoed");
  EXPECT_NE(rig.serial.written.find("echoed"), std::string::npos);
}

TEST_F(CrackOnLoadTest, LeavingDuringTheCrackKeepsTheStoredFunction) {
  StartWith("12");
  rig.loop.RunFor(1);
  ASSERT_TRUE(rig.main().Timer16.Enabled());
  rig.program->Shutdown();
  EXPECT_EQ(ParseSettings(rig.files.files.at("vfdsettings.txt")).settings.StartFunctionCode, "12");
}

TEST_F(CrackerTest, AFastCrackOnASlowLineStaysCurrent) {
  Use(kModelIeeSerial);
  rig.serial.throttle = true;  // 9600 baud: a 42-byte frame takes 44 ms, a tick is 1 ms
  rig.random.fallback = 0.37;
  Crack("A LONG TARGET TEXT!!");
  size_t worst_queue = 0;
  for (int ms = 0; ms < 400 && rig.main().Timer16.Enabled(); ++ms) {
    rig.loop.RunFor(1);
    worst_queue = std::max(worst_queue, rig.program->serial().QueuedBytes());
  }
  EXPECT_LE(worst_queue, 2u * 42u);
  rig.loop.RunFor(200);
  EXPECT_EQ(rig.glass().Row(1), rig.main().Line2.Caption());  // the glass caught up
}

}  // namespace
}  // namespace vfd

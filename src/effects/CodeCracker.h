#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/DisplayFunction.h"
#include "core/Random.h"
#include "display/DisplayLink.h"
#include "effects/Ticker.h"

namespace vfd {

// Reveals the message as if cracking a code: every position that does not show its character
// yet gets a new random guess each tick, never the same guess twice at one position, under a
// running count of guesses.
class CodeCracker {
 public:
  // The count at which a crack gives up: a character the candidates cannot produce is never
  // found.
  static constexpr int32_t kGiveUp = 15000;

  struct Controls {
    Button& cmdCodeCrack;
    Timer& Timer16;
  };

  CodeCracker(Controls controls, DisplayLink& display, Ticker& ticker, RandomSource& random);
  // Activated by its button, the cracker takes the message as its target; start-up and wake
  // leave the target as it is.
  FunctionRegistration Registration();

  std::string crack_target;            // CrackTarget
  std::string crack_guess;             // CrackGuess
  int32_t permutation_count = 0;       // PermutationCount
  bool crack_on_load_pending = false;  // CrackOnLoadPending
  int16_t resume_function_code = 0;    // ResumeFunctionCode

  // Starts the function a crack on load hands over to (the rules of a start by code, except that
  // the code cracker itself only keeps running).
  std::function<void(int16_t)> start_resumed_function;

  void Tick();  // Timer16

  // Whether the crack that start-up began is still running or pausing before it hands over.
  bool HandingOver() const;
  // The user took over (chose a function, typed a message) while start-up's crack ran: there is
  // no hand-over any more, and start-up counts as complete.
  void CancelHandOver();
  bool Tried(int code, int position) const {
    return tried_[static_cast<size_t>(position)][static_cast<size_t>(code)];
  }

 private:
  struct Screen {
    size_t width;
    int lowest;
    int highest;
    double scale;      // the first guess is nearest(r x scale + lowest)
    bool count_wraps;  // a wrap past the highest candidate counts as a permutation
    bool shift_high;   // codes above 127 are shown 32 higher
  };
  bool ScreenOf(Screen& screen) const;
  // Ends a crack, cracked or given up: start-up's crack pauses before its hand-over, any other
  // stops and is reset.
  void EndCrack();
  void Reset();
  void Show();

  Controls c_;
  DisplayLink& display_;
  Ticker& ticker_;
  RandomSource& random_;
  // Flags by position (1..40) and candidate code: already guessed there.
  std::vector<std::bitset<256>> tried_ = std::vector<std::bitset<256>>(41);
};

}  // namespace vfd

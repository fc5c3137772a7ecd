#include "effects/CodeCracker.h"

namespace vfd {

CodeCracker::CodeCracker(Controls controls, DisplayLink& display, Ticker& ticker,
                         RandomSource& random)
    : c_(controls), display_(display), ticker_(ticker), random_(random) {}

FunctionRegistration CodeCracker::Registration() {
  return {.code = 16,
          .button = &c_.cmdCodeCrack,
          .timer = &c_.Timer16,
          .first_frame = FirstFrame::kNone,
          .tick = [this] { Tick(); },
          .before_start = [this] { crack_target = ticker_.current_message; }};
}

bool CodeCracker::ScreenOf(Screen& screen) const {
  switch (display_.screen_type) {
    case kScreen2x20:
      screen = {20, 32, 255, 223, true, false};
      return true;
    case kScreen2x40:
      // Wraps do not count here; a position whose candidates are all used up gives up as on
      // the other screens (below), so the search still ends.
      screen = {40, 32, 207, 175, false, true};
      return true;
    case kScreen4x20:
      screen = {40, 16, 255, 239, true, false};
      return true;
    case kScreen2x24:
      screen = {24, 16, 255, 239, true, false};
      return true;
    default:
      return false;
  }
}

bool CodeCracker::HandingOver() const {
  return c_.Timer16.Enabled() && (crack_on_load_pending || c_.Timer16.Interval() > 1);
}

void CodeCracker::CancelHandOver() {
  if (!crack_on_load_pending && c_.Timer16.Interval() <= 1) return;
  crack_on_load_pending = false;
  // A pause left behind would make the next crack's first tick start the stored function.
  c_.Timer16.SetInterval(1);
  ticker_.startup_complete = 1;
}

void CodeCracker::Reset() {
  crack_guess.clear();
  permutation_count = 0;
  for (auto& flags : tried_)
    flags.reset();
}

void CodeCracker::EndCrack() {
  if (crack_on_load_pending) {
    // Start-up's crack: the cracked text stays for the pause, then the stored function starts.
    crack_on_load_pending = false;
    c_.Timer16.SetInterval(1500);
  } else {
    c_.Timer16.SetEnabled(false);
    Reset();
  }
}

void CodeCracker::Show() {
  const std::string count = std::to_string(permutation_count);
  switch (display_.screen_type) {
    case kScreen2x20:
      display_.Write2x20(crack_guess, "Permutations: " + count);
      break;
    case kScreen2x40:
      display_.Write2x40(crack_guess, "Testing...   Permutations Tried: " + count);
      break;
    case kScreen4x20:
      display_.Write4x20(crack_guess.substr(0, 20), crack_guess.substr(20, 20), "     Testing...",
                         "Permutations: " + count);
      break;
    case kScreen2x24:
      display_.Write2x24(crack_guess, "Permutations Tried: " + count);
      break;
  }
}

void CodeCracker::Tick() {
  // The pause after a crack on load is over: the stored function starts.
  if (c_.Timer16.Interval() > 1) {
    c_.Timer16.SetInterval(1);
    if (resume_function_code == 16) {
      c_.Timer16.SetEnabled(true);
    } else if (start_resumed_function) {
      start_resumed_function(resume_function_code);
    }
    ticker_.startup_complete = 1;
  }

  Screen screen;
  if (!ScreenOf(screen)) return;
  const size_t w = screen.width;
  if (crack_guess.size() < w) crack_guess.assign(w, ' ');
  crack_target.resize(w, ' ');
  const int16_t model = display_.display_model;
  if ((model == kModelOrbital2x20 && display_.screen_type == kScreen2x20) ||
      (model == kModelOrbital4x20 && display_.screen_type == kScreen4x20)) {
    // The Matrix Orbital displays take 254 as their command prefix.
    for (size_t p = 1; p <= w; ++p)
      tried_[p].set(254);
  }

  std::bitset<256> candidates;
  for (int c = screen.lowest; c <= screen.highest; ++c)
    candidates.set(static_cast<size_t>(c));
  for (size_t p = 1; p <= w; ++p) {
    if (crack_guess[p - 1] == crack_target[p - 1]) continue;
    std::bitset<256>& tried = tried_[p];
    // Every candidate used up at this position: the search would only wrap round until the
    // count reached the give-up, which is where it ends at once.
    if ((tried & candidates) == candidates) {
      permutation_count = kGiveUp;
      EndCrack();
      return;
    }
    int c = static_cast<int>(NearestEven(random_.Next() * screen.scale + screen.lowest));
    while (tried[static_cast<size_t>(c)]) {
      if (c == screen.highest) {
        c = screen.lowest;
        if (screen.count_wraps) ++permutation_count;
      } else {
        ++c;
      }
      if (permutation_count >= kGiveUp) {
        EndCrack();
        return;
      }
    }
    tried.set(static_cast<size_t>(c));
    int shown = screen.shift_high && c > 127 ? c + 32 : c;
    crack_guess[p - 1] = static_cast<char>(shown);
    ++permutation_count;
  }

  Show();

  // Cracked, or given up: they end alike.
  if (crack_guess.compare(0, w, crack_target) == 0 || permutation_count >= kGiveUp) EndCrack();
}

}  // namespace vfd

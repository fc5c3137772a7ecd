#pragma once

#include <cstdint>

#include "core/Controls.h"
#include "core/Random.h"
#include "core/Timer.h"
#include "display/DisplayLink.h"

namespace vfd {

// The effects that run beside any display function and change only brightness: Knightrider (a
// dim spot with a trail sweeping over the IEE serial display), Glow (the whole display pulsing,
// any model) and Liquify (random brightness per character, IEE serial display).
class BrightnessEffects {
 public:
  // The main window's controls the effects use.
  struct Controls {
    Button& cmdGlow;
    Button& cmdRandomBrightness;
    Button& cmdKnightrider;
    Timer& Timer5;   // Liquify
    Timer& Timer8;   // Knightrider, sweep right
    Timer& Timer9;   // Knightrider, sweep left
    Timer& Timer11;  // Glow
  };

  BrightnessEffects(Controls controls, DisplayLink& display, RandomSource& random);

  int16_t sweep_right_step = 0;  // SweepRightStep, frames 0..18 (Timer8)
  int16_t sweep_left_step = 0;   // SweepLeftStep, frames 19..37 (Timer9)
  int16_t glow_saved_level = 0;  // GlowSavedLevel
  int16_t glow_tick = 0;         // GlowTick

  // The Knightrider animation: 38 frames over 20 positions.
  static constexpr int kFrames = 38;
  static int KnightriderHead(int frame);
  // The level of `position` in `frame`: 0 at the head, 1..6 along the trail, 7 elsewhere.
  static int KnightriderLevel(int position, int frame);

  void KnightriderRightTick();  // Timer8
  void KnightriderLeftTick();   // Timer9
  void GlowStep();              // Timer11
  void LiquifyTick();           // Timer5

  void GlowClick();
  void LiquifyClick();
  void KnightriderClick();

 private:
  void SendKnightriderFrame(int frame);
  // One step of a sweep: frames first_frame + 0..18 on `self`, then `other` takes over.
  void KnightriderTick(Timer& self, Timer& other, int16_t& step, int first_frame);
  // Liquify and Knightrider work only on the IEE serial display with its port open.
  bool PerCharacterReady() const;

  Controls c_;
  DisplayLink& display_;
  RandomSource& random_;
};

}  // namespace vfd

#include "effects/BrightnessEffects.h"

#include "effects/RandomPicks.h"

namespace vfd {
namespace {

constexpr const char* kGlowOn = "It's Alive! Quick, Kill It!";
constexpr const char* kLiquifyOn = "Oww, My Eyes!";
constexpr const char* kKnightriderOn = "Shut Up KITT!";

}  // namespace

BrightnessEffects::BrightnessEffects(Controls controls, DisplayLink& display, RandomSource& random)
    : c_(controls), display_(display), random_(random) {}

int BrightnessEffects::KnightriderHead(int frame) {
  int x = (frame + 7) % kFrames;
  return x <= 19 ? x : kFrames - x;
}

int BrightnessEffects::KnightriderLevel(int position, int frame) {
  for (int age = 0; age <= 6; ++age)
    if (KnightriderHead(((frame - age) % kFrames + kFrames) % kFrames) == position) return age;
  return 7;
}

bool BrightnessEffects::PerCharacterReady() const {
  return display_.display_model == kModelIeeSerial && display_.serial().IsSerialOpen();
}

void BrightnessEffects::SendKnightriderFrame(int frame) {
  for (int p = 0; p < 20; ++p)
    display_.SendCharLevel(p, KnightriderLevel(p, frame));
}

void BrightnessEffects::KnightriderRightTick() {
  KnightriderTick(c_.Timer8, c_.Timer9, sweep_right_step, 0);
}

void BrightnessEffects::KnightriderLeftTick() {
  KnightriderTick(c_.Timer9, c_.Timer8, sweep_left_step, 19);
}

void BrightnessEffects::KnightriderTick(Timer& self, Timer& other, int16_t& step, int first_frame) {
  if (!display_.serial().IsSerialOpen()) {
    c_.Timer9.SetEnabled(false);
    c_.Timer8.SetEnabled(false);
    return;
  }
  SendKnightriderFrame(first_frame + step);
  if (step == 18) {
    // The sweep has reached its end: the other timer draws the way back.
    step = 0;
    other.SetEnabled(true);
    self.SetEnabled(false);
  } else {
    ++step;
  }
}

void BrightnessEffects::GlowStep() {
  const int16_t c = glow_tick;
  if (c >= 1 && c <= 7) {
    display_.GlowStepUp();
  } else if (c >= 8 && c <= 15) {
    display_.GlowStepDown();
  } else if (c == 24) {
    glow_tick = 0;
  }
  ++glow_tick;
}

void BrightnessEffects::LiquifyTick() {
  if (!display_.serial().IsSerialOpen()) {
    c_.Timer5.SetEnabled(false);
    return;
  }
  for (int p = 0; p < 20; ++p)
    display_.SendCharLevel(p, PickRandomLevel(random_));
}

void BrightnessEffects::GlowClick() {
  if (c_.Timer11.Enabled()) {
    c_.Timer11.SetEnabled(false);
    c_.cmdGlow.SetCaption("Glow");
    display_.brightness_level = glow_saved_level;
  } else {
    glow_saved_level = display_.brightness_level;
    c_.Timer11.SetEnabled(true);
    c_.cmdGlow.SetCaption(kGlowOn);
  }
  display_.ApplyBrightness();
}

void BrightnessEffects::LiquifyClick() {
  if (PerCharacterReady()) {
    bool running = c_.Timer5.Enabled();
    c_.Timer5.SetEnabled(!running);
    c_.cmdRandomBrightness.SetCaption(running ? "Liquify" : kLiquifyOn);
  } else if (display_.display_model >= kModelIeeParallel &&
             display_.display_model <= kModelOrbital4x20) {
    c_.cmdRandomBrightness.SetEnabled(false);
  }
  display_.ApplyBrightness();
}

void BrightnessEffects::KnightriderClick() {
  if (PerCharacterReady()) {
    if (c_.Timer8.Enabled() || c_.Timer9.Enabled()) {
      c_.Timer8.SetEnabled(false);
      c_.Timer9.SetEnabled(false);
      c_.cmdKnightrider.SetCaption("Knightrider");
    } else {
      c_.Timer8.SetEnabled(true);
      c_.cmdKnightrider.SetCaption(kKnightriderOn);
    }
  } else if (display_.display_model >= kModelIeeParallel &&
             display_.display_model <= kModelOrbital4x20) {
    c_.cmdKnightrider.SetEnabled(false);
  }
  display_.ApplyBrightness();
}

}  // namespace vfd

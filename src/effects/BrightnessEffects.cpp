#include "effects/BrightnessEffects.h"

#include "display/Bytes.h"
#include "effects/RandomPicks.h"

namespace vfd {
namespace {

constexpr const char* kGlowOn = "It's Alive! Quick, Kill It!";
constexpr const char* kLiquifyOn = "Oww, My Eyes!";
constexpr const char* kKnightriderOn = "Shut Up KITT!";

std::string CharLevel(int position, int level) {
  return Bytes({0x19, 0x30, static_cast<uint8_t>(position), static_cast<uint8_t>(level)});
}

}  // namespace

BrightnessEffects::BrightnessEffects(FrmMain& main, DisplayLink& display, RandomSource& random)
    : main_(main), display_(display), random_(random) {
  main_.Timer8.on_tick = [this] { KnightriderRightTick(); };
  main_.Timer9.on_tick = [this] { KnightriderLeftTick(); };
  main_.Timer11.on_tick = [this] { GlowStep(); };
  main_.Timer5.on_tick = [this] { LiquifyTick(); };
  main_.cmdGlow.on_click = [this] { GlowClick(); };
  main_.cmdRandomBrightness.on_click = [this] { LiquifyClick(); };
  main_.cmdKnightrider.on_click = [this] { KnightriderClick(); };
}

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
    display_.serial().SendCharLevel(CharLevel(p, KnightriderLevel(p, frame)), p);
}

void BrightnessEffects::KnightriderRightTick() {
  KnightriderTick(main_.Timer8, main_.Timer9, sweep_right_step, 0);
}

void BrightnessEffects::KnightriderLeftTick() {
  KnightriderTick(main_.Timer9, main_.Timer8, sweep_left_step, 19);
}

void BrightnessEffects::KnightriderTick(Timer& self, Timer& other, int16_t& step, int first_frame) {
  if (!display_.serial().IsSerialOpen()) {
    main_.Timer9.SetEnabled(false);
    main_.Timer8.SetEnabled(false);
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
    main_.Timer5.SetEnabled(false);
    return;
  }
  for (int p = 0; p < 20; ++p)
    display_.serial().SendCharLevel(CharLevel(p, PickRandomLevel(random_)), p);
}

void BrightnessEffects::GlowClick() {
  if (main_.Timer11.Enabled()) {
    main_.Timer11.SetEnabled(false);
    main_.cmdGlow.SetCaption("Glow");
    display_.brightness_level = glow_saved_level;
  } else {
    glow_saved_level = display_.brightness_level;
    main_.Timer11.SetEnabled(true);
    main_.cmdGlow.SetCaption(kGlowOn);
  }
  display_.ApplyBrightness();
}

void BrightnessEffects::LiquifyClick() {
  if (PerCharacterReady()) {
    bool running = main_.Timer5.Enabled();
    main_.Timer5.SetEnabled(!running);
    main_.cmdRandomBrightness.SetCaption(running ? "Liquify" : kLiquifyOn);
  } else if (display_.display_model >= kModelIeeParallel &&
             display_.display_model <= kModelOrbital4x20) {
    main_.cmdRandomBrightness.SetEnabled(false);
  }
  display_.ApplyBrightness();
}

void BrightnessEffects::KnightriderClick() {
  if (PerCharacterReady()) {
    if (main_.Timer8.Enabled() || main_.Timer9.Enabled()) {
      main_.Timer8.SetEnabled(false);
      main_.Timer9.SetEnabled(false);
      main_.cmdKnightrider.SetCaption("Knightrider");
    } else {
      main_.Timer8.SetEnabled(true);
      main_.cmdKnightrider.SetCaption(kKnightriderOn);
    }
  } else if (display_.display_model >= kModelIeeParallel &&
             display_.display_model <= kModelOrbital4x20) {
    main_.cmdKnightrider.SetEnabled(false);
  }
  display_.ApplyBrightness();
}

}  // namespace vfd

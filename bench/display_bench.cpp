// The cost of each writer's frame and of each device command on devices that cost nothing.
// Target: a 2x40 frame built and handed to the port in under 5 microseconds.
#include <benchmark/benchmark.h>

#include "NullServices.h"

namespace vfd::bench {
namespace {

const std::string kLine1 = "THE QUICK BROWN FOX JUMPS OVER THE LAZY";
const std::string kLine2 = "DOG 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXY";

void BM_Write2x20_IeeSerial(benchmark::State& state) {
  NullProgram p(kModelIeeSerial);
  for (auto _ : state)
    p.program.display().Write2x20(kLine1, kLine2);
}
BENCHMARK(BM_Write2x20_IeeSerial);

void BM_Write2x20_Orbital(benchmark::State& state) {
  NullProgram p(kModelOrbital2x20);
  for (auto _ : state)
    p.program.display().Write2x20(kLine1, kLine2);
}
BENCHMARK(BM_Write2x20_Orbital);

void BM_Write2x40_IeeParallel(benchmark::State& state) {
  NullProgram p(kModelIeeParallel);
  for (auto _ : state)
    p.program.display().Write2x40(kLine1, kLine2);
}
BENCHMARK(BM_Write2x40_IeeParallel);

void BM_Write4x20_Orbital(benchmark::State& state) {
  NullProgram p(kModelOrbital4x20);
  for (auto _ : state)
    p.program.display().Write4x20(kLine1, kLine2, kLine1, kLine2);
}
BENCHMARK(BM_Write4x20_Orbital);

void BM_Write2x24_Noritake(benchmark::State& state) {
  NullProgram p(kModelNoritake);
  for (auto _ : state)
    p.program.display().Write2x24(kLine1, kLine2);
}
BENCHMARK(BM_Write2x24_Noritake);

// Device commands, per model (the range argument is the model code).
void BM_ApplyBrightness(benchmark::State& state) {
  NullProgram p(static_cast<int16_t>(state.range(0)));
  for (auto _ : state)
    p.program.display().ApplyBrightness();
}
BENCHMARK(BM_ApplyBrightness)->DenseRange(1, 5);

void BM_StepBrightness(benchmark::State& state) {
  NullProgram p(static_cast<int16_t>(state.range(0)));
  for (auto _ : state)
    p.program.display().StepBrightness();
}
BENCHMARK(BM_StepBrightness)->DenseRange(1, 5);

void BM_ClearDisplayMemory(benchmark::State& state) {
  NullProgram p(static_cast<int16_t>(state.range(0)));
  for (auto _ : state)
    p.program.display().ClearDisplayMemory();
}
BENCHMARK(BM_ClearDisplayMemory)->DenseRange(1, 5);

void BM_ShowSplash(benchmark::State& state) {
  NullProgram p(static_cast<int16_t>(state.range(0)));
  for (auto _ : state)
    p.program.display().ShowSplash();
}
BENCHMARK(BM_ShowSplash)->DenseRange(1, 5);

void BM_ToggleSelfTest(benchmark::State& state) {
  NullProgram p(kModelIeeSerial);
  for (auto _ : state)
    p.program.display().ToggleSelfTest();
}
BENCHMARK(BM_ToggleSelfTest);

void BM_GlowStep(benchmark::State& state) {
  NullProgram p(static_cast<int16_t>(state.range(0)));
  for (auto _ : state) {
    p.program.display().GlowStepDown();
    p.program.display().GlowStepUp();
  }
}
BENCHMARK(BM_GlowStep)->DenseRange(1, 5);

}  // namespace
}  // namespace vfd::bench

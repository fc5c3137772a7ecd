#pragma once

#include <cstdint>

#include "core/DisplayFunction.h"
#include "shell/FrmMain.h"

namespace vfd::testing {

// The twelve display functions of the main window by code, button and timer, with the way
// each draws its first frame: tests replace the real functions with recording ones built from
// this table.
struct FakeFunction {
  int16_t code;
  Button FrmMain::*button;
  Timer FrmMain::*timer;
  FirstFrame first_frame;
};

inline constexpr FakeFunction kFunctions[] = {
    {1, &FrmMain::cmdTicker, &FrmMain::Timer1, FirstFrame::kAfter},
    {2, &FrmMain::cmdMatrix, &FrmMain::Timer2, FirstFrame::kAfter},
    {3, &FrmMain::cmdClock, &FrmMain::Timer3, FirstFrame::kAfter},
    {4, &FrmMain::cmdWinamp, &FrmMain::Timer4, FirstFrame::kNone},
    {6, &FrmMain::cmdMBM, &FrmMain::Timer6, FirstFrame::kAfter},
    {10, &FrmMain::cmdVertScroll, &FrmMain::Timer10, FirstFrame::kBefore},
    {12, &FrmMain::cmdTides, &FrmMain::Timer12, FirstFrame::kBefore},
    {13, &FrmMain::cmdHardNews, &FrmMain::Timer13, FirstFrame::kNone},
    {14, &FrmMain::cmdShacknews, &FrmMain::Timer14, FirstFrame::kNone},
    {15, &FrmMain::cmdCount, &FrmMain::Timer15, FirstFrame::kBefore},
    {16, &FrmMain::cmdCodeCrack, &FrmMain::Timer16, FirstFrame::kNone},
    {17, &FrmMain::cmdWeather, &FrmMain::Timer17, FirstFrame::kBefore},
};

}  // namespace vfd::testing

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vfd {

// Screen geometry codes as stored in the settings file.
inline constexpr int16_t kScreenNone = 0;
inline constexpr int16_t kScreen2x20 = 1;
inline constexpr int16_t kScreen2x40 = 2;
inline constexpr int16_t kScreen4x20 = 3;
inline constexpr int16_t kScreen2x24 = 4;

// Display model codes as stored in the settings file.
inline constexpr int16_t kModelNone = 0;
inline constexpr int16_t kModelIeeSerial = 1;    // IEE 03602-122, 2x20, serial
inline constexpr int16_t kModelIeeParallel = 2;  // IEE 03601-96, 2x40, parallel
inline constexpr int16_t kModelNoritake = 3;     // Noritake CU24025ECPB-U1J, 2x24, parallel
inline constexpr int16_t kModelOrbital2x20 = 4;  // Matrix Orbital VK202-25, 2x20, serial
inline constexpr int16_t kModelOrbital4x20 = 5;  // Matrix Orbital VK204-25/VFD2041, 4x20, serial

enum class LinkKind { kNone, kSerial, kParallel };

// The fixed byte sequences of a serial model's dialect. The IEE serial display and the two
// Matrix Orbital displays share the shape of these commands, so one routine serves all three.
struct SerialCodes {
  std::string_view frame_prefix;  // cursor off and home, before a whole frame of text
  std::string_view clear;         // clear display memory
  std::string_view sleep;         // display off
  std::string_view wake;          // display on (also the model's start-up command)
};

// One row per display model: what the selection list calls it, its geometry and its link.
struct ModelRow {
  int16_t model;
  std::string_view list_text;
  int16_t screen;
  LinkKind link;
  SerialCodes serial{};  // empty for the parallel models
};

// The row of `model`, or nullptr for 0 and unknown codes.
const ModelRow* FindModel(int16_t model);
// The model whose list text is `text`, or nullptr.
const ModelRow* FindModelByText(std::string_view text);
LinkKind LinkOf(int16_t model);

// Geometry of a screen type.
struct ScreenRow {
  int16_t screen;
  std::string_view list_text;  // "2x20", ...
  int rows;
  int columns;
};

const ScreenRow* FindScreen(int16_t screen);
const ScreenRow* FindScreenByText(std::string_view text);

// The screen texts in the order of the selection list.
inline constexpr std::string_view kScreenListOrder[] = {"2x20", "2x24", "2x40", "4x20"};

// Cuts or pads `text` with blanks to exactly `width` characters.
std::string Fit(std::string_view text, size_t width);

}  // namespace vfd

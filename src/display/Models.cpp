#include "display/Models.h"

namespace vfd {
namespace {

using namespace std::string_view_literals;

// The IEE display: 0x0E cursor off, 0x16 home, 0x14 clear, 0x19 0x33 / 0x19 0x34 display off
// and on. The Matrix Orbital displays: 0xFE 0x54 block cursor off, 0xFE 0x48 home, 0xFE 0x58
// clear, 0xFE 0x46 backlight off, 0xFE 0x42 0x00 backlight on with no time-out.
constexpr SerialCodes kIeeSerialCodes{"\x0E\x16"sv, "\x14"sv, "\x19\x33"sv, "\x19\x34"sv};
constexpr SerialCodes kOrbitalCodes{"\xFE\x54\xFE\x48"sv, "\xFE\x58"sv, "\xFE\x46"sv,
                                    "\xFE\x42\x00"sv};

constexpr ModelRow kModels[] = {
    {kModelIeeSerial, "(QXDepot) IEE 03602-122", kScreen2x20, LinkKind::kSerial, kIeeSerialCodes},
    {kModelIeeParallel, "(Velmor7) IEE 03601-96", kScreen2x40, LinkKind::kParallel},
    {kModelNoritake, "(Rusty Ox) Noritake CU24025ECPB-U1J", kScreen2x24, LinkKind::kParallel},
    {kModelOrbital2x20, "Matrix Orbital VK202-25", kScreen2x20, LinkKind::kSerial, kOrbitalCodes},
    {kModelOrbital4x20, "Matrix Orbital VK204-25/VFD2041", kScreen4x20, LinkKind::kSerial,
     kOrbitalCodes},
};

constexpr ScreenRow kScreens[] = {
    {kScreen2x20, "2x20", 2, 20},
    {kScreen2x40, "2x40", 2, 40},
    {kScreen4x20, "4x20", 4, 20},
    {kScreen2x24, "2x24", 2, 24},
};

}  // namespace

const ModelRow* FindModel(int16_t model) {
  for (const auto& row : kModels)
    if (row.model == model) return &row;
  return nullptr;
}

const ModelRow* FindModelByText(std::string_view text) {
  for (const auto& row : kModels)
    if (row.list_text == text) return &row;
  return nullptr;
}

LinkKind LinkOf(int16_t model) {
  const ModelRow* row = FindModel(model);
  return row ? row->link : LinkKind::kNone;
}

const ScreenRow* FindScreen(int16_t screen) {
  for (const auto& row : kScreens)
    if (row.screen == screen) return &row;
  return nullptr;
}

const ScreenRow* FindScreenByText(std::string_view text) {
  for (const auto& row : kScreens)
    if (row.list_text == text) return &row;
  return nullptr;
}

std::string Fit(std::string_view text, size_t width) {
  std::string out(text.substr(0, width));
  out.resize(width, ' ');
  return out;
}

}  // namespace vfd

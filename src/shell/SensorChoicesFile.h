#pragma once

#include <array>
#include <string>
#include <string_view>

#include "sources/MbmAccess.h"

namespace vfd {

// Which sensor each hardware monitor slot follows. The settings file keeps a choice as "NN Name"
// and nothing more, in a format older versions of the program read too; the chip and feature go
// beside it in a file of the program's own, so that the settings file stays as it was.
inline constexpr const char* kSensorChoicesFileName = "vfdsensors.txt";
// Eight short lines; anything much longer is not this program's.
inline constexpr size_t kMaxSensorChoicesBytes = 16 * 1024;

// The file's text: a comment, then one line per slot that follows a sensor, its fields apart by
// tabs: the slot (1..8), the chip, the feature, and the choice as the settings file has it.
std::string FormatSensorChoices(const std::array<std::string, 8>& choices,
                                const std::array<SensorOrigin, 8>& origins);

// The origins of the slots whose line names the choice `choices` holds for it now. A slot whose
// choice is another (the settings file was replaced by defaults, or another version of the
// program chose anew) follows nothing: its choice names its entry by number again.
std::array<SensorOrigin, 8> ParseSensorChoices(std::string_view text,
                                               const std::array<std::string, 8>& choices);

// The file in the directory of the settings file.
std::string SensorChoicesPathBeside(const std::string& settings_path);

}  // namespace vfd

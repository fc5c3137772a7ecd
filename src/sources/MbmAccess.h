#pragma once

#include <string>
#include <string_view>

#include "core/SensorTable.h"

namespace vfd {

// A sensor choice as the settings keep it: "00 None", or the 1-based entry number as two digits,
// a space and the sensor's name as it was listed when the user chose it. Only the number counts.
inline constexpr const char* kNoSensor = "00 None";

// The table entry (0..98) a choice names, or -1 for "00 None" and for anything whose first two
// characters are not a number from 01 to 99.
int SensorChoiceEntry(std::string_view choice);

// The sensor a choice was made for, as the table tells it (SensorEntry::chip and ::feature);
// empty for a choice from a source that tells none, or from a settings file of its own.
struct SensorOrigin {
  std::string chip;
  std::string feature;
  bool Empty() const { return chip.empty(); }
  bool operator==(const SensorOrigin&) const = default;
};
SensorOrigin OriginOf(const SensorEntry& entry);

// FindSensorChoice's answer for a choice whose sensor is not in the table now (its chip is gone,
// or not found yet); the choice is kept for when it comes back.
inline constexpr int kSensorAbsent = -2;
// What a slot shows for such a choice.
inline constexpr const char* kAbsentReading = "--";

// The name part of a choice: "Core 0" of "03 Core 0".
std::string SensorChoiceName(std::string_view choice);

// The table entry a choice names now: with an origin, the entry of that chip and feature
// wherever it stands (else the one of that chip under the choice's name, for a feature a driver
// renumbered), or kSensorAbsent; without one, the entry of the choice's number. -1 for a choice
// that names none.
int FindSensorChoice(std::string_view choice, const SensorOrigin& origin, const SensorTable& table);

// A name as it came from the table: blanks trimmed at both ends, then NUL padding taken off the
// end. Blanks that stood before the padding stay.
std::string TrimSensorName(std::string_view text);

// The list entry that offers table entry `index` (0..98): "01 CPU".
std::string SensorChoiceItem(int index, const SensorEntry& entry);

// The reading as plain decimal text, up to 15 significant digits ("0.52", "3013").
std::string SensorValueText(double value);

// The reading in its type's format: temperatures whole with at least two digits ("46", "07"),
// voltages with two decimals and no forced leading zero ("1.75", ".50"), percentages with at least
// two whole digits and one decimal where there is a fraction ("100.0", "05."), anything else as
// plain decimal text. Halves round away from zero.
std::string FormatSensorReading(const SensorEntry& entry);

// What one display slot shows for its choice, read from `table`: the chosen entry's reading, or
// an empty text when the choice names no entry.
std::string FormatSensorSlot(std::string_view choice, const SensorTable& table);

}  // namespace vfd

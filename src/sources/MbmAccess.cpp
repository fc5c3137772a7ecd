#include "sources/MbmAccess.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vfd {
namespace {

// A reading as the decimal digits the number formats work on: value = 0.digits x 10^point, the
// digits without leading or trailing zeros (none at all for zero). Rounding works on these
// 15 significant digits rather than on the binary double, so 1.745 rounds up as it reads.
struct Decimal {
  bool negative = false;
  std::string digits;
  int point = 0;  // how many digits stand before the decimal point (may be < 0 or > size)

  bool Zero() const { return digits.empty(); }
  // Whether there are digits after the decimal point.
  bool HasFraction() const { return static_cast<int>(digits.size()) > point; }
  // The digit at `position` counted from the first digit, 0 beyond either end.
  char At(int position) const {
    return position >= 0 && position < static_cast<int>(digits.size()) ? digits[position] : '0';
  }
};

Decimal ToDecimal(double value) {
  Decimal d;
  if (!std::isfinite(value) || value == 0) return d;
  d.negative = value < 0;
  char buf[32];
  // d.dddddddddddddde+XX: fifteen significant digits.
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
  std::string_view text(buf);
  const size_t e = text.find('e');
  d.digits.push_back(text[0]);
  d.digits.append(text.substr(2, e - 2));
  d.point = std::atoi(buf + e + 1) + 1;
  while (!d.digits.empty() && d.digits.back() == '0')
    d.digits.pop_back();
  return d;
}

// Rounds to `decimals` places, halves away from zero.
Decimal Round(Decimal d, int decimals) {
  const int keep = d.point + decimals;
  if (keep >= static_cast<int>(d.digits.size())) return d;
  if (keep < 0) {
    d.digits.clear();
    return d;
  }
  const bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') {
      d.digits[i] = '0';
      --i;
    }
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    } else {
      ++d.digits[i];
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0')
    d.digits.pop_back();
  return d;
}

// The whole part of a rounded number, padded with zeros to at least `min_digits`.
std::string WholeDigits(const Decimal& d, size_t min_digits) {
  std::string out;
  for (int i = 0; i < d.point; ++i)
    out.push_back(d.At(i));
  if (out.size() < min_digits) out.insert(0, min_digits - out.size(), '0');
  return out;
}

std::string FractionDigits(const Decimal& d, int count) {
  std::string out;
  for (int i = 0; i < count; ++i)
    out.push_back(d.At(d.point + i));
  return out;
}

// A minus sign only in front of a result that is not zero: -0.2 shows as 00, not -00.
std::string Signed(const Decimal& rounded, std::string text) {
  return rounded.negative && !rounded.Zero() ? "-" + text : text;
}

}  // namespace

int SensorChoiceEntry(std::string_view choice) {
  if (choice.size() < 2) return -1;
  const char tens = choice[0], ones = choice[1];
  if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return -1;
  const int number = (tens - '0') * 10 + (ones - '0');
  return number >= 1 ? number - 1 : -1;
}

SensorOrigin OriginOf(const SensorEntry& entry) {
  if (entry.chip.empty()) return {};
  return {entry.chip, entry.feature};
}

std::string SensorChoiceName(std::string_view choice) {
  return choice.size() > 3 ? std::string(choice.substr(3)) : std::string();
}

int FindSensorChoice(std::string_view choice, const SensorOrigin& origin,
                     const SensorTable& table) {
  const int by_number = SensorChoiceEntry(choice);
  if (by_number < 0 || origin.Empty()) return by_number;
  for (int i = 0; i < kSensorEntries; ++i)
    if (table[i].chip == origin.chip && table[i].feature == origin.feature) return i;
  const std::string name = SensorChoiceName(choice);
  for (int i = 0; i < kSensorEntries; ++i)
    if (table[i].chip == origin.chip && !name.empty() &&
        SensorChoiceName(SensorChoiceItem(i, table[i])) == name)
      return i;
  return kSensorAbsent;
}

std::string TrimSensorName(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  while (!text.empty() && text.back() == '\0')
    text.remove_suffix(1);
  return std::string(text);
}

std::string SensorChoiceItem(int index, const SensorEntry& entry) {
  char number[4];
  std::snprintf(number, sizeof number, "%02d", (index + 1) % 100);
  // The table's names are at most 12 characters; a longer one is cut as the table would hold it.
  return std::string(number) + " " + TrimSensorName(std::string_view(entry.name).substr(0, 12));
}

std::string SensorValueText(double value) {
  // A reading that is no number at all (a failed computation) shows as nothing was read.
  if (!std::isfinite(value) || value == 0) return "0";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return buf;
}

std::string FormatSensorReading(const SensorEntry& entry) {
  switch (entry.type) {
    case 1: {  // "00"
      const Decimal d = Round(ToDecimal(entry.value), 0);
      return Signed(d, WholeDigits(d, 2));
    }
    case 2: {  // "##.00"
      const Decimal d = Round(ToDecimal(entry.value), 2);
      return Signed(d, WholeDigits(d, 0) + "." + FractionDigits(d, 2));
    }
    case 5: {  // "#00.#"
      const Decimal exact = ToDecimal(entry.value);
      const Decimal d = Round(exact, 1);
      // The decimal shows whenever the reading has a fraction, even one that rounds to .0.
      return Signed(d, WholeDigits(d, 2) + "." + (exact.HasFraction() ? FractionDigits(d, 1) : ""));
    }
    default:
      return SensorValueText(entry.value);
  }
}

std::string FormatSensorSlot(std::string_view choice, const SensorTable& table) {
  const int entry = SensorChoiceEntry(choice);
  if (entry < 0) return {};
  return FormatSensorReading(table[entry]);
}

}  // namespace vfd

#include "shell/SensorChoicesFile.h"

#include <vector>

namespace vfd {
namespace {

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

// Chips and features are single words in libsensors' names; a field that is not cannot be read
// back.
bool IsWord(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (static_cast<unsigned char>(c) <= 0x20) return false;
  return true;
}

bool IsOneLine(std::string_view text) {
  return text.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace

std::string FormatSensorChoices(const std::array<std::string, 8>& choices,
                                const std::array<SensorOrigin, 8>& origins) {
  std::string text =
      "# The sensor each hardware monitor slot follows, written by the program at exit.\n";
  for (size_t k = 0; k < choices.size(); ++k) {
    const SensorOrigin& o = origins[k];
    if (!IsWord(o.chip) || !IsWord(o.feature) || !IsOneLine(choices[k])) continue;
    text += std::to_string(k + 1) + "\t" + o.chip + "\t" + o.feature + "\t" + choices[k] + "\n";
  }
  return text;
}

std::array<SensorOrigin, 8> ParseSensorChoices(std::string_view text,
                                               const std::array<std::string, 8>& choices) {
  std::array<SensorOrigin, 8> origins{};
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::vector<std::string_view> f = Fields(line);
    if (f.size() != 4 || f[0].size() != 1 || f[0][0] < '1' || f[0][0] > '8') continue;
    const size_t k = static_cast<size_t>(f[0][0] - '1');
    if (!IsWord(f[1]) || !IsWord(f[2]) || f[3] != choices[k]) continue;
    origins[k] = {std::string(f[1]), std::string(f[2])};
  }
  return origins;
}

std::string SensorChoicesPathBeside(const std::string& settings_path) {
  const size_t slash = settings_path.rfind('/');
  if (slash == std::string::npos) return kSensorChoicesFileName;
  return settings_path.substr(0, slash + 1) + kSensorChoicesFileName;
}

}  // namespace vfd

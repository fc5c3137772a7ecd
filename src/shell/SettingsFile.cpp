#include "shell/SettingsFile.h"

#include "core/Version.h"

namespace vfd {
namespace {

// Writes a file of defaults; a failure is added to the status but the defaults are used anyway.
void WriteDefaults(TextFiles& files, const std::string& path, OpenedSettings& out) {
  std::string error;
  if (!files.WriteAtomically(path, FormatSettings(out.settings), &error)) {
    if (!out.status.empty()) out.status += " ";
    out.status += "Could not write " + path + ": " + error + ".";
  }
}

// A version text worth showing: short and printable.
bool IsPlainVersion(const std::string& version) {
  if (version.empty() || version.size() > 16) return false;
  for (char c : version)
    if (c < ' ' || c > '~') return false;
  return true;
}

}  // namespace

OpenedSettings OpenSettingsFile(TextFiles& files, const std::string& path,
                                const Settings& defaults) {
  OpenedSettings out{.settings = defaults, .status = {}};
  std::string error;
  std::optional<std::string> content = files.Read(path, &error, kMaxSettingsFile);
  if (!content) {
    if (!error.empty()) {
      // It exists but cannot be read: leave it alone and run on defaults.
      out.status = "Could not read " + path + ": " + error + ". Default settings are used.";
      return out;
    }
    WriteDefaults(files, path, out);
    return out;
  }
  if (content->empty()) {
    WriteDefaults(files, path, out);
    return out;
  }
  // Every other file that gets replaced is kept first: it may hold what the user wants back.
  std::string why;
  const std::string version = ReadSettingsVersion(*content);
  if (version != kProgramVersion) {
    // There is no migration of single values between versions.
    why = IsPlainVersion(version) ? "it was written by version " + version
                                  : "it is not a settings file of this program";
  } else {
    SettingsParse parsed = ParseSettings(*content);
    if (parsed.ok) {
      out.settings = std::move(parsed.settings);
      return out;
    }
    why = "value " + std::to_string(parsed.field) + ": " + parsed.error;
  }
  std::string kept = path + ".bad";
  std::string copy_error;
  if (files.WriteAtomically(kept, *content, &copy_error)) {
    out.status = path + " could not be used (" + why + "). It was kept as " + kept +
                 " and the defaults were loaded.";
    WriteDefaults(files, path, out);
  } else {
    // Without a copy the user's file must not be overwritten now; it is replaced at exit only.
    out.status = path + " could not be used (" + why + ") nor kept as " + kept + " (" + copy_error +
                 "). The defaults were loaded.";
  }
  return out;
}

bool SaveSettingsFile(TextFiles& files, const std::string& path, const Settings& settings,
                      std::string* error) {
  Settings copy = settings;
  copy.SettingsVersion = kProgramVersion;
  return files.WriteAtomically(path, FormatSettings(copy), error);
}

}  // namespace vfd

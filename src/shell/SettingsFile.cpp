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

// A file that exists but cannot be read is never written over: its bytes are unknown, so only
// moving it aside keeps them. What is not a regular file is not touched at all.
void KeepUnreadable(TextFiles& files, const std::string& path, const std::string& error,
                    OpenedSettings& out) {
  const std::string unread = "Could not read " + path + ": " + error + ".";
  if (!files.IsRegularFile(path)) {
    out.not_saved_because = path + " is not a regular file";
    out.status = unread + " It is left as it is; default settings are used and will not be saved.";
    return;
  }
  const std::string kept = path + ".bad";
  std::string move_error;
  if (files.Rename(path, kept, &move_error)) {
    out.status = unread + " It was kept as " + kept + "; default settings are used and will be " +
                 "saved in " + path + ".";
    return;
  }
  out.not_saved_because = path + " could not be read nor kept as " + kept;
  out.status = unread + " It could not be kept as " + kept + " (" + move_error +
               "); default settings are used and will not be saved.";
}

}  // namespace

OpenedSettings OpenSettingsFile(TextFiles& files, const std::string& path,
                                const Settings& defaults) {
  OpenedSettings out{.settings = defaults, .status = {}};
  std::string error;
  std::optional<std::string> content = files.Read(path, &error, kMaxSettingsFile);
  if (!content) {
    if (!error.empty()) {
      KeepUnreadable(files, path, error, out);
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
    // Without a copy the user's file must not be overwritten, neither now nor at exit.
    out.not_saved_because = path + " could not be kept as " + kept;
    out.status = path + " could not be used (" + why + ") nor kept as " + kept + " (" + copy_error +
                 "). The defaults were loaded and will not be saved.";
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

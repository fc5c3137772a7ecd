#pragma once

#include <string>

#include "core/Files.h"
#include "core/Settings.h"

namespace vfd {

// Far beyond any file this program writes (a few kilobytes with the longest message).
inline constexpr size_t kMaxSettingsFile = 1024 * 1024;

struct OpenedSettings {
  Settings settings;
  // What the user should be told in the status line; empty when all went well.
  std::string status;
  // Why the settings must not be written at exit, when they must not: what the path names could
  // not be read or kept aside, and writing over it would lose it. Empty when saving is fine.
  std::string not_saved_because{};
};

// Opens the settings file as start-up does. A missing or empty file, or one written by another
// version, is replaced by a file of defaults. A file of this version that ends early or holds a
// value that cannot be read is treated the same way, but is first kept as "<path>.bad" and the
// status says so: the user's file is never silently destroyed. A regular file that cannot be
// read at all (too large, no permission) is renamed to "<path>.bad"; anything else under the
// name (a pipe, a device, a link to one) is left as it is and the settings are not saved.
// `defaults` are what such a file is replaced with and what the program then runs on.
OpenedSettings OpenSettingsFile(TextFiles& files, const std::string& path,
                                const Settings& defaults = Settings{});

// Writes all 100 values, replacing the file atomically.
bool SaveSettingsFile(TextFiles& files, const std::string& path, const Settings& settings,
                      std::string* error);

}  // namespace vfd

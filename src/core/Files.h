#pragma once

#include <optional>
#include <string>

namespace vfd {

// Whole-file access for the settings file and the message file.
class TextFiles {
 public:
  virtual ~TextFiles() = default;

  // The file's bytes; nullopt when it does not exist or cannot be read (then `error` says why,
  // and stays empty for a file that simply is not there).
  virtual std::optional<std::string> Read(const std::string& path, std::string* error) = 0;

  // Replaces the file so that a crash or power loss at any moment leaves either the old file
  // whole or the new one: written beside it, flushed to disk, renamed over it.
  virtual bool WriteAtomically(const std::string& path, const std::string& content,
                               std::string* error) = 0;
};

}  // namespace vfd

#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vfd {

// Whole-file access for the settings file and the message file.
class TextFiles {
 public:
  virtual ~TextFiles() = default;

  // The file's bytes; nullopt when it does not exist or cannot be read (then `error` says why,
  // and stays empty for a file that simply is not there). Only a regular file of at most
  // `max_bytes` is read: a device, a pipe or a huge file could hang the program or eat its
  // memory, so they are refused with a reason.
  virtual std::optional<std::string> Read(const std::string& path, std::string* error,
                                          size_t max_bytes) = 0;

  // Replaces the file so that a crash or power loss at any moment leaves either the old file
  // whole or the new one: written beside it under a name of its own, flushed to disk, renamed
  // over it. A symbolic link stays a link: the file it points to is replaced.
  virtual bool WriteAtomically(const std::string& path, const std::string& content,
                               std::string* error) = 0;
};

}  // namespace vfd

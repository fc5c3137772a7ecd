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
  // over it. A symbolic link stays a link: the file it points to is replaced. Only a regular
  // file is ever replaced: a pipe, a device or a directory under the name (or at the end of its
  // links) is refused, since renaming over it would destroy the node itself.
  virtual bool WriteAtomically(const std::string& path, const std::string& content,
                               std::string* error) = 0;

  // Whether the path names a regular file, once its symbolic links are followed. A missing
  // file is no regular file.
  virtual bool IsRegularFile(const std::string& path) = 0;

  // Gives `from` the name `to` without reading or writing its bytes, replacing what `to` named.
  // A symbolic link is moved as the link. This keeps aside a file that could not be read.
  virtual bool Rename(const std::string& from, const std::string& to, std::string* error) = 0;
};

}  // namespace vfd

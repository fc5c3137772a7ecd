#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/Files.h"

namespace vfd {

// Files on the local file system. Replacing a file writes a temporary file with a unique name
// beside it, flushes it to disk, renames it over the old one and flushes the directory, so that
// the old file stays whole until the new one is complete, and two writers never share a
// temporary file.
class PosixTextFiles : public TextFiles {
 public:
  std::optional<std::string> Read(const std::string& path, std::string* error,
                                  size_t max_bytes) override;
  bool WriteAtomically(const std::string& path, const std::string& content,
                       std::string* error) override;
  bool IsRegularFile(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to, std::string* error) override;

  // Removes what a replace of `path` that never finished left beside it (a crash between writing
  // and renaming). Only while no other instance can be replacing the file.
  static void RemoveStaleTemporaries(const std::string& path);

  // For tests: the write of the temporary file fails after this many bytes, as a full disk
  // would make it. Negative: never.
  long fail_after_bytes_for_test = -1;
};

}  // namespace vfd

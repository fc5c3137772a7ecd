#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/Files.h"

namespace vfd {

// Files on the local file system. Replacing a file writes a temporary file beside it, flushes
// it to disk, renames it over the old one and flushes the directory, so that the old file
// stays whole until the new one is complete.
class PosixTextFiles : public TextFiles {
 public:
  std::optional<std::string> Read(const std::string& path, std::string* error) override;
  bool WriteAtomically(const std::string& path, const std::string& content,
                       std::string* error) override;

  // For tests: the write of the temporary file fails after this many bytes, as a full disk
  // would make it. Negative: never.
  long fail_after_bytes_for_test = -1;
};

}  // namespace vfd

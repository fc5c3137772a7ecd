#pragma once

#include <string>

namespace vfd {

// Keeps a second instance away from the same settings: two programs saving one file and
// driving one port would undo each other. The lock is on the directory that holds the settings
// file, so it leaves no file behind, and the kernel lets go of it when the process ends however
// it ends.
class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  enum class Result { kAcquired, kHeldElsewhere, kFailed };
  // Takes the lock for the settings file `settings_path`. kFailed (the directory cannot be
  // opened or locked for another reason) is told in `error`; the program then runs unguarded.
  Result Acquire(const std::string& settings_path, std::string* error);

 private:
  int fd_ = -1;
};

}  // namespace vfd

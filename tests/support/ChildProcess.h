#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace vfd::testing {

// A generous hang guard for every wait on a child process, not a speed requirement.
inline constexpr auto kPatience = std::chrono::seconds(10);

// A built program run as a child, its standard streams in pipes. Killed if still running when
// this object goes.
class ChildProcess {
 public:
  ChildProcess(const std::string& path, std::vector<std::string> args,
               const std::map<std::string, std::string>& env = {},
               const std::string& working_dir = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Reads standard output (error) until `text` has appeared in it; false after kPatience.
  bool StdoutShows(const std::string& text);
  bool StderrShows(const std::string& text);
  // Reads standard error until it holds `lines` complete lines.
  bool StderrLines(int lines);

  void CloseInput();
  void Signal(int signal);
  // The exit status once the process has ended (128 + signal when a signal ended it); -1 if it
  // did not end within kPatience.
  int ExitStatus();

  pid_t pid() const { return pid_; }
  const std::string& output() const { return stdout_; }
  const std::string& errors() const { return stderr_; }

 private:
  bool ReadUntil(int fd, std::string& into, const std::string& text, int lines);

  pid_t pid_ = -1;
  int input_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string stdout_;
  std::string stderr_;
};

}  // namespace vfd::testing

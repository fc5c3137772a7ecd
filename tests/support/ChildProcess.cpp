#include "support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

extern char** environ;

namespace vfd::testing {

ChildProcess::ChildProcess(const std::string& path, std::vector<std::string> args,
                           const std::map<std::string, std::string>& env,
                           const std::string& working_dir) {
  int in[2], out[2], err[2];
  // Close-on-exec, so that a second child does not hold the first one's pipes open.
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  if (!working_dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, working_dir.c_str());

  args.insert(args.begin(), path);
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  // The parent's environment with `env` laid over it.
  std::vector<std::string> entries;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string key = entry.substr(0, entry.find('='));
    if (!env.count(key)) entries.push_back(entry);
  }
  for (const auto& [key, value] : env)
    entries.push_back(key + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : entries)
    envp.push_back(e.data());
  envp.push_back(nullptr);

  if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  for (int fd : {in[0], out[1], err[1]})
    close(fd);
  input_ = in[1];
  out_ = out[0];
  err_ = err[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : {input_, out_, err_})
    if (fd >= 0) close(fd);
}

bool ChildProcess::ReadUntil(int fd, std::string& into, const std::string& text, int lines) {
  auto deadline = std::chrono::steady_clock::now() + kPatience;
  auto done = [&] {
    if (lines > 0) return std::count(into.begin(), into.end(), '\n') >= lines;
    return into.find(text) != std::string::npos;
  };
  while (!done()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    into.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

bool ChildProcess::StdoutShows(const std::string& text) {
  return ReadUntil(out_, stdout_, text, 0);
}

bool ChildProcess::StderrShows(const std::string& text) {
  return ReadUntil(err_, stderr_, text, 0);
}

bool ChildProcess::StderrLines(int lines) {
  return ReadUntil(err_, stderr_, {}, lines);
}

void ChildProcess::CloseInput() {
  close(input_);
  input_ = -1;
}

void ChildProcess::Signal(int signal) {
  if (pid_ > 0) kill(pid_, signal);
}

int ChildProcess::ExitStatus() {
  auto deadline = std::chrono::steady_clock::now() + kPatience;
  for (int status; std::chrono::steady_clock::now() < deadline; poll(nullptr, 0, 10)) {
    if (waitpid(pid_, &status, WNOHANG) != pid_) continue;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return -1;
}

}  // namespace vfd::testing

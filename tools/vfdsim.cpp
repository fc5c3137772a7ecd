// vfdsim: a serial VFD on a pseudo-terminal, drawn in the terminal, so that the program can be
// tried without the hardware.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "LinePacer.h"
#include "display/Models.h"
#include "display/emulator/Decoders.h"
#include "display/emulator/TerminalView.h"
#include "platform/SerialPortCatalog.h"

namespace vfd {
namespace {

constexpr int64_t kFrameMicros = 1'000'000 / 30;

struct Options {
  int16_t model = kModelIeeSerial;
  int baud = 0;  // 0: as fast as bytes come
  CharsetChoice charset = CharsetChoice::kJapanese;
  bool plain = false;
  bool help = false;
};

int64_t NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string ErrnoText(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

void PrintUsage(FILE* out) {
  std::string dir = SimulatorPortDirectory();
  if (dir.empty()) dir = "the simulator port directory";
  std::fprintf(
      out,
      "Usage: vfdsim [--model 1|4|5] [--baud 9600|19200] [--charset japanese|european]\n"
      "              [--plain]\n"
      "\n"
      "Simulates a serial vacuum fluorescent display so that VFD Vorlinx can be tried\n"
      "without hardware. vfdsim opens a pseudo-terminal, decodes the bytes arriving there\n"
      "as the chosen display would, and draws the display in this terminal, its\n"
      "brightness levels as shades.\n"
      "\n"
      "  --model N  the display to simulate (default 1):\n");
  for (int16_t model : {kModelIeeSerial, kModelOrbital2x20, kModelOrbital4x20}) {
    const ModelRow* row = FindModel(model);
    std::fprintf(out, "               %d  %.*s, %.*s\n", model,
                 static_cast<int>(row->list_text.size()), row->list_text.data(),
                 static_cast<int>(FindScreen(row->screen)->list_text.size()),
                 FindScreen(row->screen)->list_text.data());
  }
  std::fprintf(
      out,
      "  --baud N   take bytes no faster than a real line of N baud (9600 or 19200)\n"
      "             carries them; without it, as fast as they come\n"
      "  --charset  the display's character ROM: japanese (the default) or european;\n"
      "             choose the same in VFD Vorlinx's vfdservices.txt (charset = ...)\n"
      "  --plain    no picture: print the glass as plain text, followed by an empty\n"
      "             line, each time its text or on/off state changes (for scripts)\n"
      "  --help     show this text\n"
      "\n"
      "With VFD Vorlinx:\n"
      "  1. Start vfdsim first. It prints its pseudo-terminal and publishes a link to it,\n"
      "     named model<N>, in %s.\n"
      "  2. Then start VFD Vorlinx; its port list shows the link as soon as it appears.\n"
      "  3. In \"Select Model\", choose the model vfdsim simulates, then the simulator's\n"
      "     link in the port list, and the speed (match --baud to feel a real line).\n"
      "\n"
      "Ctrl-C, or end of input (Ctrl-D), quits and removes the link.\n",
      dir.c_str());
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool has_value = false;
    if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
      has_value = true;
    }
    auto take_value = [&]() {
      if (has_value) return true;
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      value = argv[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--plain" && !has_value) {
      options.plain = true;
    } else if (arg == "--model") {
      if (!take_value()) return std::nullopt;
      if (value == "1" || value == "4" || value == "5") {
        options.model = static_cast<int16_t>(value[0] - '0');
      } else if (value == "2" || value == "3") {
        error = "model " + value + " is a parallel display; vfdsim simulates the serial models " +
                "1, 4 and 5";
        return std::nullopt;
      } else {
        error = "unknown model '" + value + "' (1, 4 or 5)";
        return std::nullopt;
      }
    } else if (arg == "--charset") {
      if (!take_value()) return std::nullopt;
      const std::optional<CharsetChoice> choice = CharsetByName(value);
      if (!choice) {
        error = "unknown character set '" + value + "' (japanese or european)";
        return std::nullopt;
      }
      options.charset = *choice;
    } else if (arg == "--baud") {
      if (!take_value()) return std::nullopt;
      if (value != "9600" && value != "19200") {
        error = "unsupported speed '" + value + "' (9600 or 19200)";
        return std::nullopt;
      }
      options.baud = std::stoi(value);
    } else {
      error = std::string("unknown argument '") + argv[i] + "'";
      return std::nullopt;
    }
  }
  return options;
}

// The pseudo-terminal the program writes to. The simulator keeps a descriptor of the slave side
// open for its whole life: otherwise the master reports a hang-up as soon as the program closes
// the port, and the terminal would be gone before the program opens it again.
class SimulatedPort {
 public:
  ~SimulatedPort() {
    if (held_slave_ >= 0) close(held_slave_);
    if (master_ >= 0) close(master_);
  }

  bool Open(int baud, std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return Fail(ErrnoText("cannot open a pseudo-terminal"), error);
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
      return Fail(ErrnoText("cannot unlock the pseudo-terminal"), error);
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0)
      return Fail(ErrnoText("cannot name the pseudo-terminal"), error);
    path_ = name;
    held_slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (held_slave_ < 0) return Fail(ErrnoText("cannot open " + path_), error);
    termios settings{};
    if (tcgetattr(held_slave_, &settings) != 0)
      return Fail(ErrnoText("cannot read the settings of " + path_), error);
    cfmakeraw(&settings);
    speed_t speed = baud == 19200 ? B19200 : B9600;
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    if (tcsetattr(held_slave_, TCSANOW, &settings) != 0)
      return Fail(ErrnoText("cannot set " + path_ + " to raw mode"), error);
    int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
      return Fail(ErrnoText("cannot make the pseudo-terminal non-blocking"), error);
    return true;
  }

  int master() const { return master_; }
  int held_slave() const { return held_slave_; }
  const std::string& path() const { return path_; }

 private:
  static bool Fail(const std::string& text, std::string& error) {
    error = text;
    return false;
  }

  int master_ = -1;
  int held_slave_ = -1;
  std::string path_;
};

// A program that opens the port for exclusive use (TIOCEXCL) leaves that flag on the terminal
// when it closes it, because the simulator's own descriptor keeps the terminal alive; every later
// open by an ordinary user would fail with EBUSY. Counting the opens and closes of the device
// node tells when the last user has gone, and the flag is cleared then.
class ExclusiveUseWatch {
 public:
  ~ExclusiveUseWatch() {
    if (fd_ >= 0) close(fd_);
  }

  // Without inotify the simulator still works, only a reopen after exclusive use fails.
  void Start(const std::string& device_path) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    if (inotify_add_watch(fd_, device_path.c_str(), IN_OPEN | IN_CLOSE) < 0) {
      close(fd_);
      fd_ = -1;
    }
  }

  int fd() const { return fd_; }

  void Process(int held_slave) {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
      ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) return;
      for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
        inotify_event event;
        std::memcpy(&event, buffer + at, sizeof event);
        at += static_cast<ssize_t>(sizeof event + event.len);
        if (event.mask & IN_OPEN) ++users_;
        if (event.mask & IN_CLOSE) {
          users_ = std::max(0, users_ - 1);
          if (users_ == 0) ioctl(held_slave, TIOCNXCL);
        }
        // Lost events make the count unreliable; starting over errs on the side of a port that
        // can be opened again.
        if (event.mask & IN_Q_OVERFLOW) {
          users_ = 0;
          ioctl(held_slave, TIOCNXCL);
        }
        if (event.mask & IN_IGNORED) {
          close(fd_);
          fd_ = -1;
          return;
        }
      }
    }
  }

 private:
  int fd_ = -1;
  int users_ = 0;
};

// The link in the simulator port directory through which the program finds the port.
class PublishedLink {
 public:
  ~PublishedLink() { Remove(); }

  bool Publish(const std::string& dir, int16_t model, const std::string& target,
               std::string& error) {
    if (dir.empty()) {
      error = "no simulator port directory is known";
      return false;
    }
    if (!EnsurePrivateDirectory(dir, error)) return false;
    const std::string base = dir + "/model" + std::to_string(model);
    int suffix = 1;
    // Bounded so that a directory that keeps changing under us cannot hold the simulator up.
    for (int attempt = 0; attempt < 200 && suffix < 100; ++attempt) {
      std::string path = suffix == 1 ? base : base + "-" + std::to_string(suffix);
      if (symlink(target.c_str(), path.c_str()) == 0) {
        path_ = path;
        target_ = target;
        return true;
      }
      if (errno != EEXIST) {
        error = ErrnoText("cannot create " + path);
        return false;
      }
      struct stat st;
      bool dangling = lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
                      stat(path.c_str(), &st) != 0 && errno == ENOENT;
      // A dangling link is left from a simulator that could not clean up; its name is free.
      if (dangling && (unlink(path.c_str()) == 0 || errno == ENOENT)) continue;
      ++suffix;
    }
    error = "no free link name in " + dir;
    return false;
  }

  // Removes the link unless another simulator has taken its name over meanwhile.
  void Remove() {
    if (path_.empty()) return;
    std::error_code ec;
    if (std::filesystem::read_symlink(path_, ec).string() == target_) unlink(path_.c_str());
    path_.clear();
  }

  const std::string& path() const { return path_; }

 private:
  // The directory is created private; an existing one must be ours and a real directory, since a
  // shared /tmp lets anyone else plant one.
  static bool EnsurePrivateDirectory(const std::string& dir, std::string& error) {
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0) {
      if (errno != ENOENT) {
        error = ErrnoText("cannot use " + dir);
        return false;
      }
      std::error_code ec;
      std::filesystem::create_directories(std::filesystem::path(dir).parent_path(), ec);
      if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = ErrnoText("cannot create " + dir);
        return false;
      }
      if (lstat(dir.c_str(), &st) != 0) {
        error = ErrnoText("cannot use " + dir);
        return false;
      }
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) {
      error = dir + " is not a directory owned by this user";
      return false;
    }
    return true;
  }

  std::string path_;
  std::string target_;
};

// Standard input ends the simulator when it ends: Ctrl-D at the terminal, or the closing of a
// pipe it was started with. Anything else (/dev/null, a file) would end it at once and is
// ignored, as is a terminal the simulator runs in the background of, which it must not read.
class InputWatch {
 public:
  InputWatch() {
    struct stat st;
    if (fstat(STDIN_FILENO, &st) != 0) return;
    if (isatty(STDIN_FILENO))
      terminal_ = active_ = tcgetpgrp(STDIN_FILENO) == getpgrp();
    else
      active_ = S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
  }

  bool active() const { return active_; }
  bool terminal() const { return terminal_; }

  // True when the input has ended.
  bool Read() {
    if (terminal_ && tcgetpgrp(STDIN_FILENO) != getpgrp()) {
      active_ = false;
      return false;
    }
    char buffer[256];
    ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return false;
    return n <= 0;
  }

 private:
  bool active_ = false;
  bool terminal_ = false;
};

// The output: a picture redrawn in place, or plain snapshots.
class View {
 public:
  View(const Options& options, std::string model_name, std::vector<std::string> header)
      : plain_(options.plain), header_(std::move(header)) {
    ansi_.model_name = std::move(model_name);
    const char* colorterm = std::getenv("COLORTERM");
    ansi_.true_color = colorterm && (std::strcmp(colorterm, "truecolor") == 0 ||
                                     std::strcmp(colorterm, "24bit") == 0);
  }

  bool Begin() {
    if (plain_) return true;
    started_ = true;
    return Write("\x1b[?25l\x1b[H\x1b[2J");
  }

  // A plain snapshot only when the text or the on/off state differs from the last one; the
  // picture every time, as its byte count moves with every byte. False when the output failed.
  bool Draw(const DisplayEmulator& emulator) {
    if (plain_) {
      std::string snapshot = RenderPlain(emulator.glass());
      if (snapshot == last_) return true;
      last_ = snapshot;
      return Write(snapshot + "\n");
    }
    ansi_.bytes_decoded = emulator.BytesDecoded();
    std::string frame = clear_next_ ? "\x1b[H\x1b[2J" : "\x1b[H";
    clear_next_ = false;
    for (const std::string& line : header_)
      frame += line + "\x1b[K\n";
    frame += "\x1b[K\n";
    frame += RenderAnsi(emulator.glass(), ansi_);
    frame += "\x1b[J";
    return Write(frame);
  }

  // After a size change the old picture may have been reflowed anywhere.
  void Resized() { clear_next_ = true; }

  void End() {
    if (started_) Write("\x1b[0m\x1b[?25h");
    started_ = false;
  }

 private:
  static bool Write(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
           std::fflush(stdout) == 0;
  }

  bool plain_;
  bool started_ = false;
  bool clear_next_ = false;
  std::vector<std::string> header_;
  AnsiViewOptions ansi_;
  std::string last_;
};

int Run(const Options& options) {
  const ModelRow* model = FindModel(options.model);
  const ScreenRow* screen = FindScreen(model->screen);
  std::unique_ptr<DisplayEmulator> emulator =
      DisplayEmulator::ForModel(options.model, options.charset);
  const std::string model_name(model->list_text);

  // Signals arrive through the poll loop so that every way out runs the same cleanup.
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGWINCH})
    sigaddset(&signals, s);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  int signal_fd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
  if (signal_fd < 0) {
    std::fprintf(stderr, "vfdsim: %s\n", ErrnoText("cannot receive signals").c_str());
    return 1;
  }
  // A reader of --plain output that goes away must end the simulator through its cleanup, not
  // kill it with the link left behind.
  signal(SIGPIPE, SIG_IGN);

  SimulatedPort port;
  std::string error;
  if (!port.Open(options.baud, error)) {
    std::fprintf(stderr, "vfdsim: %s\n", error.c_str());
    return 1;
  }
  std::string intro =
      "vfdsim: " + model_name + " (" + std::string(screen->list_text) + ") on " + port.path();
  std::fprintf(stderr, "%s\n", intro.c_str());

  PublishedLink link;
  std::string link_line;
  if (link.Publish(SimulatorPortDirectory(), options.model, port.path(), error))
    link_line = "vfdsim: link " + link.path();
  else
    link_line = "vfdsim: no link for the port list (" + error + ")";
  std::fprintf(stderr, "%s\n", link_line.c_str());
  std::fflush(stderr);

  ExclusiveUseWatch exclusive;
  exclusive.Start(port.path());
  InputWatch input;
  LinePacer pacer(options.baud, NowMicros());
  View view(options, model_name,
            {intro, link_line, input.terminal() ? "Ctrl-C or Ctrl-D quits." : "Ctrl-C quits."});

  int status = 0;
  bool running = view.Begin();
  bool dirty = true;
  int64_t last_draw = NowMicros() - kFrameMicros;
  std::vector<char> buffer(4096);
  while (running) {
    int64_t now = NowMicros();
    if (dirty && now - last_draw >= kFrameMicros) {
      if (!view.Draw(*emulator)) {
        status = 1;
        break;
      }
      dirty = false;
      last_draw = now;
    }

    int64_t wait_us = -1;
    if (dirty) wait_us = last_draw + kFrameMicros - now;
    size_t allowance = pacer.Allowance(now);
    if (allowance == 0) {
      int64_t pace_us = pacer.WaitMicros(now);
      wait_us = wait_us < 0 ? pace_us : std::min(wait_us, pace_us);
    }
    int timeout_ms = wait_us < 0 ? -1 : static_cast<int>((wait_us + 999) / 1000);

    // Not asking for the master's bytes while the line speed holds them back keeps the poll
    // from returning at once over and over.
    const bool want_port = allowance > 0;
    const bool want_input = input.active();
    const bool want_exclusive = exclusive.fd() >= 0;
    std::vector<pollfd> fds;
    fds.push_back({signal_fd, POLLIN, 0});
    const size_t port_at = fds.size();
    if (want_port) fds.push_back({port.master(), POLLIN, 0});
    const size_t input_at = fds.size();
    if (want_input) fds.push_back({STDIN_FILENO, POLLIN, 0});
    const size_t exclusive_at = fds.size();
    if (want_exclusive) fds.push_back({exclusive.fd(), POLLIN, 0});

    if (poll(fds.data(), fds.size(), timeout_ms) < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "vfdsim: %s\n", ErrnoText("poll").c_str());
      status = 1;
      break;
    }

    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info;
      while (read(signal_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (info.ssi_signo == SIGWINCH) {
          view.Resized();
          dirty = true;
        } else {
          running = false;
        }
      }
    }
    if (want_port && fds[port_at].revents) {
      ssize_t n = read(port.master(), buffer.data(), std::min(buffer.size(), allowance));
      if (n > 0) {
        pacer.Take(static_cast<size_t>(n));
        emulator->FeedSerial(std::string_view(buffer.data(), static_cast<size_t>(n)));
        dirty = true;
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        // Only a hang-up forced on the terminal gets here, as the held slave descriptor keeps
        // the master alive otherwise.
        running = false;
      }
    }
    if (want_input && fds[input_at].revents && input.Read()) running = false;
    if (want_exclusive && fds[exclusive_at].revents) exclusive.Process(port.held_slave());
  }

  // What arrived last is shown even if it came within the last frame time.
  if (dirty && status == 0 && !view.Draw(*emulator)) status = 1;
  view.End();
  link.Remove();
  close(signal_fd);
  return status;
}

}  // namespace
}  // namespace vfd

int main(int argc, char** argv) {
  std::string error;
  std::optional<vfd::Options> options = vfd::ParseOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "vfdsim: %s\n", error.c_str());
    vfd::PrintUsage(stderr);
    return 2;
  }
  if (options->help) {
    vfd::PrintUsage(stdout);
    return 0;
  }
  return vfd::Run(*options);
}

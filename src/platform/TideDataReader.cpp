#include "platform/TideDataReader.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>

#include "core/Charset.h"
#include "platform/SystemError.h"

namespace vfd {
namespace {

constexpr std::string_view kHeader = "VFDTIDES 1";
constexpr int kJobStations = 1;
constexpr int kJobPredict = 2;
// More than any harmonics file holds: xtide's largest lists some 10,000 stations.
constexpr size_t kMaxStations = 100'000;
constexpr size_t kMaxEvents = 10'000;
constexpr size_t kMaxAnswerBytes = size_t{32} << 20;
constexpr size_t kMaxField = 512;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A text field as the answer carries it: no tabs, line breaks or other control characters.
std::string Field(std::string_view s) {
  if (s.size() > kMaxField) {
    // Cut at a character's start, so that the text stays UTF-8.
    size_t cut = kMaxField;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80)
      --cut;
    s = s.substr(0, cut);
  }
  std::string out(s);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return out;
}

bool GoodText(std::string_view s) {
  if (s.size() > kMaxField || !IsUtf8(s)) return false;
  for (char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

// IANA zone names: letters, digits and "/_+-", and never a way up the zone directory.
bool GoodZone(std::string_view s) {
  if (s.size() > 64 || s.find("..") != std::string_view::npos) return false;
  for (char c : s)
    if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr("/_+-:", c)) return false;
  return true;
}

// A zone the checks would refuse is sent as none (the computer's own) rather than costing the
// whole list.
std::string ZoneField(const std::string& zone) {
  return GoodZone(zone) ? zone : std::string();
}

std::vector<std::string_view> Split(std::string_view line) {
  std::vector<std::string_view> out;
  for (;;) {
    const size_t tab = line.find('\t');
    out.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return out;
    line.remove_prefix(tab + 1);
  }
}

template <typename T>
std::optional<T> Number(std::string_view s) {
  T value{};
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return value;
}

std::string Text(double d) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
  return ec == std::errc() ? std::string(buffer, end) : "nan";
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string IdentityOf(const struct stat& st) {
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
         std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec);
}

// The file opened for reading when it is a regular file of a plausible size; -1 otherwise,
// with the reason. O_NONBLOCK: opening a FIFO must not wait for a writer.
int OpenRegular(const std::string& path, std::string* identity, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int err = errno;
    *error = "cannot read the tide data " + path + ": " + SystemErrorText(err);
    if (err == ENOENT) *error += " (install the package xtide-data)";
    return -1;
  }
  struct stat st {};
  std::string why;
  if (fstat(fd, &st) != 0)
    why = SystemErrorText(errno);
  else if (!S_ISREG(st.st_mode))
    why = "not a regular file";
  else if (st.st_size == 0)
    why = "empty";
  else if (st.st_size > TideDataReader::kMaxFileBytes)
    why = "larger than " + std::to_string(TideDataReader::kMaxFileBytes >> 20) + " MiB";
  if (!why.empty()) {
    close(fd);
    *error = "the tide data " + path + " is unusable: " + why;
    return -1;
  }
  *identity = IdentityOf(st);
  return fd;
}

// The child's whole life: libtcd on the file behind `fd`, the answer on `out`, and an exit
// that runs none of the parent's handlers or destructors.
[[noreturn]] void ChildMain(int fd, int out, const std::string& path, int job, size_t index,
                            const std::string& name, int64_t from, int64_t to) {
  // A crash here is an expected outcome, not worth a core file.
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
    signal(sig, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  // libtcd tells its troubles on the standard streams, quoting the file's bytes as they are:
  // nothing from a damaged file reaches the terminal.
  if (const int null = open("/dev/null", O_RDWR | O_CLOEXEC); null >= 0) {
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
  }
  // Only the file and the answer's pipe stay open: a child that outlives its parent must not
  // keep the parent's instance lock, port or sockets alive.
  {
    const unsigned keep_low = static_cast<unsigned>(std::min(fd, out));
    const unsigned keep_high = static_cast<unsigned>(std::max(fd, out));
    if (keep_low > 3) close_range(3, keep_low - 1, 0);
    if (keep_high > keep_low + 1) close_range(keep_low + 1, keep_high - 1, 0);
    close_range(keep_high + 1, ~0U, 0);
  }

  // The descriptor's own file, whatever has happened to the path meanwhile. Without /proc the
  // path will do, as long as it still names that file.
  std::string where = "/proc/self/fd/" + std::to_string(fd);
  struct stat by_fd {
  }, by_name{};
  if (stat(where.c_str(), &by_name) != 0) {
    where = path;
    if (fstat(fd, &by_fd) != 0 || stat(path.c_str(), &by_name) != 0 ||
        by_fd.st_dev != by_name.st_dev || by_fd.st_ino != by_name.st_ino ||
        !S_ISREG(by_name.st_mode))
      _exit(3);
  }
  std::string answer = std::string(kHeader) + "\n";
  size_t lines = 0;
  TideDatabase db;
  std::string error;
  std::string body;
  if (!db.Open(where, &error)) {
    body = "FAIL\tlibtcd cannot open it\n";
  } else if (job == kJobStations) {
    body = EncodeTideStations(db.Stations());
  } else if (index >= db.Stations().size() || Field(db.Stations()[index].name) != name) {
    body = "FAIL\tthe file changed while it was read\n";
  } else if (const std::optional<StationPredictions> p = db.Predict(index, from, to)) {
    body = EncodeTidePredictions(*p);
  } else {
    body = "FAIL\tno predictions for " + Field(name) + "\n";
  }
  for (char c : body)
    lines += c == '\n';
  answer += body;
  answer += "END\t" + std::to_string(lines) + "\n";
  _exit(WriteAll(out, answer) ? 0 : 4);
}

}  // namespace

std::string EncodeTideStations(const std::vector<TideStationName>& names) {
  std::string out;
  for (const TideStationName& s : names)
    out += "S\t" + std::string(s.reference ? "1" : "0") + "\t" + std::to_string(s.dependents) +
           "\t" + ZoneField(s.zone) + "\t" + Field(s.name) + "\n";
  return out;
}

std::optional<std::vector<TideStationName>> DecodeTideStations(
    const std::vector<std::string>& lines) {
  if (lines.size() > kMaxStations) return std::nullopt;
  std::vector<TideStationName> names;
  names.reserve(lines.size());
  for (const std::string& line : lines) {
    const std::vector<std::string_view> f = Split(line);
    if (f.size() != 5 || f[0] != "S" || (f[1] != "0" && f[1] != "1")) return std::nullopt;
    const std::optional<int> dependents = Number<int>(f[2]);
    if (!dependents || *dependents < 0 || static_cast<size_t>(*dependents) > kMaxStations ||
        !GoodZone(f[3]) || !GoodText(f[4]))
      return std::nullopt;
    names.push_back({.name = std::string(f[4]),
                     .reference = f[1] == "1",
                     .dependents = *dependents,
                     .zone = std::string(f[3])});
  }
  return names;
}

std::string EncodeTidePredictions(const StationPredictions& p) {
  std::string out = "P\t" + Field(p.units) + "\t" + ZoneField(p.zone) + "\t" + Field(p.name) + "\n";
  for (const TideEvent& e : p.events)
    out +=
        "E\t" + std::to_string(e.time) + "\t" + Text(e.level) + "\t" + (e.high ? "1" : "0") + "\n";
  return out;
}

std::optional<StationPredictions> DecodeTidePredictions(const std::vector<std::string>& lines,
                                                        int64_t from, int64_t to) {
  if (lines.empty() || lines.size() > kMaxEvents + 1) return std::nullopt;
  const std::vector<std::string_view> head = Split(lines[0]);
  if (head.size() != 4 || head[0] != "P" || !GoodText(head[1]) || !GoodZone(head[2]) ||
      !GoodText(head[3]))
    return std::nullopt;
  StationPredictions p{.name = std::string(head[3]),
                       .units = std::string(head[1]),
                       .zone = std::string(head[2]),
                       .events = {}};
  int64_t last = from - 1;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string_view> f = Split(lines[i]);
    if (f.size() != 4 || f[0] != "E" || (f[3] != "0" && f[3] != "1")) return std::nullopt;
    const std::optional<int64_t> time = Number<int64_t>(f[1]);
    const std::optional<double> level = Number<double>(f[2]);
    // In the span asked for, in order, and a water level (in feet or metres) the earth has.
    if (!time || *time < from || *time >= to || *time < last || !level || !std::isfinite(*level) ||
        std::fabs(*level) > 1000)
      return std::nullopt;
    last = *time;
    p.events.push_back({.time = *time, .level = *level, .high = f[3] == "1"});
  }
  return p;
}

TideDataReader::TideDataReader(std::string path, int time_limit_ms)
    : path_(std::move(path)), time_limit_ms_(time_limit_ms) {
  cancel_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

TideDataReader::~TideDataReader() {
  if (cancel_fd_ >= 0) close(cancel_fd_);
}

void TideDataReader::Cancel() {
  const uint64_t one = 1;
  if (cancel_fd_ >= 0) {
    [[maybe_unused]] ssize_t n = write(cancel_fd_, &one, sizeof one);
  }
}

std::optional<std::string> TideDataReader::Identity(std::string* error) const {
  std::string identity;
  const int fd = OpenRegular(path_, &identity, error);
  if (fd < 0) return std::nullopt;
  close(fd);
  return identity;
}

std::optional<TideDataReader::Stations> TideDataReader::ReadStations(std::string* error) {
  Stations out;
  const std::optional<std::vector<std::string>> lines =
      Ask(kJobStations, 0, {}, 0, 0, &out.identity, error);
  if (!lines) return std::nullopt;
  std::optional<std::vector<TideStationName>> names = DecodeTideStations(*lines);
  if (!names) {
    *error = "the tide data " + path_ + " is unusable: its station list reads wrong";
    return std::nullopt;
  }
  out.names = std::move(*names);
  return out;
}

std::optional<StationPredictions> TideDataReader::Predict(size_t index, const std::string& name,
                                                          int64_t from, int64_t to,
                                                          std::string* error) {
  std::string identity;
  const std::optional<std::vector<std::string>> lines =
      Ask(kJobPredict, index, name, from, to, &identity, error);
  if (!lines) return std::nullopt;
  std::optional<StationPredictions> p = DecodeTidePredictions(*lines, from, to);
  if (!p) *error = "the tide data " + path_ + " is unusable: its predictions read wrong";
  return p;
}

std::optional<std::vector<std::string>> TideDataReader::Ask(int job, size_t index,
                                                            const std::string& name, int64_t from,
                                                            int64_t to, std::string* identity,
                                                            std::string* error) {
  const int fd = OpenRegular(path_, identity, error);
  if (fd < 0) return std::nullopt;
  const std::string unusable = "the tide data " + path_ + " is unusable: ";
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    *error = unusable + SystemErrorText(errno);
    close(fd);
    return std::nullopt;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipe_fds[0]);
    ChildMain(fd, pipe_fds[1], path_, job, index, name, from, to);
  }
  const int fork_error = errno;
  close(pipe_fds[1]);
  close(fd);
  if (pid < 0) {
    close(pipe_fds[0]);
    *error = "cannot read the tide data " + path_ + ": " + SystemErrorText(fork_error);
    return std::nullopt;
  }

  // The answer, until the child closes its end, runs out of time, says too much or the reader
  // is cancelled.
  const int64_t deadline = NowMs() + time_limit_ms_;
  std::string answer;
  std::string why;
  char buffer[65536];
  for (;;) {
    const int64_t left = deadline - NowMs();
    if (left <= 0) {
      why = "reading it took longer than " + std::to_string(time_limit_ms_ / 1000) + " s";
      break;
    }
    pollfd fds[2] = {{pipe_fds[0], POLLIN, 0}, {cancel_fd_, POLLIN, 0}};
    const int ready = poll(fds, cancel_fd_ >= 0 ? 2 : 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      why = SystemErrorText(errno);
      break;
    }
    if (cancel_fd_ >= 0 && (fds[1].revents & POLLIN)) {
      why = "stopped";
      break;
    }
    if (ready == 0) continue;
    const ssize_t n = read(pipe_fds[0], buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;  // the child has finished, one way or another
    answer.append(buffer, static_cast<size_t>(n));
    if (answer.size() > kMaxAnswerBytes) {
      why = "the reader said too much";
      break;
    }
  }
  close(pipe_fds[0]);
  if (!why.empty()) kill(pid, SIGKILL);
  // The child has closed its end or been killed: it ends at once either way, unless it closed
  // the pipe and went on, which is given the same time limit.
  int status = 0;
  for (;;) {
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) break;
    if (NowMs() > deadline + 1000) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      if (why.empty()) why = "reading it took too long";
      break;
    }
    usleep(1000);
  }
  if (why.empty() && WIFSIGNALED(status))
    why = std::string("the reader failed on it (") + strsignal(WTERMSIG(status)) + ")";
  else if (why.empty() && (!WIFEXITED(status) || WEXITSTATUS(status) != 0))
    why = "the reader failed on it";
  if (!why.empty()) {
    *error = unusable + why;
    return std::nullopt;
  }

  // The frame: the header, the body, and the count of the body's lines.
  std::vector<std::string> lines;
  for (size_t at = 0; at < answer.size();) {
    const size_t end = answer.find('\n', at);
    if (end == std::string::npos) {
      lines.clear();
      break;
    }
    lines.push_back(answer.substr(at, end - at));
    at = end + 1;
  }
  const std::string end_line =
      lines.size() >= 2 ? "END\t" + std::to_string(lines.size() - 2) : std::string();
  if (lines.size() < 2 || lines.front() != kHeader || lines.back() != end_line) {
    *error = unusable + "the reader's answer reads wrong";
    return std::nullopt;
  }
  lines.pop_back();
  lines.erase(lines.begin());
  if (lines.size() == 1 && lines[0].starts_with("FAIL\t")) {
    const std::string reason = lines[0].substr(5);
    *error = unusable + (GoodText(reason) ? reason : "the reader failed on it");
    return std::nullopt;
  }
  return lines;
}

}  // namespace vfd

// The clients' server on real sockets: bounds and misbehaving clients through a plain socket,
// and LCDproc's own clients (lcdproc, lcdexec, Perl's IO::LCDproc) drawing on the emulated glass.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "platform/TcpLineServer.h"
#include "support/ChildProcess.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::Rig;

// A loopback port nobody listens on now (never the well-known one, where an LCDd may run).
int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

// A plain client socket.
class Peer {
 public:
  explicit Peer(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    timeval t{0, 20'000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
  }
  ~Peer() { Close(); }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  bool connected() const { return connected_; }
  void Send(const std::string& text) { ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL); }
  // Whatever has arrived; "" when nothing did. Sets `closed` when the server hung up.
  std::string Read() {
    char buf[4096];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n == 0) closed = true;
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
  }
  bool closed = false;

 private:
  int fd_ = -1;
  bool connected_ = false;
};

class LcdprocSocketTest : public ::testing::Test {
 protected:
  LcdprocSocketTest() {
    rig.UseModel(kModelOrbital2x20);
    rig.Emulate(kModelOrbital2x20);
    rig.lcdproc_sockets.through = &sockets;
    rig.program->lcdproc().Listen("127.0.0.1:" + std::to_string(port));
  }
  // Runs the event loop (virtual time racing ahead of real time) until `done`; false after a
  // generous bound.
  bool Until(const std::function<bool()>& done, std::chrono::seconds patience = 15s) {
    const auto end = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < end) {
      rig.loop.RunPosted();
      if (done()) return true;
      rig.loop.RunFor(25);
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }
  // Reads what the peer is sent while the loop runs, until it holds `text`.
  bool Hears(Peer& peer, std::string& heard, const std::string& text) {
    return Until([&] {
      heard += peer.Read();
      return heard.find(text) != std::string::npos;
    });
  }
  bool GlassShows(const std::string& text) {
    return Until([&] { return rig.glass().Text().find(text) != std::string::npos; });
  }
  size_t Clients() { return rig.program->lcdproc().sessions().Clients().size(); }

  // Only bound here: the rig below is built after it and goes before it (its program stops the
  // backend on the way).
  TcpLineServer sockets{rig.loop};
  int port = FreePort();
  Rig rig;
};

TEST_F(LcdprocSocketTest, APlainClientAndItsBounds) {
  ASSERT_TRUE(rig.program->lcdproc().Listening());
  Peer a(port);
  ASSERT_TRUE(a.connected());
  std::string heard;
  a.Send("hello\nscreen_add s\nwidget_add s w string\nwidget_set s w 1 1 {over TCP}\n");
  ASSERT_TRUE(Hears(a, heard, "success\nsuccess\nsuccess\n"));
  EXPECT_TRUE(heard.starts_with("connect LCDproc 0.5.9 protocol 0.4 lcd wid 20 hgt 2"));
  rig.main().cmdLcdproc.Click();
  EXPECT_TRUE(GlassShows("over TCP"));
  // A client vanishing mid-line leaves the others and the glass as they were.
  {
    Peer b(port);
    b.Send("hello\nscreen_add t\nwidget_add t w str");
    ASSERT_TRUE(Until([&] { return Clients() == 2; }));
  }
  ASSERT_TRUE(Until([&] { return Clients() == 1; }));
  a.Send("noop\n");
  heard.clear();
  EXPECT_TRUE(Hears(a, heard, "success\n"));
  // A line longer than 8 KiB ends its client, told why.
  Peer c(port);
  c.Send("hello\n" + std::string(9000, 'x'));
  std::string told;
  EXPECT_TRUE(Hears(c, told, "huh? Line too long\n"));
  EXPECT_TRUE(Until([&] {
    c.Read();
    return c.closed;
  }));
  // Sixteen clients at most; the seventeenth is turned away.
  std::vector<std::unique_ptr<Peer>> many;
  while (many.size() < 15)
    many.push_back(std::make_unique<Peer>(port));
  ASSERT_TRUE(Until([&] { return Clients() == 16; }));
  Peer extra(port);
  std::string refused;
  EXPECT_TRUE(Hears(extra, refused, "huh? Too many clients\n"));
  EXPECT_TRUE(GlassShows("over TCP"));
}

TEST_F(LcdprocSocketTest, ASecondServerOnTheSamePortIsRefused) {
  Rig other;
  TcpLineServer other_sockets(other.loop);
  other.lcdproc_sockets.through = &other_sockets;
  other.program->lcdproc().Listen("127.0.0.1:" + std::to_string(port));
  EXPECT_FALSE(other.program->lcdproc().Listening());
  EXPECT_EQ(other.main().lblStatus.Caption(),
            "LCDproc server: cannot listen on 127.0.0.1:" + std::to_string(port) +
                ": Address already in use");
  other.program.reset();
}

bool Installed(const char* path) {
  return ::access(path, X_OK) == 0;
}

TEST_F(LcdprocSocketTest, LcdprocsOwnScreensShowOnTheGlass) {
  if (!Installed("/usr/bin/lcdproc")) GTEST_SKIP() << "lcdproc is not installed";
  rig.main().cmdLcdproc.Click();
  ChildProcess lcdproc("/usr/bin/lcdproc",
                       {"-s", "127.0.0.1", "-p", std::to_string(port), "-f", "C", "T"});
  // Both screens come round in turn: the CPU use, then the time and date.
  EXPECT_TRUE(GlassShows("CPU"));
  EXPECT_TRUE(Until([&] {
    const std::string text = rig.glass().Text();
    return text.find("CPU") == std::string::npos && text.find(':') != std::string::npos;
  }));
  lcdproc.Signal(SIGTERM);
  EXPECT_TRUE(Until([&] { return Clients() == 0; }));
  EXPECT_TRUE(GlassShows("Waiting for clients"));
}

TEST_F(LcdprocSocketTest, APerlClientWritesItsLine) {
  if (!Installed("/usr/bin/perl") || ::access("/usr/share/perl5/IO/LCDproc.pm", R_OK) != 0)
    GTEST_SKIP() << "IO::LCDproc is not installed";
  std::string name = (std::filesystem::temp_directory_path() / "lcdproc-client-XXXXXX").string();
  char* path = name.data();
  const int fd = ::mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string script =
      "use IO::LCDproc;\n"
      "my $client = IO::LCDproc::Client->new(name => 'perltest', host => '127.0.0.1',"
      " port => $ARGV[0]);\n"
      "my $screen = IO::LCDproc::Screen->new(name => 'perl', heartbeat => 'off');\n"
      "my $line = IO::LCDproc::Widget->new(name => 'line', xPos => 1, yPos => 2);\n"
      "$client->add($screen);\n$screen->add($line);\n"
      "$client->connect();\n$client->initialize();\n"
      "$line->set(data => 'Hello from Perl');\n"
      "$screen->set_prio('foreground');\n"
      "sleep 30;\n";
  ASSERT_EQ(::write(fd, script.data(), script.size()), static_cast<ssize_t>(script.size()));
  ::close(fd);
  rig.main().cmdClock.Click();
  ChildProcess perl("/usr/bin/perl", {path, std::to_string(port)});
  // A foreground screen: it takes the glass over the clock.
  EXPECT_TRUE(GlassShows("Hello from Perl"));
  EXPECT_FALSE(rig.main().Timer3.Enabled());
  perl.Signal(SIGKILL);
  EXPECT_TRUE(Until([&] { return rig.main().Timer3.Enabled(); }));
  ::unlink(path);
}

TEST_F(LcdprocSocketTest, LcdexecsMenuIsTakenWithoutComplaint) {
  if (!Installed("/usr/bin/lcdexec")) GTEST_SKIP() << "lcdexec is not installed";
  std::string name = (std::filesystem::temp_directory_path() / "lcdexec-conf-XXXXXX").string();
  char* path = name.data();
  const int fd = ::mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string conf = "[lcdexec]\nAddress=127.0.0.1\nPort=" + std::to_string(port) +
                           "\nReportToSyslog=false\nReportLevel=5\nForeground=true\n"
                           "DisplayName=lcdexec\n[MainMenu]\nEntry=Hello\n[Hello]\n"
                           "DisplayName=\"Say hello\"\nExec=\"true\"\n";
  ASSERT_EQ(::write(fd, conf.data(), conf.size()), static_cast<ssize_t>(conf.size()));
  ::close(fd);
  ChildProcess lcdexec("/usr/bin/lcdexec", {"-f", "-s", "0", "-r", "5", "-c", path});
  ASSERT_TRUE(Until([&] { return Clients() == 1; }));
  // It stays, its menu accepted, and it said nothing about an answer it did not expect.
  Until([] { return false; }, 2s);
  EXPECT_EQ(Clients(), 1u);
  EXPECT_EQ(lcdexec.errors().find("huh?"), std::string::npos) << lcdexec.errors();
  ::unlink(path);
}

}  // namespace
}  // namespace vfd

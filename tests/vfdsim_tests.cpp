// The terminal picture of the glass, the line pacing, and the simulator as a process on a real
// pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "LinePacer.h"
#include "display/Models.h"
#include "display/emulator/Decoders.h"
#include "display/emulator/TerminalView.h"
#include "support/ChildProcess.h"

namespace vfd {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<DisplayEmulator> Fed(int16_t model, std::string_view bytes) {
  auto emulator = DisplayEmulator::ForModel(model);
  emulator->FeedSerial(bytes);
  return emulator;
}

struct DrawnCell {
  std::string style;  // the SGR sequence in force
  std::string text;
  // An attribute (4 underline, 5 blink) among the SGR arguments, colour arguments skipped.
  bool Has(int attribute) const {
    std::vector<int> n;
    for (size_t at = 2; at < style.size(); at = style.find_first_of(";m", at) + 1)
      n.push_back(std::atoi(style.c_str() + at));
    for (size_t i = 0; i < n.size(); i += n[i] == 38 ? (n[i + 1] == 2 ? 5 : 3) : 1)
      if (n[i] == attribute) return true;
    return false;
  }
};

// The cells of glass row `row` as RenderAnsi drew them, without the frame.
std::vector<DrawnCell> CellsOfRow(const std::string& ansi, int row) {
  size_t start = 0;
  for (int line = 0; line <= row; ++line)
    start = ansi.find('\n', start) + 1;
  std::string line = ansi.substr(start, ansi.find('\n', start) - start);
  std::vector<DrawnCell> cells;
  std::string style;
  for (size_t i = 0; i < line.size();) {
    if (line[i] == '\x1b') {
      size_t end = line.find_first_of("mK", i);
      if (line[end] == 'm') style = line.substr(i, end + 1 - i);
      i = end + 1;
      continue;
    }
    auto lead = static_cast<uint8_t>(line[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    cells.push_back({style, line.substr(i, length)});
    i += length;
  }
  if (cells.size() < 2) return {};
  return std::vector<DrawnCell>(cells.begin() + 1, cells.end() - 1);
}

std::string Ansi(const DisplayEmulator& emulator, bool true_color = true) {
  return RenderAnsi(emulator.glass(), {"model under test", 42, true_color});
}

TEST(TerminalViewTest, RowsFollowTheModelsAddressingAndCodePage) {
  auto orbital = Fed(4, "\xFE\x54\xFE\x48" + Fit("Orbital", 20) + Fit("second line", 20));
  EXPECT_EQ(RenderPlain(orbital->glass()),
            "|" + Fit("Orbital", 20) + "|\n|" + Fit("second line", 20) + "|\non\n");

  // Written continuously from home, the 4x20 display fills its rows in the order 1, 3, 2, 4.
  auto four = Fed(5, "\xFE\x48" + std::string(20, 'a') + std::string(20, 'b') +
                         std::string(20, 'c') + std::string(20, 'd'));
  EXPECT_EQ(RenderPlain(four->glass()), "|" + std::string(20, 'a') + "|\n|" + std::string(20, 'c') +
                                            "|\n|" + std::string(20, 'b') + "|\n|" +
                                            std::string(20, 'd') + "|\non\n");
  std::vector<DrawnCell> row2 = CellsOfRow(Ansi(*four), 1);
  ASSERT_EQ(row2.size(), 20u);
  EXPECT_EQ(row2[0].text + row2[19].text, "cc");

  // The ROM's own characters: a katakana, and an ä of the Japanese set's upper row.
  auto iee = Fed(1, "\x16\xB1\xE1");
  EXPECT_EQ(RenderPlain(iee->glass()).substr(0, 6), "|\uFF71\u00E4");
  std::vector<DrawnCell> row1 = CellsOfRow(Ansi(*iee), 0);
  EXPECT_EQ(row1[0].text + row1[1].text, "\uFF71\u00E4");
}

TEST(TerminalViewTest, LevelsAreDistinctVisibleShadesInBothColourModes) {
  // Character 0 at level 0; everything else stays at the full level 7.
  auto iee = Fed(1, std::string("\x19\x30\x00\x00", 4) + "{}");
  for (bool true_color : {true, false}) {
    SCOPED_TRACE(true_color ? "24-bit" : "256 colours");
    std::vector<DrawnCell> row = CellsOfRow(Ansi(*iee, true_color), 0);
    ASSERT_EQ(row.size(), 20u);
    EXPECT_EQ(row[0].text + row[1].text, "{}");
    EXPECT_NE(row[0].style, row[1].style);
    EXPECT_EQ(row[1].style, row[2].style);
  }
  std::string dim = CellsOfRow(Ansi(*iee), 0)[0].style;
  EXPECT_NE(dim.find("38;2;"), std::string::npos);
  EXPECT_EQ(dim.find("38;2;0;0;0m"), std::string::npos);
}

TEST(TerminalViewTest, CursorMarksItsCellAndDisplayOffHidesEverything) {
  auto orbital = Fed(4,
                     "\xFE\x48"
                     "AB\xFE\x53");
  std::vector<DrawnCell> row = CellsOfRow(Ansi(*orbital), 0);
  EXPECT_TRUE(row[2].Has(4) && row[2].Has(5));
  EXPECT_FALSE(row[1].Has(4) || row[3].Has(4));
  orbital->FeedSerial("\xFE\x54");
  for (const DrawnCell& cell : CellsOfRow(Ansi(*orbital), 0))
    EXPECT_FALSE(cell.Has(4));

  auto iee = Fed(1, "HELLO\x0F\x19\x33");
  std::string off = Ansi(*iee);
  for (const DrawnCell& cell : CellsOfRow(off, 0)) {
    EXPECT_EQ(cell.text, "\u00B7");
    EXPECT_FALSE(cell.Has(4));
  }
  EXPECT_NE(off.find("display off"), std::string::npos);
  EXPECT_NE(off.find("bytes decoded: 42"), std::string::npos);
  EXPECT_EQ(RenderPlain(iee->glass()), "|" + Fit("HELLO", 20) + "|\n|" + Fit("", 20) + "|\noff\n");

  iee->FeedSerial("\x19\x34");
  row = CellsOfRow(Ansi(*iee), 0);
  EXPECT_EQ(row[0].text, "H");
  EXPECT_TRUE(row[5].Has(4) && !row[5].Has(5));  // the non-blinking cursor after "HELLO"
}

TEST(LinePacerTest, HoldsAReaderToTheLineRateWithoutBankingIdleTime) {
  constexpr int64_t kSecond = 1'000'000;
  LinePacer pacer(9600, 0);
  size_t taken = 0;  // by a greedy reader polling every millisecond for two seconds
  for (int64_t t = 0; t <= 2 * kSecond; t += 1000) {
    taken += pacer.Allowance(t);
    pacer.Take(pacer.Allowance(t));
  }
  EXPECT_GE(taken, 1900u);
  EXPECT_LE(taken, 1940u);

  // Ten idle seconds later the line still delivers at its own speed.
  EXPECT_LE(pacer.Allowance(12 * kSecond), 20u);
  pacer.Take(pacer.Allowance(12 * kSecond));
  int64_t wait = pacer.WaitMicros(12 * kSecond);
  EXPECT_GT(wait, 0);
  EXPECT_GT(pacer.Allowance(12 * kSecond + wait), 0u);
}

// The built simulator as a child, with the pseudo-terminal and link it announced.
class Simulator : public testing::ChildProcess {
 public:
  explicit Simulator(std::vector<std::string> args) : ChildProcess(VFDSIM_PATH, std::move(args)) {
    // "vfdsim: <model> (<geometry>) on <slave>", then "vfdsim: link <path>".
    StderrLines(2);
    const std::string& text = errors();
    size_t on = text.find(" on "), eol = text.find('\n'), link = text.find(" link ");
    if (on < eol) slave_path = text.substr(on + 4, eol - on - 4);
    if (link != std::string::npos)
      link_path = text.substr(link + 6, text.find('\n', link) - link - 6);
  }

  std::string slave_path, link_path;
};

class VfdsimProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vfdsim-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    runtime_ = pattern;
    // The simulator's links land in this private runtime directory.
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(runtime_); }

  static void Write(int fd, const std::string& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  static std::string Snapshot(const std::string& row1, const std::string& row2) {
    return "|" + Fit(row1, 20) + "|\n|" + Fit(row2, 20) + "|\non\n\n";
  }

  std::string runtime_;
};

TEST_F(VfdsimProcessTest, DrawsWhatArrivesAndCleansUpOnSigterm) {
  Simulator sim({"--plain", "--model", "1"});
  ASSERT_FALSE(sim.slave_path.empty());
  EXPECT_EQ(sim.link_path, runtime_ + "/vfdsim/model1");
  EXPECT_EQ(fs::read_symlink(sim.link_path).string(), sim.slave_path);

  int port = open(sim.slave_path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(port, 0);
  Write(port, "\x0E\x16" + Fit("HELLO VFD", 20) + Fit("SECOND LINE", 20));
  EXPECT_TRUE(sim.StdoutShows(Snapshot("HELLO VFD", "SECOND LINE"))) << sim.output();
  EXPECT_EQ(sim.output().find('\x1b'), std::string::npos);
  close(port);

  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.ExitStatus(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(sim.link_path)));
}

TEST_F(VfdsimProcessTest, TheChosenRomDrawsTheCodes) {
  Simulator sim({"--plain", "--model", "4", "--charset", "european"});
  ASSERT_FALSE(sim.slave_path.empty());
  int port = open(sim.slave_path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(port, 0);
  // The European ROM's backslash, é and ü; the katakana are in every ROM.
  Write(port,
        "\xFE\x58"
        "a\\b caf\xE9 \xFC \xB1");
  EXPECT_TRUE(sim.StdoutShows("|a\\b caf\u00E9 \u00FC \uFF71        |\n|" + std::string(20, ' ') +
                              "|\non\n\n"))
      << sim.output();
  close(port);
  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.ExitStatus(), 0);

  Simulator wrong({"--charset", "klingon"});
  EXPECT_EQ(wrong.ExitStatus(), 2);
  EXPECT_NE(wrong.errors().find("unknown character set 'klingon'"), std::string::npos)
      << wrong.errors();
}

TEST_F(VfdsimProcessTest, PortSurvivesTheProgramClosingItAndInputEndQuits) {
  Simulator sim({"--plain", "--model", "4"});
  ASSERT_FALSE(sim.slave_path.empty());

  // A program that claimed the port exclusively and went away without releasing the claim.
  int port = open(sim.slave_path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(port, 0);
  ASSERT_EQ(ioctl(port, TIOCEXCL), 0);
  Write(port,
        "\xFE\x58"
        "first session");
  close(port);
  ASSERT_TRUE(sim.StdoutShows(Snapshot("first session", "")));

  // The simulator lifts the stale claim; root could open regardless, so the flag is checked.
  auto deadline = std::chrono::steady_clock::now() + testing::kPatience;
  for (int exclusive = 1; std::chrono::steady_clock::now() < deadline; poll(nullptr, 0, 10)) {
    port = open(sim.slave_path.c_str(), O_RDWR | O_NOCTTY);
    if (port >= 0 && ioctl(port, TIOCGEXCL, &exclusive) == 0 && !exclusive) break;
    if (port >= 0) close(port);
    port = -1;
  }
  ASSERT_GE(port, 0) << "the port stayed claimed";
  Write(port,
        "\xFE\x48"
        "second session");
  EXPECT_TRUE(sim.StdoutShows(Snapshot("second session", "")));
  close(port);

  sim.CloseInput();
  EXPECT_EQ(sim.ExitStatus(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(sim.link_path)));
}

TEST_F(VfdsimProcessTest, LinkNamesReplaceDanglingLinksAndSkipLiveOnes) {
  fs::create_directory(runtime_ + "/vfdsim");
  fs::create_symlink(runtime_ + "/gone", runtime_ + "/vfdsim/model5");

  Simulator first({"--plain", "--model", "5"});
  Simulator second({"--plain", "--model", "5"});
  EXPECT_EQ(first.link_path, runtime_ + "/vfdsim/model5");
  EXPECT_EQ(second.link_path, runtime_ + "/vfdsim/model5-2");
  EXPECT_EQ(fs::read_symlink(first.link_path).string(), first.slave_path);
  EXPECT_EQ(fs::read_symlink(second.link_path).string(), second.slave_path);

  first.Signal(SIGINT);
  second.Signal(SIGHUP);
  EXPECT_EQ(first.ExitStatus(), 0);
  EXPECT_EQ(second.ExitStatus(), 0);
  EXPECT_TRUE(fs::is_empty(runtime_ + "/vfdsim"));
}

}  // namespace
}  // namespace vfd

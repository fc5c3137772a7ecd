// Media players over MPRIS: what the event thread keeps of them, the title and figures the
// now-playing function reads, and the backend against small players on a bus of the test's own
// (never the desktop's session bus).
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <thread>

#include "platform/AudioFileFigures.h"
#include "platform/MprisMediaPlayer.h"
#include "sources/Winamp.h"
#include "support/ChildProcess.h"
#include "support/FakeMprisPlayer.h"
#include "support/Rig.h"
#include "support/VirtualEventLoop.h"

namespace vfd {
namespace {

namespace fs = std::filesystem;
using testing::FakeMprisPlayer;

MprisPlayerState Player(const std::string& name, MprisPlayerState::Status status,
                        int64_t position_us = 0, uint64_t reading = 0) {
  MprisPlayerState s;
  s.bus_name = "org.mpris.MediaPlayer2." + name;
  s.status = status;
  s.position_us = position_us;
  s.position_reading = reading;
  return s;
}

TEST(MprisPlayersTest, APlayingPositionMovesOnAtItsRateAndStopsWithThePlayer) {
  MprisPlayers players;
  MprisPlayerState s = Player("a", MprisPlayerState::kPlaying, 10'000'000, 1);
  s.length_us = 200'000'000;
  players.Apply({s}, 1'000'000);
  ASSERT_TRUE(players.Choose(""));
  EXPECT_EQ(players.PositionUs(3'500'000), 12'500'000);

  // Paused without a new reading: the position is carried to the moment of the pause.
  s.status = MprisPlayerState::kPaused;
  players.Apply({s}, 4'000'000);
  EXPECT_EQ(players.PositionUs(9'000'000), 13'000'000);

  // Playing at double speed from there.
  s.status = MprisPlayerState::kPlaying;
  s.rate = 2.0;
  players.Apply({s}, 10'000'000);
  EXPECT_EQ(players.PositionUs(11'000'000), 15'000'000);

  // A fresh reading replaces the carried position; the track's end is as far as it goes.
  s.position_us = 199'000'000;
  s.position_reading = 2;
  players.Apply({s}, 20'000'000);
  EXPECT_EQ(players.PositionUs(20'000'000), 199'000'000);
  EXPECT_EQ(players.PositionUs(30'000'000), 200'000'000);
  // An unchanged list changes nothing.
  players.Apply({s}, 20'100'000);
  EXPECT_EQ(players.PositionUs(20'250'000), 199'500'000);
}

TEST(MprisPlayersTest, PlayingBeatsPausedBeatsStoppedThenTheLatestChangeAndThePreferredAlways) {
  MprisPlayers players;
  auto chosen = [&](std::string_view preferred = "") {
    return players.Choose(preferred) ? players.Chosen()->bus_name : std::string("none");
  };
  EXPECT_EQ(chosen(), "none");
  players.Apply({Player("a", MprisPlayerState::kStopped), Player("b", MprisPlayerState::kPaused)},
                0);
  EXPECT_EQ(chosen(), "org.mpris.MediaPlayer2.b");
  players.Apply({Player("a", MprisPlayerState::kPlaying), Player("b", MprisPlayerState::kPaused)},
                1);
  EXPECT_EQ(chosen(), "org.mpris.MediaPlayer2.a");
  // Both playing: the one that started last.
  players.Apply({Player("a", MprisPlayerState::kPlaying), Player("b", MprisPlayerState::kPlaying)},
                2);
  EXPECT_EQ(chosen(), "org.mpris.MediaPlayer2.b");
  EXPECT_EQ(chosen("A"), "org.mpris.MediaPlayer2.a");  // preferred, whatever its state

  // The chosen player stays chosen when the list changes around it, until it goes.
  players.Apply({Player("c", MprisPlayerState::kStopped), Player("a", MprisPlayerState::kPlaying),
                 Player("b", MprisPlayerState::kPlaying)},
                3);
  ASSERT_NE(players.Chosen(), nullptr);
  EXPECT_EQ(players.Chosen()->bus_name, "org.mpris.MediaPlayer2.a");
  players.Apply({Player("c", MprisPlayerState::kStopped)}, 4);
  EXPECT_EQ(players.Chosen(), nullptr);
  EXPECT_EQ(players.PositionUs(5), 0);
}

TEST(MprisPlayersTest, NumbersBeyondAnyTrackAreKeptInRange) {
  // Positions and lengths at the end of int64, and rates that are no number: the position
  // carried on never wraps, the length rounds without overflowing, a NaN rate stands still.
  testing::VirtualEventLoop clock;
  MprisSnapshotPlayer player(clock);
  MprisPlayerState s = Player("a", MprisPlayerState::kPlaying, INT64_MAX, 1);
  s.rate = 1e300;
  s.length_us = INT64_MAX;
  player.Apply({s});
  ASSERT_TRUE(player.FindPlayer());
  clock.Advance(5'000'000);
  EXPECT_EQ(player.QueryPositionMs(), INT32_MAX);
  EXPECT_EQ(player.QueryLengthSec(), INT32_MAX);
  s.length_us = 0;
  s.rate = -1e300;
  s.position_reading = 2;
  s.position_us = 10'000'000;
  player.Apply({s});
  clock.Advance(1'000'000);
  EXPECT_EQ(player.QueryPositionMs(), 0);
  s.rate = std::numeric_limits<double>::quiet_NaN();
  s.position_reading = 3;
  player.Apply({s});
  clock.Advance(1'000'000);
  EXPECT_EQ(player.QueryPositionMs(), 10'000);
  // Lengths round to the nearest second.
  s.length_us = 1'499'999;
  player.Apply({s});
  EXPECT_EQ(player.QueryLengthSec(), 1);
  s.length_us = 1'500'000;
  player.Apply({s});
  EXPECT_EQ(player.QueryLengthSec(), 2);
}

TEST(MprisPlayersTest, PreferredNamesMatchWithOrWithoutAnInstance) {
  EXPECT_TRUE(IsPreferredPlayer("org.mpris.MediaPlayer2.vlc", "vlc"));
  EXPECT_TRUE(IsPreferredPlayer("org.mpris.MediaPlayer2.vlc.instance4242", "VLC"));
  EXPECT_FALSE(IsPreferredPlayer("org.mpris.MediaPlayer2.vlcx", "vlc"));
  EXPECT_FALSE(IsPreferredPlayer("org.mpris.MediaPlayer2.vlc", "vl"));
  EXPECT_FALSE(IsPreferredPlayer("org.mpris.MediaPlayer2.vlc", ""));
}

TEST(MprisTitleTest, TheSongTextFallsBackAndStaysTextForTheDisplayToMap) {
  MprisPlayerState s = Player("mpv", MprisPlayerState::kPlaying);
  s.identity = "mpv Media Player";
  s.artist = "Sigur R\u00f3s";
  s.title = "Hopp\u00edpolla";
  s.playlist_index = 11;
  const std::string title = MprisWindowTitle(s);
  EXPECT_EQ(title, "12. Sigur R\u00f3s - Hopp\u00edpolla - Player");
  // The now-playing function cuts the number and the suffix off by their lengths.
  EXPECT_EQ(Winamp::StripTitle(title, 12, "      "), "Sigur R\u00f3s - Hopp\u00edpolla      ");

  s.artist.clear();
  EXPECT_EQ(MprisSongText(s), "Hopp\u00edpolla");
  // Control characters become blanks; everything else stays for the display's own mapping.
  s.title = "Line\nbreak\x1B\u00fe \u2603";
  EXPECT_EQ(MprisSongText(s), "Line break \u00fe \u2603");
  s.title.clear();
  s.url = "file:///music/My%20Song.flac";
  EXPECT_EQ(MprisSongText(s), "My Song.flac");
  s.url = "https://radio.example/live?listener=1";
  EXPECT_EQ(MprisSongText(s), "live");
  s.url.clear();
  EXPECT_EQ(MprisSongText(s), "mpv Media Player");
  s.identity.clear();
  EXPECT_EQ(MprisSongText(s), "mpv");
}

TEST(AudioFileTest, OnlyLocalFileAddressesNameAPath) {
  EXPECT_EQ(LocalPathOfUrl("file:///home/me/a%20b%C3%A9.mp3"), "/home/me/a b\xC3\xA9.mp3");
  EXPECT_EQ(LocalPathOfUrl("FILE://localhost/x.ogg"), "/x.ogg");
  EXPECT_EQ(LocalPathOfUrl("file://server/x.ogg"), std::nullopt);
  EXPECT_EQ(LocalPathOfUrl("http://host/x.ogg"), std::nullopt);
  EXPECT_EQ(LocalPathOfUrl("file:///x%00.ogg"), std::nullopt);
  EXPECT_EQ(LocalPathOfUrl("file:///x%2"), std::nullopt);
  EXPECT_EQ(LocalPathOfUrl("file:///x%zz"), std::nullopt);
}

struct TempDir {
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vfd-mpris-XXXXXX").string();
    EXPECT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  std::string operator/(const std::string& rel) const { return (root / rel).string(); }
  fs::path root;
};

// A PCM WAV file of silence.
void WriteWav(const std::string& path, uint32_t rate, uint16_t channels, uint16_t bits,
              uint32_t frames) {
  const uint32_t block = channels * bits / 8u;
  const uint32_t data = frames * block;
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out << "RIFF";
  u32(36 + data);
  out << "WAVEfmt ";
  u32(16);
  u16(1);
  u16(channels);
  u32(rate);
  u32(rate * block);
  u16(static_cast<uint16_t>(block));
  u16(bits);
  out << "data";
  u32(data);
  out << std::string(data, '\0');
}

TEST(AudioFileTest, FiguresComeFromTheFilesHeaders) {
  TempDir dir;
  WriteWav(dir / "stereo.wav", 44100, 2, 16, 22050);
  EXPECT_EQ(ReadAudioFileFigures(dir / "stereo.wav"),
            (AudioFileFigures{.sample_rate_khz = 44, .bitrate_kbps = 1411, .channels = 2}));
  WriteWav(dir / "mono.wav", 22050, 1, 8, 11025);
  EXPECT_EQ(ReadAudioFileFigures(dir / "mono.wav"),
            (AudioFileFigures{.sample_rate_khz = 22, .bitrate_kbps = 176, .channels = 1}));
  std::ofstream(dir / "notes.wav") << "not audio at all";
  EXPECT_EQ(ReadAudioFileFigures(dir / "notes.wav"), AudioFileFigures{});
  EXPECT_EQ(ReadAudioFileFigures(dir / "missing.mp3"), AudioFileFigures{});
  // What is not a regular file is not read: nothing writes to the FIFO, /dev/zero never ends.
  ASSERT_EQ(mkfifo((dir / "fifo.wav").c_str(), 0600), 0);
  EXPECT_EQ(ReadAudioFileFigures(dir / "fifo.wav"), AudioFileFigures{});
  ASSERT_EQ(symlink("/dev/zero", (dir / "zero.wav").c_str()), 0);
  EXPECT_EQ(ReadAudioFileFigures(dir / "zero.wav"), AudioFileFigures{});
  EXPECT_EQ(ReadAudioFileFigures(dir.root.string()), AudioFileFigures{});
  // A link to a real file is that file.
  ASSERT_EQ(symlink((dir / "stereo.wav").c_str(), (dir / "link.mp3").c_str()), 0);
  EXPECT_EQ(ReadAudioFileFigures(dir / "link.mp3").channels, 2);
}

// --- the backend on a bus of the test's own ---------------------------------------------------

// A session bus daemon for this test alone, on a socket in a temporary directory.
class PrivateBus {
 public:
  // With `config`, the daemon reads that configuration file instead of the session bus's own.
  explicit PrivateBus(const std::string& socket, const std::string& config = "")
      : address_("unix:path=" + socket),
        daemon_("/usr/bin/dbus-daemon",
                {config.empty() ? "--session" : "--config-file=" + config, "--nofork",
                 "--address=" + address_, "--print-address=1"}) {
    ready_ = daemon_.StdoutShows("\n");
  }
  bool Ready() const { return ready_; }
  const std::string& Address() const { return address_; }
  // The daemon ends at once, as when the session is gone.
  void Kill() { daemon_.Signal(SIGKILL); }

 private:
  std::string address_;
  testing::ChildProcess daemon_;
  bool ready_ = false;
};

class MprisBusTest : public ::testing::Test {
 protected:
  MprisBusTest() {
    // The backend finds its bus where a program finds the session bus: in the environment.
    // Pointing it at the private bus keeps every test away from the desktop's session bus.
    if (const char* old = getenv("DBUS_SESSION_BUS_ADDRESS")) saved_ = old;
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + Socket()).c_str(), 1);
  }
  ~MprisBusTest() override {
    rig_.player.real = nullptr;
    backend_.reset();
    saved_ ? setenv("DBUS_SESSION_BUS_ADDRESS", saved_->c_str(), 1)
           : unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }

  std::string Socket() const { return dir_ / "bus"; }
  void StartBus(const std::string& config = "") {
    bus_ = std::make_unique<PrivateBus>(Socket(), config);
    ASSERT_TRUE(bus_->Ready());
  }
  MprisMediaPlayer& Backend(MprisOptions options = {}) {
    if (!backend_) {
      // Quick retries, and no position check-ups unless a test asks for them: the fakes' positions
      // do not move with the virtual clock.
      if (options.retry_ms == MprisOptions{}.retry_ms) options.retry_ms = 50;
      if (options.resync_ms == MprisOptions{}.resync_ms) options.resync_ms = 600000;
      backend_ = std::make_unique<MprisMediaPlayer>(loop_, loop_, std::move(options));
    }
    return *backend_;
  }
  std::unique_ptr<FakeMprisPlayer> NewPlayer(const std::string& name, bool track_list = false,
                                             bool announce_track_list = true) {
    auto player =
        std::make_unique<FakeMprisPlayer>(bus_->Address(), name, track_list, announce_track_list);
    EXPECT_TRUE(player->Connected());
    return player;
  }

  // Lets the players answer and the backend's hand-overs arrive until `done` holds.
  template <typename Done>
  bool Until(Done done, std::initializer_list<FakeMprisPlayer*> players = {}) {
    const auto deadline = std::chrono::steady_clock::now() + testing::kPatience;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      for (FakeMprisPlayer* p : players)
        p->Process();
      loop_.RunPosted();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  // Lets things run a while when nothing is to happen.
  void Settle(std::initializer_list<FakeMprisPlayer*> players = {}) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    Until([&] { return std::chrono::steady_clock::now() > end; }, players);
  }
  bool Shows(const std::string& title) {
    return Backend().FindPlayer() && Backend().ReadWindowTitle() == title;
  }

  // The now-playing function on a 4x20 display, reading the backend: what the glass shows after
  // one tick.
  std::string GlassAfterTick() {
    if (!rig_.emulator) {
      rig_.UseModel(kModelOrbital4x20);
      rig_.Emulate(kModelOrbital4x20);
      rig_.player.real = &Backend();
    }
    rig_.program->winamp().WinampTick();
    return rig_.glass().Text();
  }

  TempDir dir_;
  // The whole program, for what the function makes of the backend's answers; its event loop is
  // the one the backend hands over to.
  testing::Rig rig_;
  testing::VirtualEventLoop& loop_ = rig_.loop;
  std::unique_ptr<PrivateBus> bus_;
  std::unique_ptr<MprisMediaPlayer> backend_;
  std::optional<std::string> saved_;
};

FakeMprisPlayer::Track Song(const std::string& id, const std::string& title,
                            int64_t length_us = 200'000'000, const std::string& url = "") {
  return {.id = id, .artist = "Artist", .title = title, .length_us = length_us, .url = url};
}

TEST_F(MprisBusTest, APlayingPlayerIsFoundAndReadFromMemory) {
  StartBus();
  WriteWav(dir_ / "song.wav", 48000, 2, 16, 4800);
  auto player = NewPlayer("fake");
  player->track = Song("/t/1", "First", 200'400'000, "file://" + (dir_ / "song.wav"));
  player->status = "Playing";
  player->position_us = 10'000'000;
  MprisMediaPlayer& backend = Backend();
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - First - Player"); }, {player.get()}));
  // The file's figures follow once it has been read.
  ASSERT_TRUE(Until([&] { return backend.QueryChannels() != 0; }, {player.get()}));
  EXPECT_EQ(backend.ChosenPlayer(), "org.mpris.MediaPlayer2.fake");
  EXPECT_NE(backend.QueryStatus(), 0);
  EXPECT_EQ(backend.QueryLengthSec(), 200);
  EXPECT_EQ(backend.QueryPlaylistIndex(), 0);
  EXPECT_EQ(backend.QueryPlaylistLength(), 1);
  EXPECT_EQ(backend.QuerySampleRate(), 48);
  EXPECT_EQ(backend.QueryBitrate(), 1536);
  EXPECT_EQ(backend.QueryChannels(), 2);
  EXPECT_EQ(backend.QueryPositionMs(), 10'000);
  // Time passes on the event thread's clock; the player is not asked.
  const int questions = player->position_questions;
  loop_.Advance(2'500'000);
  EXPECT_EQ(backend.QueryPositionMs(), 12'500);
  EXPECT_EQ(player->position_questions, questions);

  // The whole now-playing record through the reader.
  WinampReader reader(backend);
  ASSERT_TRUE(reader.RefreshNowPlaying());
  EXPECT_EQ(reader.now_playing.ElapsedText, "00:12");
  EXPECT_EQ(reader.now_playing.LengthText, "03:20");
}

TEST_F(MprisBusTest, PauseSeekRateAndANewTrackFollowTheSignals) {
  StartBus();
  auto player = NewPlayer("fake");
  player->track = Song("/t/1", "First");
  player->status = "Playing";
  player->position_us = 30'000'000;
  MprisMediaPlayer& backend = Backend();
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - First - Player"); }, {player.get()}));
  loop_.Advance(1'000'000);
  EXPECT_EQ(backend.QueryPositionMs(), 31'000);

  // A pause: the player is asked where it stopped, and the position stands from then on.
  player->position_us = 31'200'000;
  player->SetStatus("Paused");
  ASSERT_TRUE(Until([&] { return backend.QueryPositionMs() == 31'200; }, {player.get()}));
  EXPECT_EQ(backend.QueryStatus(), 3);  // paused still counts as playing
  loop_.Advance(5'000'000);
  EXPECT_EQ(backend.QueryPositionMs(), 31'200);

  player->Seek(90'000'000);
  ASSERT_TRUE(Until([&] { return backend.QueryPositionMs() == 90'000; }, {player.get()}));

  const int asked = player->position_questions;
  player->SetRate(2.0);
  player->SetStatus("Playing");
  ASSERT_TRUE(Until([&] { return backend.QueryStatus() == 1; }, {player.get()}));
  ASSERT_TRUE(Until([&] { return player->position_questions > asked; }, {player.get()}));
  Settle({player.get()});
  loop_.Advance(1'000'000);
  EXPECT_EQ(backend.QueryPositionMs(), 92'000);

  // The next track: its title at once, its position from its start.
  player->position_us = 0;
  player->SetTrack(Song("/t/2", "Second", 100'000'000));
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Second - Player"); }, {player.get()}));
  Settle({player.get()});
  EXPECT_EQ(backend.QueryLengthSec(), 100);
  EXPECT_EQ(backend.QueryPositionMs(), 0);

  player->SetStatus("Stopped");
  ASSERT_TRUE(Until([&] { return backend.QueryStatus() == 0; }, {player.get()}));
}

TEST_F(MprisBusTest, TheTrackListGivesThePlaylistPositionAndLength) {
  StartBus();
  auto player = NewPlayer("listing", true);
  player->tracks = {"/t/1", "/t/2", "/t/3"};
  player->track = Song("/t/2", "Middle");
  player->status = "Playing";
  MprisMediaPlayer& backend = Backend();
  ASSERT_TRUE(Until([&] { return Shows("2. Artist - Middle - Player"); }, {player.get()}));
  EXPECT_EQ(backend.QueryPlaylistIndex(), 1);
  EXPECT_EQ(backend.QueryPlaylistLength(), 3);

  player->ReplaceTracks({"/t/0", "/t/1", "/t/1b", "/t/2", "/t/3"}, "/t/2");
  ASSERT_TRUE(Until([&] { return backend.QueryPlaylistLength() == 5; }, {player.get()}));
  EXPECT_EQ(backend.QueryPlaylistIndex(), 3);
  EXPECT_EQ(backend.ReadWindowTitle(), "4. Artist - Middle - Player");
}

TEST_F(MprisBusTest, AListServedWithoutBeingAnnouncedIsReadAllTheSame) {
  StartBus();
  // As VLC: HasTrackList false, the Tracks property there, no change signals for it.
  auto player = NewPlayer("vlc", true, false);
  player->tracks = {"/t/1", "/t/2", "/t/3"};
  player->track = Song("/t/3", "Third");
  player->track.number = 9;  // the album's numbering is not the list's
  player->status = "Playing";
  MprisMediaPlayer& backend = Backend();
  ASSERT_TRUE(Until([&] { return Shows("3. Artist - Third - Player"); }, {player.get()}));
  EXPECT_EQ(backend.QueryPlaylistLength(), 3);
  EXPECT_EQ(GlassAfterTick(),
            "Artist - Third      \n"
            " Time: 00:00/03:20  \n"
            "     Track: 3/3     \n"
            "  0Ch  0KHz  0Kbps  ");

  // The list changed unannounced; the next track finds its place in it as it is now.
  player->tracks = {"/t/0", "/t/1", "/t/2", "/t/3", "/t/4"};
  player->SetTrack(Song("/t/4", "Fourth"));
  ASSERT_TRUE(Until([&] { return Shows("5. Artist - Fourth - Player"); }, {player.get()}));
  EXPECT_EQ(backend.QueryPlaylistLength(), 5);
  EXPECT_EQ(rig_.glass().Row(2), "     Track: 3/3     ");  // until the function's next tick
  GlassAfterTick();
  EXPECT_EQ(rig_.glass().Row(2), "     Track: 5/5     ");
}

TEST_F(MprisBusTest, WithoutATrackListTheTracksOwnNumberShowsWithNoCount) {
  StartBus();
  // As mpv: no TrackList interface at all; asking for it gives an error.
  auto player = NewPlayer("mpv");
  player->track = Song("/t/1", "Seventh");
  player->track.number = 7;
  player->status = "Playing";
  // Check-ups every 50 ms: a list it lacks is still asked for only once.
  MprisMediaPlayer& backend = Backend({.resync_ms = 50});
  ASSERT_TRUE(Until([&] { return Shows("7. Artist - Seventh - Player"); }, {player.get()}));
  EXPECT_EQ(backend.QueryPlaylistIndex(), 6);
  EXPECT_EQ(backend.QueryPlaylistLength(), 0);
  Settle({player.get()});
  EXPECT_EQ(player->track_list_questions, 1);
  EXPECT_EQ(GlassAfterTick(),
            "Artist - Seventh    \n"
            " Time: 00:00/03:20  \n"
            "      Track: 7      \n"
            "  0Ch  0KHz  0Kbps  ");

  // A track without a number is the one track that plays.
  player->SetTrack(Song("/t/2", "Unnumbered"));
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Unnumbered - Player"); }, {player.get()}));
  EXPECT_EQ(backend.QueryPlaylistLength(), 1);
  EXPECT_EQ(player->track_list_questions, 1);
}

TEST_F(MprisBusTest, PlayersThatComeLaterAreFoundAndVanishedOnesAreForgotten) {
  StartBus();
  MprisMediaPlayer& backend = Backend();
  Settle();
  EXPECT_FALSE(backend.FindPlayer());
  EXPECT_EQ(backend.ReadWindowTitle(), "");

  auto paused = NewPlayer("first");
  paused->track = Song("/t/1", "Paused One");
  paused->status = "Paused";
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Paused One - Player"); }, {paused.get()}));

  auto playing = NewPlayer("second");
  playing->track = Song("/t/1", "Playing One");
  playing->status = "Playing";
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Playing One - Player"); },
                    {paused.get(), playing.get()}));
  backend.SetPreferredPlayer("first");
  EXPECT_TRUE(Shows("1. Artist - Paused One - Player"));
  backend.SetPreferredPlayer("");

  playing.reset();  // the player quits
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Paused One - Player"); }, {paused.get()}));
  paused.reset();
  ASSERT_TRUE(Until([&] { return !backend.FindPlayer(); }));
  EXPECT_EQ(backend.QueryStatus(), 0);
}

TEST_F(MprisBusTest, AHungPlayerHoldsNothingUp) {
  StartBus();
  auto hung = NewPlayer("hung");  // never answers: its Process is not called
  hung->status = "Playing";
  auto fine = NewPlayer("fine");
  fine->track = Song("/t/1", "Still Here");
  fine->status = "Paused";
  MprisMediaPlayer& backend = Backend({.resync_ms = 100, .call_timeout_ms = 200});
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Still Here - Player"); }, {fine.get()}));
  Settle({fine.get()});  // longer than its questions may take: they have run out
  EXPECT_EQ(backend.ChosenPlayer(), "org.mpris.MediaPlayer2.fine");
  // Once it answers, it is there (asked again at a later check-up), and it plays.
  hung->track = Song("/t/9", "Woke Up");
  ASSERT_TRUE(
      Until([&] { return Shows("1. Artist - Woke Up - Player"); }, {fine.get(), hung.get()}));
}

TEST_F(MprisBusTest, WithoutABusThereIsNoPlayerUntilTheBusAppears) {
  MprisMediaPlayer& backend = Backend();
  Settle();
  EXPECT_FALSE(backend.FindPlayer());
  EXPECT_EQ(backend.QueryPositionMs(), 0);
  EXPECT_EQ(backend.ReadWindowTitle(), "");

  StartBus();
  auto player = NewPlayer("late");
  player->track = Song("/t/1", "Hello");
  player->status = "Playing";
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Hello - Player"); }, {player.get()}));

  // The session ends: its players go with it.
  bus_->Kill();
  ASSERT_TRUE(Until([&] { return !backend.FindPlayer(); }));
}

TEST_F(MprisBusTest, NumbersNoTrackHasAreUnknownAndARateThatIsNoneIsIgnored) {
  StartBus();
  auto player = NewPlayer("odd");
  player->track = Song("/t/1", "Huge");
  player->track.length_double = 1e300;
  player->status = "Playing";
  MprisMediaPlayer& backend = Backend();
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Huge - Player"); }, {player.get()}));
  EXPECT_EQ(backend.QueryLengthSec(), 0);
  FakeMprisPlayer::Track nan = Song("/t/2", "Not A Number");
  nan.length_double = std::numeric_limits<double>::quiet_NaN();
  player->SetTrack(nan);
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Not A Number - Player"); }, {player.get()}));
  EXPECT_EQ(backend.QueryLengthSec(), 0);
  FakeMprisPlayer::Track fine = Song("/t/3", "Fine");
  fine.length_double = 180.4e6;
  player->SetTrack(fine);
  ASSERT_TRUE(Until([&] { return backend.QueryLengthSec() == 180; }, {player.get()}));

  // No further than the track's end, however far the player says.
  player->Seek(INT64_MAX);
  ASSERT_TRUE(Until([&] { return backend.QueryPositionMs() == 180'400; }, {player.get()}));
  player->Seek(10'000'000);
  ASSERT_TRUE(Until([&] { return backend.QueryPositionMs() == 10'000; }, {player.get()}));
  player->SetRate(std::numeric_limits<double>::quiet_NaN());
  Settle({player.get()});
  loop_.Advance(1'000'000);
  EXPECT_EQ(backend.QueryPositionMs(), 11'000);  // still at the rate it had
}

TEST_F(MprisBusTest, ATrackThatIsAFifoOrADeviceHoldsNothingUp) {
  StartBus();
  const std::string fifo = dir_ / "stream.mp3";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string zero = dir_ / "zero.flac";
  ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
  WriteWav(dir_ / "real.wav", 44100, 1, 16, 4410);
  auto player = NewPlayer("hostile");
  player->track = Song("/t/1", "Fifo", 200'000'000, "file://" + fifo);
  player->status = "Playing";
  MprisMediaPlayer& backend = Backend();
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Fifo - Player"); }, {player.get()}));
  player->SetTrack(Song("/t/2", "Zero", 200'000'000, "file://" + zero));
  ASSERT_TRUE(Until([&] { return Shows("1. Artist - Zero - Player"); }, {player.get()}));
  // Updates still come through, and so do the figures of a file that is one.
  player->SetTrack(Song("/t/3", "Real", 200'000'000, "file://" + (dir_ / "real.wav")));
  ASSERT_TRUE(
      Until([&] { return Shows("1. Artist - Real - Player") && backend.QueryChannels() == 1; },
            {player.get()}));
  EXPECT_EQ(backend.QuerySampleRate(), 44);
  // And the backend goes at once.
  const auto start = std::chrono::steady_clock::now();
  backend_.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(MprisBusTest, ManyPlayersComingAndGoingAreAllFollowed) {
  // A bus that keeps few unanswered calls per connection, as a busy session's daemon in effect
  // does: every player's questions must still get through.
  const std::string config = dir_ / "bus.conf";
  std::ofstream(config)
      << R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
  <limit name="max_replies_per_connection">20</limit>
</busconfig>
)";
  StartBus(config);
  std::vector<std::unique_ptr<FakeMprisPlayer>> players;
  auto add = [&](int n) {
    for (int i = 0; i < n; ++i) {
      const std::string name = "p" + std::to_string(players.size());
      players.push_back(NewPlayer(name));
      players.back()->track = Song("/t/1", name);
      players.back()->status = "Paused";
    }
  };
  auto process = [&] {
    for (auto& p : players)
      if (p) p->Process();
  };
  auto all_known = [&] {
    process();
    for (auto& p : players) {
      if (!p) continue;
      const std::string name = p->track.title;
      Backend().SetPreferredPlayer(name);
      if (!Shows("1. Artist - " + name + " - Player")) return false;
    }
    return true;
  };
  add(60);
  MprisMediaPlayer& backend = Backend();
  ASSERT_TRUE(Until(all_known));
  // Half of them quit while as many new ones appear.
  for (size_t i = 0; i < players.size(); i += 2)
    players[i].reset();
  add(30);
  ASSERT_TRUE(Until(all_known));
  backend.SetPreferredPlayer("p0");
  EXPECT_NE(backend.ChosenPlayer(), "org.mpris.MediaPlayer2.p0");
}

}  // namespace
}  // namespace vfd

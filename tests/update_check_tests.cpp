// The update check at start: the switch, the answers that bring the box and those that do not,
// and a start-up that never waits for the reply.
#include <gtest/gtest.h>

#include <string>

#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

constexpr const char* kUrl = "http://127.0.0.1:9/vfd/currentversion.txt";

struct UpdateCheckTest : ::testing::Test {
  Rig rig;

  // Starts the program with the version file configured and the stored switch `caption`.
  void StartWith(const std::string& caption) {
    rig.files.files["vfdservices.txt"] = std::string("update = ") + kUrl + "\n";
    Settings s;
    s.UpdateCheckCaption = caption;
    s.CrackOnLoadCaption = "Standard Load";
    rig.files.files["vfdsettings.txt"] = FormatSettings(s);
    rig.program->Start();
  }
  // The boxes shown for an answer `body`.
  size_t BoxesFor(const std::string& body) {
    StartWith(kUpdateCheckEnabled);
    EXPECT_EQ(rig.http.requested, std::vector<std::string>{kUrl});
    rig.http.Reply(HttpResult{.ok = true, .status = 200, .body = body});
    rig.loop.RunPosted();
    return rig.boxes.shown.size();
  }
};

TEST_F(UpdateCheckTest, TheOwnVersionShowsNothingAndAnyOtherFourCharactersShowTheBox) {
  EXPECT_EQ(BoxesFor("3.10"), 0u);
}

TEST_F(UpdateCheckTest, ANewerVersionShowsTheBoxWithBothVersions) {
  ASSERT_EQ(BoxesFor("3.11"), 1u);
  const auto& [title, text] = rig.boxes.shown[0];
  EXPECT_EQ(title, "Ahhhhhhhh, You're using an old version of VFD Vorlinx!!!");
  EXPECT_EQ(text.rfind("An updated version of VFD Vorlinx is now available. To download it please "
                       "visit:\r\n\r\n\thttp://127.0.0.1:9/vfd/\r\n\tOnline Version:\t3.11\r\n"
                       "\tYour Version:\t3.10\r\n\r\nIf you do not wish to recieve update",
                       0),
            0u)
      << text;
}

TEST_F(UpdateCheckTest, AnOlderVersionShowsTheBoxToo) {
  EXPECT_EQ(BoxesFor("3.00"), 1u);
}

TEST_F(UpdateCheckTest, AnswersOfAnotherLengthShowNothing) {
  EXPECT_EQ(BoxesFor("3.1"), 0u);
}

TEST_F(UpdateCheckTest, TheVersionFollowedByALineBreakShowsNothing) {
  EXPECT_EQ(BoxesFor("3.10\r\n"), 0u);
}

TEST_F(UpdateCheckTest, AFailureShowsNoBox) {
  StartWith(kUpdateCheckEnabled);
  rig.http.Reply(HttpResult{.status = 404, .error = "the server answered with status 404"});
  rig.loop.RunPosted();
  EXPECT_TRUE(rig.boxes.shown.empty());
}

TEST_F(UpdateCheckTest, WithTheSwitchOffOrNoFileConfiguredNothingIsAsked) {
  StartWith(kUpdateCheckDisabled);
  EXPECT_TRUE(rig.http.requested.empty());
  EXPECT_EQ(rig.main().cmdUpdate.Caption(), kUpdateCheckDisabled);

  Rig plain;
  plain.program->Start();
  EXPECT_TRUE(plain.http.requested.empty());
}

TEST_F(UpdateCheckTest, StartUpGoesOnWhileTheReplyIsAwaited) {
  StartWith(kUpdateCheckEnabled);
  // The stored function (the clock) already runs; the reply has not come.
  EXPECT_EQ(rig.program->modes().RunningFunctionCode(), "3");
  EXPECT_EQ(rig.http.pending.size(), 1u);
}

TEST_F(UpdateCheckTest, TheButtonTogglesTheSwitchForTheNextStart) {
  StartWith(kUpdateCheckEnabled);
  rig.main().cmdUpdate.Click();
  EXPECT_EQ(rig.main().cmdUpdate.Caption(), kUpdateCheckDisabled);
  rig.main().cmdUpdate.Click();
  EXPECT_EQ(rig.main().cmdUpdate.Caption(), kUpdateCheckEnabled);
  EXPECT_EQ(rig.http.requested.size(), 1u);
}

TEST_F(UpdateCheckTest, TheAboutBoxGetsTheFilesTextOrNothing) {
  StartWith(kUpdateCheckDisabled);
  std::string online = "unset";
  rig.program->update_check().FetchOnlineVersion([&](std::string v) { online = v; });
  rig.http.Reply(HttpResult{.error = "refused"});
  rig.loop.RunPosted();
  EXPECT_EQ(online, "");
  rig.program->update_check().FetchOnlineVersion([&](std::string v) { online = v; });
  rig.http.Reply(HttpResult{.ok = true, .status = 200, .body = "3.12"});
  rig.loop.RunPosted();
  EXPECT_EQ(online, "3.12");
}

}  // namespace
}  // namespace vfd

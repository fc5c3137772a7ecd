// The HTTP backend against a real server on the loopback interface: bodies, failures, bounds,
// redirects and cancelling, with every outcome delivered through the event loop.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "core/Version.h"
#include "platform/CurlHttpClient.h"
#include "support/FixtureHttpServer.h"
#include "support/VirtualEventLoop.h"

namespace vfd {
namespace {

using testing::FixtureHttpServer;
using Reply = FixtureHttpServer::Reply;
using Behaviour = FixtureHttpServer::Behaviour;

// Short bounds, so that the failure cases end within a test's patience.
constexpr CurlHttpClient::Limits kTestLimits{
    .connect_timeout_ms = 1000, .total_timeout_ms = 1500, .max_body_bytes = 1 << 20};

struct HttpTest : ::testing::Test {
  testing::VirtualEventLoop loop;
  FixtureHttpServer server;
  CurlHttpClient http{loop, kTestLimits};

  // Runs the loop's posted tasks until the reply to one GET arrives (or a real-time limit).
  std::optional<HttpResult> Fetch(const std::string& url, int limit_ms = 5000) {
    return FetchWith(http, url, limit_ms);
  }
  std::optional<HttpResult> FetchWith(HttpClient& client, const std::string& url,
                                      int limit_ms = 5000) {
    std::optional<HttpResult> result;
    client.Get(url, [&](HttpResult r) { result = std::move(r); });
    EXPECT_FALSE(result) << "delivered inside Get";
    WaitFor([&] { return result.has_value(); }, limit_ms);
    return result;
  }
  template <typename F>
  void WaitFor(F done, int limit_ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (!done() && std::chrono::steady_clock::now() < until) {
      loop.RunPosted();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
};

TEST_F(HttpTest, ABodyArrivesOnTheEventLoopWithTheProgramsUserAgent) {
  server.Script("/vfd/currentversion.txt", Reply{.body = "3.10"});
  const auto r = Fetch(server.Url("/vfd/currentversion.txt"));
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->ok) << r->error;
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body, "3.10");
  EXPECT_EQ(server.LastUserAgent(), std::string("VFD Vorlinx/") + kProgramVersion);
}

TEST_F(HttpTest, AnErrorStatusIsAFailureAndItsPageIsNotTheBody) {
  server.Script("/gone", Reply{.status = 404, .body = "<html>Not here</html>"});
  server.Script("/broken", Reply{.status = 500, .body = "oops"});
  for (const char* path : {"/gone", "/broken"}) {
    const auto r = Fetch(server.Url(path));
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->ok);
    EXPECT_TRUE(r->body.empty());
    EXPECT_FALSE(r->error.empty());
  }
}

TEST_F(HttpTest, RedirectsAreFollowedUpToFive) {
  server.Script("/a", Reply{.status = 302, .location = "/b"});
  server.Script("/b", Reply{.status = 301, .location = "/c"});
  server.Script("/c", Reply{.body = "here"});
  auto r = Fetch(server.Url("/a"));
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->ok) << r->error;
  EXPECT_EQ(r->body, "here");

  server.Script("/loop", Reply{.status = 302, .location = "/loop"});
  r = Fetch(server.Url("/loop"));
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->ok);
  EXPECT_LE(server.Requests().size(), 3u + 6u);
}

TEST_F(HttpTest, ABodyOverOneMebibyteIsAFailure) {
  server.Script("/big", Reply{.body = std::string((1 << 20) + 1, 'x')});
  server.Script("/fits", Reply{.body = std::string(1 << 20, 'x')});
  auto r = Fetch(server.Url("/big"));
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->ok);
  EXPECT_TRUE(r->body.empty());
  r = Fetch(server.Url("/fits"));
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->ok) << r->error;
  EXPECT_EQ(r->body.size(), size_t{1} << 20);
}

TEST_F(HttpTest, AReplyThatStopsHalfWayIsAFailure) {
  server.Script("/cut", Reply{.body = "0123456789", .behaviour = Behaviour::kStopHalfway});
  const auto r = Fetch(server.Url("/cut"));
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->ok);
}

TEST_F(HttpTest, ADeadHostAndAServerThatNeverAnswersFailWithinTheBounds) {
  auto r = Fetch("http://127.0.0.1:" + std::to_string(FixtureHttpServer::DeadPort()) + "/");
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->ok);
  EXPECT_EQ(r->status, 0);

  server.Script("/hang", Reply{.behaviour = Behaviour::kNeverAnswer});
  const auto start = std::chrono::steady_clock::now();
  r = Fetch(server.Url("/hang"));
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->ok);
  // The whole-transfer bound ended it, not the test's own patience.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

TEST_F(HttpTest, EveryFailureSaysWhatFailedAndWhere) {
  server.Script("/gone", Reply{.status = 404});
  server.Script("/big", Reply{.body = std::string((1 << 20) + 1, 'x')});
  server.Script("/hang", Reply{.behaviour = Behaviour::kNeverAnswer});
  const std::string dead = "http://127.0.0.1:" + std::to_string(FixtureHttpServer::DeadPort());
  const std::pair<std::string, std::string> cases[] = {
      {dead + "/", "could not reach 127.0.0.1 (connection refused)"},
      {server.Url("/gone"), "127.0.0.1 answered with status 404"},
      {server.Url("/big"), "the reply from 127.0.0.1 is larger than 1024 KiB"},
      {server.Url("/hang"), "127.0.0.1 sent no whole reply within 1500 ms"},
  };
  for (const auto& [url, error] : cases) {
    const auto r = Fetch(url);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->ok);
    EXPECT_EQ(r->error, error) << url;
  }
}

TEST(LocalAddressTest, OnlyThePublicInternetIsPublic) {
  for (const char* local : {"127.0.0.1",
                            "127.255.0.9",
                            "10.1.2.3",
                            "172.16.0.1",
                            "172.31.255.255",
                            "192.168.1.1",
                            "169.254.169.254",
                            "100.64.0.1",
                            "0.0.0.0",
                            "224.0.0.1",
                            "255.255.255.255",
                            "::1",
                            "::",
                            "fe80::1",
                            "fc00::1",
                            "fd12:3456::1",
                            "fec0::1",
                            "ff02::1",
                            "::ffff:127.0.0.1",
                            "::ffff:192.168.0.1",
                            "64:ff9b::10.0.0.1",
                            "no address",
                            ""})
    EXPECT_TRUE(IsLocalAddress(local)) << local;
  for (const char* open : {"8.8.8.8", "172.32.0.1", "172.15.255.255", "100.128.0.1", "193.0.0.1",
                           "2001:db8::1", "2a00:1450::1", "::ffff:8.8.8.8", "64:ff9b::8.8.8.8"})
    EXPECT_FALSE(IsLocalAddress(open)) << open;
}

// 127.0.0.1 plays the public web; every other local address is what it is.
bool AllButOneAddressLocal(const std::string& ip) {
  return ip != "127.0.0.1" && IsLocalAddress(ip);
}

TEST_F(HttpTest, APublicPageCannotRedirectToALocalAddressButALocalOneMay) {
  FixtureHttpServer router("127.0.0.2");
  router.Script("/admin", Reply{.body = "the router's page"});
  server.Script("/feed", Reply{.status = 302, .location = router.Url("/admin")});
  server.Script("/moved", Reply{.status = 301, .location = server.Url("/here")});
  server.Script("/here", Reply{.body = "moved here"});
  CurlHttpClient::Limits limits = kTestLimits;
  limits.is_local = AllButOneAddressLocal;
  CurlHttpClient guarded(loop, limits);

  auto r = FetchWith(guarded, server.Url("/feed"));
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->ok);
  EXPECT_EQ(r->error, "127.0.0.1 redirected to a local address (127.0.0.2), which is not followed");
  EXPECT_TRUE(router.Requests().empty()) << "the local server was asked";
  // Redirects within the public web are still followed.
  r = FetchWith(guarded, server.Url("/moved"));
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->ok) << r->error;
  EXPECT_EQ(r->body, "moved here");
  // A page served on this machine may send the program anywhere.
  r = Fetch(server.Url("/feed"));
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->ok) << r->error;
  EXPECT_EQ(r->body, "the router's page");
}

TEST_F(HttpTest, CancelledTransfersAreNeverDelivered) {
  server.Script("/slow", Reply{.body = "late", .delay_ms = 200});
  int delivered = 0;
  http.Get(server.Url("/slow"), [&](HttpResult) { ++delivered; });
  http.Get(server.Url("/slow"), [&](HttpResult) { ++delivered; });
  http.CancelAll();
  // A transfer started after the cancel still arrives.
  const auto r = Fetch(server.Url("/slow"));
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->ok) << r->error;
  WaitFor([] { return false; }, 300);
  EXPECT_EQ(delivered, 0);
}

TEST(HttpShutdownTest, DestroyingTheClientDoesNotWaitForAHangingServer) {
  testing::VirtualEventLoop loop;
  FixtureHttpServer server;
  server.Script("/hang", Reply{.behaviour = Behaviour::kNeverAnswer});
  const auto start = std::chrono::steady_clock::now();
  {
    CurlHttpClient http(loop);
    http.Get(server.Url("/hang"), [](HttpResult) { FAIL() << "delivered after destruction"; });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  loop.RunPosted();
}

TEST(BodyTextTest, EveryBodyBecomesUtf8FromWhatItDeclaresOrIs) {
  const std::string utf8 = "Caf\xC3\xA9 \xE2\x80\x93 \xE2\x80\x9Cnews\xE2\x80\x9D \xE2\x86\x92";
  EXPECT_EQ(BodyToText(utf8, "text/xml; charset=UTF-8"), utf8);
  EXPECT_EQ(BodyToText(utf8, ""), utf8);
  EXPECT_EQ(BodyToText("\xEF\xBB\xBFplain", "text/plain; charset=\"utf-8\""), "plain");
  // Undeclared bytes that are not UTF-8 are Windows-1252, as browsers read them.
  EXPECT_EQ(BodyToText("Caf\xE9 \x80", "text/plain"), "Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(BodyToText("Caf\xE9", "text/plain; charset=windows-1252"), "Caf\xC3\xA9");
  // A body that says UTF-8 and is not: the broken bytes become U+FFFD, the rest stays.
  EXPECT_EQ(BodyToText("a\xFF"
                       "b",
                       "text/plain; charset=utf-8"),
            "a\xEF\xBF\xBD"
            "b");
  // Other declared charsets go through iconv: the euro sign of Latin-9, a Cyrillic letter.
  EXPECT_EQ(BodyToText("5 \xA4", "text/plain; charset=ISO-8859-15"), "5 \xE2\x82\xAC");
  EXPECT_EQ(BodyToText("\xE1!", "text/plain; charset=koi8-r"), "\xD0\x90!");
  EXPECT_EQ(BodyToText("as is", "text/plain; charset=no-such-charset"), "as is");
}

TEST_F(HttpTest, ABodyAskedForAsBytesArrivesAsSentWithItsContentType) {
  server.Script("/koi8", Reply{.body = "\xE1!", .content_type = "text/xml; charset=koi8-r"});
  std::optional<HttpResult> bytes;
  http.Get(server.Url("/koi8"), HttpBody::kBytes, [&](HttpResult r) { bytes = std::move(r); });
  WaitFor([&] { return bytes.has_value(); }, 5000);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->body, "\xE1!");
  EXPECT_EQ(bytes->content_type, "text/xml; charset=koi8-r");
  // The same reply as text is converted by its charset.
  const auto text = Fetch(server.Url("/koi8"));
  ASSERT_TRUE(text);
  EXPECT_EQ(text->body, "\xD0\x90!");
}

TEST_F(HttpTest, AUtf8ReplyArrivesAsUtf8) {
  server.Script("/u", Reply{.body = "Z\xC3\xBCrich", .content_type = "text/plain; charset=utf-8"});
  const auto r = Fetch(server.Url("/u"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->body, "Z\xC3\xBCrich");
}

}  // namespace
}  // namespace vfd

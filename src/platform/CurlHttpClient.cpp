#include "platform/CurlHttpClient.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/Charset.h"
#include "core/Version.h"
#include "platform/TextEncodings.h"

namespace vfd {

struct CurlHttpClient::Shared {
  EventLoop* loop = nullptr;
  Limits limits;
  CURLM* multi = nullptr;

  // Event thread only: what to call for each transfer still wanted.
  std::map<uint64_t, std::function<void(HttpResult)>> waiting;
  uint64_t next_id = 1;

  // Between the threads.
  std::mutex mutex;
  std::condition_variable finished_cv;
  struct Request {
    uint64_t id;
    std::string url;
    HttpBody form;
  };
  std::vector<Request> incoming;
  bool drop_all = false;
  bool stop = false;
  bool finished = false;
};

namespace {

struct Transfer {
  uint64_t id = 0;
  HttpBody form = HttpBody::kText;
  CURL* easy = nullptr;
  std::string url;
  std::string body;
  size_t max_body = 0;
  bool too_big = false;
  char error[CURL_ERROR_SIZE] = {};
  bool (*is_local)(const std::string&) = nullptr;
  // Set once the first request has its connection: whether that origin is on the public web.
  bool origin_known = false;
  bool origin_public = false;
  // The local address a redirect from a public origin led to, which was not connected to.
  std::string refused_ip;
};

bool IsLocal(const Transfer& t, const std::string& ip) {
  return t.is_local != nullptr ? t.is_local(ip) : IsLocalAddress(ip);
}

std::string AddressText(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address->sa_family == AF_INET)
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                sizeof text);
  else if (address->sa_family == AF_INET6)
    ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
                sizeof text);
  return text;
}

// A public page must not send the program to this machine's or the local network's services
// (a router's admin page, a database on a loopback port): once the origin is known to be
// public, a connection for a redirect is refused before it is made when it would go to a
// local address. A local origin (a feed served at home) may send it anywhere. The decision is
// made on the address curl actually connects to, after the name was resolved, so a name that
// resolves to a local address is caught as well as a literal one.
curl_socket_t OpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
  auto* t = static_cast<Transfer*>(user);
  if (t->origin_known && t->origin_public) {
    const std::string ip = AddressText(&address->addr);
    if (IsLocal(*t, ip)) {
      t->refused_ip = ip;
      return CURL_SOCKET_BAD;
    }
  }
  return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// Runs for each request once its connection stands, before anything is sent: the first tells
// where the origin is, the later ones (redirects, maybe on a connection kept from before) are
// checked once more.
int BeforeRequest(void* user, char* primary_ip, char*, int, int) {
  auto* t = static_cast<Transfer*>(user);
  const std::string ip = primary_ip != nullptr ? primary_ip : "";
  if (!t->origin_known) {
    t->origin_known = true;
    t->origin_public = !IsLocal(*t, ip);
    return CURL_PREREQFUNC_OK;
  }
  if (t->origin_public && IsLocal(*t, ip)) {
    t->refused_ip = ip;
    return CURL_PREREQFUNC_ABORT;
  }
  return CURL_PREREQFUNC_OK;
}

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  if (t->body.size() + n > t->max_body) {
    t->too_big = true;
    return 0;  // ends the transfer
  }
  t->body.append(data, n);
  return n;
}

std::unique_ptr<Transfer> StartTransfer(CurlHttpClient::Shared& s,
                                        const CurlHttpClient::Shared::Request& request,
                                        const std::string& agent) {
  const std::string& url = request.url;
  auto t = std::make_unique<Transfer>();
  t->id = request.id;
  t->form = request.form;
  t->max_body = s.limits.max_body_bytes;
  t->url = url;
  t->is_local = s.limits.is_local;
  t->easy = curl_easy_init();
  if (t->easy == nullptr) return t;
  CURL* e = t->easy;
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_PRIVATE, t.get());
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, t.get());
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t->error);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, s.limits.connect_timeout_ms);
  curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, s.limits.total_timeout_ms);
  curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(s.limits.max_body_bytes));
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, s.limits.max_redirects);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, OpenSocket);
  curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, t.get());
  curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, BeforeRequest);
  curl_easy_setopt(e, CURLOPT_PREREQDATA, t.get());
  curl_easy_setopt(e, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
  return t;
}

std::string HostOf(const std::string& url) {
  std::string host;
  CURLU* u = curl_url();
  char* part = nullptr;
  if (u != nullptr && curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(u, CURLUPART_HOST, &part, 0) == CURLUE_OK && part != nullptr)
    host = part;
  curl_free(part);
  curl_url_cleanup(u);
  return host.empty() ? url : host;
}

std::string Duration(long ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// Why no reply came, in a few words for the status line: "could not reach <host> (<why>)".
std::string WhyNoReply(CurlHttpClient::Shared& s, Transfer& t, CURLcode code,
                       const std::string& host) {
  const std::string detail = t.error[0] != '\0' ? std::string(t.error) : curl_easy_strerror(code);
  const auto unreachable = [&](const std::string& why) {
    return "could not reach " + host + " (" + why + ")";
  };
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return unreachable("name not found");
    case CURLE_COULDNT_RESOLVE_PROXY:
      return "could not reach the proxy for " + host + " (name not found)";
    case CURLE_COULDNT_CONNECT: {
      long os_error = 0;
      curl_easy_getinfo(t.easy, CURLINFO_OS_ERRNO, &os_error);
      switch (os_error) {
        case ECONNREFUSED:
          return unreachable("connection refused");
        case ENETUNREACH:
          return unreachable("network unreachable");
        case EHOSTUNREACH:
          return unreachable("no route to host");
        case ETIMEDOUT:
          return unreachable("no answer");
        default:
          return unreachable(os_error != 0 ? std::strerror(static_cast<int>(os_error)) : detail);
      }
    }
    case CURLE_OPERATION_TIMEDOUT: {
      curl_off_t connected = 0;
      curl_easy_getinfo(t.easy, CURLINFO_CONNECT_TIME_T, &connected);
      if (connected == 0)
        return unreachable("no connection within " + Duration(s.limits.connect_timeout_ms));
      return host + " sent no whole reply within " + Duration(s.limits.total_timeout_ms);
    }
    case CURLE_GOT_NOTHING:
      return host + " closed the connection without a reply";
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
      return "the reply from " + host + " broke off";
    case CURLE_TOO_MANY_REDIRECTS:
      return "too many redirects from " + host;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
      return "no secure connection to " + host + " (" + detail + ")";
    default:
      return unreachable(detail);
  }
}

HttpResult Finish(CurlHttpClient::Shared& s, Transfer& t, CURLcode code) {
  HttpResult r;
  curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &r.status);
  const char* effective = nullptr;
  curl_easy_getinfo(t.easy, CURLINFO_EFFECTIVE_URL, &effective);
  const std::string host = HostOf(effective != nullptr ? effective : t.url);
  if (!t.refused_ip.empty()) {
    r.status = 0;
    r.error = HostOf(t.url) + " redirected to a local address (" + t.refused_ip +
              "), which is not followed";
  } else if (t.too_big || code == CURLE_FILESIZE_EXCEEDED) {
    r.error = "the reply from " + host + " is larger than " +
              std::to_string(s.limits.max_body_bytes / 1024) + " KiB";
  } else if (code != CURLE_OK) {
    r.error = WhyNoReply(s, t, code, host);
  } else if (r.status >= 400) {
    r.error = host + " answered with status " + std::to_string(r.status);
  } else {
    const char* type = nullptr;
    curl_easy_getinfo(t.easy, CURLINFO_CONTENT_TYPE, &type);
    r.ok = true;
    r.content_type = type != nullptr ? type : "";
    // Moved, never copied: a body near the size bound exists once.
    r.body = t.form == HttpBody::kBytes ? std::move(t.body)
                                        : BodyToText(std::move(t.body), r.content_type);
  }
  return r;
}

void Deliver(const std::shared_ptr<CurlHttpClient::Shared>& shared, uint64_t id,
             HttpResult result) {
  // Under the lock, so that the client's destruction (which sets `stop`) never races a post to
  // a loop that may be gone.
  std::lock_guard lock(shared->mutex);
  if (shared->stop) return;
  shared->loop->Post([shared, id, result = std::move(result)]() mutable {
    auto found = shared->waiting.find(id);
    if (found == shared->waiting.end()) return;  // cancelled meanwhile
    auto on_done = std::move(found->second);
    shared->waiting.erase(found);
    on_done(std::move(result));
  });
}

void Work(std::shared_ptr<CurlHttpClient::Shared> shared) {
  CurlHttpClient::Shared& s = *shared;
  const std::string agent = CurlHttpClient::UserAgent();
  std::map<uint64_t, std::unique_ptr<Transfer>> running;
  const auto drop = [&](Transfer& t) {
    curl_multi_remove_handle(s.multi, t.easy);
    curl_easy_cleanup(t.easy);
  };
  for (;;) {
    std::vector<CurlHttpClient::Shared::Request> incoming;
    bool drop_all = false;
    {
      std::lock_guard lock(s.mutex);
      if (s.stop) break;
      incoming.swap(s.incoming);
      drop_all = std::exchange(s.drop_all, false);
    }
    if (drop_all) {
      for (auto& [id, t] : running)
        drop(*t);
      running.clear();
    }
    for (const CurlHttpClient::Shared::Request& request : incoming) {
      std::unique_ptr<Transfer> t = StartTransfer(s, request, agent);
      if (t->easy == nullptr || curl_multi_add_handle(s.multi, t->easy) != CURLM_OK) {
        if (t->easy != nullptr) curl_easy_cleanup(t->easy);
        Deliver(shared, request.id, HttpResult{.error = "the transfer could not be started"});
        continue;
      }
      running.emplace(request.id, std::move(t));
    }
    int still_running = 0;
    curl_multi_perform(s.multi, &still_running);
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(s.multi, &left)) {
      if (msg->msg != CURLMSG_DONE) continue;
      Transfer* t = nullptr;
      curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &t);
      const CURLcode code = msg->data.result;
      HttpResult result = Finish(s, *t, code);
      const uint64_t id = t->id;
      drop(*t);
      running.erase(id);
      Deliver(shared, id, std::move(result));
    }
    curl_multi_poll(s.multi, nullptr, 0, 1000, nullptr);
  }
  for (auto& [id, t] : running)
    drop(*t);
  curl_multi_cleanup(s.multi);
  std::lock_guard lock(s.mutex);
  s.finished = true;
  s.finished_cv.notify_all();
}

}  // namespace

std::string CurlHttpClient::UserAgent() {
  return std::string("VFD Vorlinx/") + kProgramVersion;
}

CurlHttpClient::CurlHttpClient(EventLoop& loop, Limits limits)
    : shared_(std::make_shared<Shared>()) {
  shared_->loop = &loop;
  shared_->limits = limits;
}

void CurlHttpClient::Start() {
  if (shared_->multi) return;
  // Not before the first request: initialising curl initialises its TLS library, which costs a
  // program that never fetches anything (a clock, The Matrix) megabytes of resident memory and
  // a thread.
  static std::once_flag global_init;
  std::call_once(global_init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  shared_->multi = curl_multi_init();
  std::thread(Work, shared_).detach();
}

CurlHttpClient::~CurlHttpClient() {
  shared_->waiting.clear();
  if (!shared_->multi) return;
  std::unique_lock lock(shared_->mutex);
  shared_->stop = true;
  curl_multi_wakeup(shared_->multi);
  // The thread ends at once unless curl is inside a name lookup; then it is left to end by
  // itself (it owns what it uses), since shutdown never waits on the network.
  shared_->finished_cv.wait_for(lock, std::chrono::milliseconds(250),
                                [this] { return shared_->finished; });
}

void CurlHttpClient::Get(const std::string& url, HttpBody form,
                         std::function<void(HttpResult)> on_done) {
  Start();
  const uint64_t id = shared_->next_id++;
  shared_->waiting.emplace(id, std::move(on_done));
  std::lock_guard lock(shared_->mutex);
  shared_->incoming.push_back({id, url, form});
  curl_multi_wakeup(shared_->multi);
}

void CurlHttpClient::CancelAll() {
  shared_->waiting.clear();
  if (!shared_->multi) return;
  std::lock_guard lock(shared_->mutex);
  shared_->incoming.clear();
  shared_->drop_all = true;
  curl_multi_wakeup(shared_->multi);
}

namespace {

bool InPrefix(const uint8_t* address, const uint8_t* prefix, int bits) {
  for (int i = 0; bits > 0; ++i, bits -= 8) {
    const uint8_t mask = bits >= 8 ? 0xFF : static_cast<uint8_t>(0xFF << (8 - bits));
    if ((address[i] & mask) != (prefix[i] & mask)) return false;
  }
  return true;
}

bool IsLocalV4(const uint8_t* a) {
  struct Net {
    uint8_t prefix[4];
    int bits;
  };
  static constexpr Net kLocal[] = {
      {{0, 0, 0, 0}, 8},      {{10, 0, 0, 0}, 8},    {{100, 64, 0, 0}, 10}, {{127, 0, 0, 0}, 8},
      {{169, 254, 0, 0}, 16}, {{172, 16, 0, 0}, 12}, {{192, 0, 0, 0}, 24},  {{192, 168, 0, 0}, 16},
      {{198, 18, 0, 0}, 15},  {{224, 0, 0, 0}, 4},   {{240, 0, 0, 0}, 4},
  };
  for (const Net& net : kLocal)
    if (InPrefix(a, net.prefix, net.bits)) return true;
  return false;
}

}  // namespace

bool IsLocalAddress(const std::string& ip) {
  uint8_t a[16] = {};
  if (::inet_pton(AF_INET, ip.c_str(), a) == 1) return IsLocalV4(a);
  if (::inet_pton(AF_INET6, ip.c_str(), a) != 1) return true;
  static constexpr uint8_t kZero[16] = {};
  static constexpr uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  static constexpr uint8_t kNat64[12] = {0, 0x64, 0xFF, 0x9B};
  // ::, ::1 and the old IPv4-compatible form ::a.b.c.d.
  if (InPrefix(a, kZero, 96)) return true;
  if (InPrefix(a, kMapped, 96) || InPrefix(a, kNat64, 96)) return IsLocalV4(a + 12);
  static constexpr uint8_t kUniqueLocal[1] = {0xFC};
  static constexpr uint8_t kLinkLocal[2] = {0xFE, 0x80};
  static constexpr uint8_t kSiteLocal[2] = {0xFE, 0xC0};
  static constexpr uint8_t kMulticast[1] = {0xFF};
  return InPrefix(a, kUniqueLocal, 7) || InPrefix(a, kLinkLocal, 10) ||
         InPrefix(a, kSiteLocal, 10) || InPrefix(a, kMulticast, 8);
}

std::string BodyToText(std::string body, std::string_view content_type) {
  std::string charset;
  std::string lower;
  for (char c : content_type)
    lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (const size_t at = lower.find("charset="); at != std::string::npos) {
    for (size_t i = at + 8; i < lower.size() && lower[i] != ';' && lower[i] != ' '; ++i) {
      if (lower[i] != '"' && lower[i] != '\'') charset.push_back(lower[i]);
    }
  }
  std::string_view text = body;
  const bool utf8_mark = text.starts_with("\xEF\xBB\xBF");
  if (charset == "utf-8" || charset == "utf8" || utf8_mark || (charset.empty() && IsUtf8(text))) {
    if (utf8_mark) text.remove_prefix(3);
    // Whatever is not UTF-8 in a body that says it is becomes U+FFFD, once, here.
    return IsUtf8(text) ? std::string(text) : EncodeUtf8(DecodeUtf8(text));
  }
  // Undeclared text that is not UTF-8 is read as the web reads it: as Windows-1252, which
  // Latin-1 and ASCII are parts of.
  if (charset.empty() || charset == "windows-1252" || charset == "cp1252" ||
      charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii" || charset == "ascii")
    return Cp1252ToUtf8(body);
  std::optional<std::string> converted = ConvertToUtf8(body, charset);
  return converted ? *converted : Cp1252ToUtf8(body);
}

}  // namespace vfd

#include "app/LazyBackends.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

namespace vfd::app {

namespace {

// Where the build puts the module relative to the executable once installed
// (bin/ to lib/vfdvorlinx/modules/).
#ifndef VFD_MODULE_DIR_FROM_BIN
#define VFD_MODULE_DIR_FROM_BIN "../lib/vfdvorlinx/modules"
#endif

// Builds the real backend once, through `make`, when the module is there.
template <typename T, typename Make>
T* Once(BackendModule& module, bool& tried, std::unique_ptr<T>& real, Make make) {
  if (!tried) {
    tried = true;
    if (const BackendMakers* makers = module.Makers()) real.reset(make(*makers));
  }
  return real.get();
}

}  // namespace

BackendModule::BackendModule(std::vector<std::string> paths, std::string lost, Tell tell)
    : paths_(std::move(paths)), lost_(std::move(lost)), tell_(std::move(tell)) {}

std::vector<std::string> BackendModule::DefaultPaths(const char* file) {
  char exe[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (length <= 0) return {file};
  const std::filesystem::path dir = std::filesystem::path(std::string(exe, length)).parent_path();
  return {(dir / "modules" / file).string(),
          (dir / VFD_MODULE_DIR_FROM_BIN / file).lexically_normal().string()};
}

const BackendMakers* BackendModule::Makers() {
  if (tried_) return makers_;
  tried_ = true;
  std::string why = "not found";
  const std::string name = paths_.empty()
                               ? std::string("(none)")
                               : std::filesystem::path(paths_.front()).filename().string();
  for (const std::string& path : paths_) {
    if (!std::filesystem::exists(path)) continue;
    // Never closed: the backends made from it live as long as the program.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* error = dlerror();
      why = error != nullptr ? error : "cannot be opened";
      continue;
    }
    const auto entry = reinterpret_cast<BackendsEntry>(dlsym(handle, kBackendsEntry));
    const BackendMakers* makers = entry != nullptr ? entry() : nullptr;
    if (makers == nullptr || makers->version != kBackendsVersion) {
      why = path + " is of another version";
      continue;
    }
    makers_ = makers;
    return makers_;
  }
  if (tell_) {
    tell_("The module " + name + " cannot be loaded (" + why + "): " + lost_ + ".");
  }
  return nullptr;
}

HttpClient& LazyHttpClient::Real() {
  if (real_) return *real_;
  if (!none_) {
    const BackendMakers* makers = module_.Makers();
    if (makers != nullptr && makers->http != nullptr) {
      real_.reset(makers->http(loop_));
      return *real_;
    }
    none_ = std::make_unique<NoHttp>(loop_);
  }
  return *none_;
}

void LazyHttpClient::Get(const std::string& url, HttpBody form,
                         std::function<void(HttpResult)> on_done) {
  Real().Get(url, form, std::move(on_done));
}

void LazyHttpClient::CancelAll() {
  // Nothing was ever asked before the first Get: no reason to load anything.
  if (real_) real_->CancelAll();
  if (none_) none_->CancelAll();
}

WebDocuments& LazyWebDocuments::Real() {
  if (!real_) {
    const BackendMakers* makers = module_.Makers();
    if (makers == nullptr || makers->documents == nullptr) return NoWebDocuments::Instance();
    real_.reset(makers->documents());
  }
  return *real_;
}

std::u32string LazyTransliterator::Transliterate(Form form, std::u32string_view text) {
  Transliterator* real = Once(module_, tried_, real_, [](const BackendMakers& m) {
    return m.scripts ? m.scripts() : nullptr;
  });
  return real != nullptr ? real->Transliterate(form, text)
                         : NoTransliterator::Instance().Transliterate(form, text);
}

void LazyMediaPlayer::SetPreferredPlayer(const std::string& name) {
  preferred_ = name;
  if (real_) module_.Makers()->prefer_player(*real_, preferred_);
}

MediaPlayer& LazyMediaPlayer::Real() {
  MediaPlayer* real = Once(module_, tried_, real_, [this](const BackendMakers& m) {
    if (m.player == nullptr || m.prefer_player == nullptr)
      return static_cast<MediaPlayer*>(nullptr);
    MediaPlayer* player = m.player(loop_, clock_);
    if (!preferred_.empty()) m.prefer_player(*player, preferred_);
    return player;
  });
  return real != nullptr ? *real : none_;
}

TidePageSource* LazyLocalTides::Real() {
  return Once(module_, tried_, real_, [this](const BackendMakers& m) {
    return m.local_tides ? m.local_tides(loop_, data_path_) : nullptr;
  });
}

void LazyLocalTides::Page(const std::string& place, std::function<void(TidePage)> on_done) {
  if (TidePageSource* real = Real()) return real->Page(place, std::move(on_done));
  // Never inside this call, as every source promises.
  loop_.Post([on_done = std::move(on_done)] {
    on_done(TidePage{.error = "the tide tables cannot be read on this machine"});
  });
}

std::vector<std::string> LazyLocalTides::Complete(const std::string& typed, size_t limit) {
  TidePageSource* real = Real();
  return real != nullptr ? real->Complete(typed, limit) : std::vector<std::string>{};
}

SensorTable LazySensors::ReadTable() {
  SensorSource* real = Once(module_, tried_, real_, [](const BackendMakers& m) {
    return m.sensors ? m.sensors() : nullptr;
  });
  return real != nullptr ? real->ReadTable() : SensorTable{};
}

}  // namespace vfd::app

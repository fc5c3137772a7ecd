#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Backends.h"

namespace vfd::app {

// A module of heavy backends, opened at the first call that needs it and never closed. A module
// that cannot be opened is told once through `tell`, with `lost` (what goes without it); every
// later call then gets nothing and its backends behave as on a machine without that thing.
class BackendModule {
 public:
  using Tell = std::function<void(const std::string&)>;
  // `paths` are tried in order.
  BackendModule(std::vector<std::string> paths, std::string lost, Tell tell);
  // Where `file` is looked for: the build tree's modules/ beside the executable, then the
  // installed library directory relative to it.
  static std::vector<std::string> DefaultPaths(const char* file);

  // Null when the module cannot be had.
  const BackendMakers* Makers();
  bool tried() const { return tried_; }

 private:
  std::vector<std::string> paths_;
  std::string lost_;
  Tell tell_;
  bool tried_ = false;
  const BackendMakers* makers_ = nullptr;
};

// Each proxy builds its real backend at its first call, or falls back to the "no such thing"
// behaviour when the module is missing.
class LazyHttpClient : public HttpClient {
 public:
  LazyHttpClient(BackendModule& module, EventLoop& loop) : module_(module), loop_(loop) {}
  using HttpClient::Get;
  void Get(const std::string& url, HttpBody form, std::function<void(HttpResult)> on_done) override;
  void CancelAll() override;

 private:
  HttpClient& Real();
  BackendModule& module_;
  EventLoop& loop_;
  std::unique_ptr<HttpClient> real_;
  std::unique_ptr<HttpClient> none_;
};

class LazyWebDocuments : public WebDocuments {
 public:
  explicit LazyWebDocuments(BackendModule& module) : module_(module) {}
  FeedReading ReadFeed(std::string_view bytes, std::string_view content_type) override {
    return Real().ReadFeed(bytes, content_type);
  }
  GeocodeReading ReadGeocode(std::string_view document) override {
    return Real().ReadGeocode(document);
  }
  ForecastReading ReadForecast(std::string_view document) override {
    return Real().ReadForecast(document);
  }

 private:
  WebDocuments& Real();
  BackendModule& module_;
  std::unique_ptr<WebDocuments> real_;
};

class LazyTransliterator : public Transliterator {
 public:
  explicit LazyTransliterator(BackendModule& module) : module_(module) {}
  std::u32string Transliterate(Form form, std::u32string_view text) override;

 private:
  BackendModule& module_;
  bool tried_ = false;
  std::unique_ptr<Transliterator> real_;
};

class LazyMediaPlayer : public MediaPlayer {
 public:
  LazyMediaPlayer(BackendModule& module, EventLoop& loop, MonotonicClock& clock)
      : module_(module), loop_(loop), clock_(clock) {}
  // Kept until the player exists, and handed on at once after.
  void SetPreferredPlayer(const std::string& name);

  bool FindPlayer() override { return Real().FindPlayer(); }
  int32_t QueryStatus() override { return Real().QueryStatus(); }
  int32_t QueryPositionMs() override { return Real().QueryPositionMs(); }
  int32_t QueryLengthSec() override { return Real().QueryLengthSec(); }
  int32_t QueryPlaylistLength() override { return Real().QueryPlaylistLength(); }
  int32_t QueryPlaylistIndex() override { return Real().QueryPlaylistIndex(); }
  int32_t QuerySampleRate() override { return Real().QuerySampleRate(); }
  int32_t QueryBitrate() override { return Real().QueryBitrate(); }
  int32_t QueryChannels() override { return Real().QueryChannels(); }
  std::string ReadWindowTitle() override { return Real().ReadWindowTitle(); }

 private:
  MediaPlayer& Real();
  BackendModule& module_;
  EventLoop& loop_;
  MonotonicClock& clock_;
  bool tried_ = false;
  std::string preferred_;
  std::unique_ptr<MediaPlayer> real_;
  NoMediaPlayer none_;
};

class LazyLocalTides : public TidePageSource {
 public:
  LazyLocalTides(BackendModule& module, EventLoop& loop, std::string data_path)
      : module_(module), loop_(loop), data_path_(std::move(data_path)) {}
  void Page(const std::string& place, std::function<void(TidePage)> on_done) override;
  std::vector<std::string> Complete(const std::string& typed, size_t limit) override;

 private:
  TidePageSource* Real();
  BackendModule& module_;
  EventLoop& loop_;
  std::string data_path_;
  bool tried_ = false;
  std::unique_ptr<TidePageSource> real_;
};

class LazySensors : public SensorSource {
 public:
  explicit LazySensors(BackendModule& module) : module_(module) {}
  SensorTable ReadTable() override;

 private:
  BackendModule& module_;
  bool tried_ = false;
  std::unique_ptr<SensorSource> real_;
};

}  // namespace vfd::app

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TideStations.h"

namespace vfd {

// The harmonics file, read so that no file can end the program.
//
// libtcd trusts its file: it asserts (and so aborts the whole process) on an empty, short or
// damaged one, and after an open that failed half-way a second open reports success on a
// half-read database. So the program never calls it itself. Each question forks a child
// process that opens the file with libtcd, answers in a small line format over a pipe and
// exits; the parent checks every line of the answer. A child that dies, takes longer than its
// time limit or answers anything else means the file is unusable, and the program goes on.
//
// The file is opened here first, without blocking and without following it into anything but
// a regular file of a plausible size, and the child reads that very file (by its descriptor):
// a FIFO, a device or a link to one never reaches libtcd.
class TideDataReader {
 public:
  static constexpr int64_t kMaxFileBytes = int64_t{64} << 20;
  // A harmonics file takes well under a second; a slow disk or a sanitizer build some more.
  static constexpr int kDefaultTimeLimitMs = 30000;

  explicit TideDataReader(std::string path, int time_limit_ms = kDefaultTimeLimitMs);
  ~TideDataReader();
  TideDataReader(const TideDataReader&) = delete;
  TideDataReader& operator=(const TideDataReader&) = delete;

  const std::string& Path() const { return path_; }

  // The file's identity (device, inode, size, modification time) when it is a regular file that
  // may be read; nothing, with the reason, otherwise. Never blocks.
  std::optional<std::string> Identity(std::string* error) const;

  struct Stations {
    std::string identity;  // of the file as it was read
    std::vector<TideStationName> names;
  };
  std::optional<Stations> ReadStations(std::string* error);
  // The predictions for station `index` of the list, which must still be called `name`.
  std::optional<StationPredictions> Predict(size_t index, const std::string& name, int64_t from,
                                            int64_t to, std::string* error);

  // Ends the question under way, if any, at once; callable from any thread. Later questions
  // fail too.
  void Cancel();

 private:
  // Runs `job` in a child on the opened file; the lines it answered, checked for the frame.
  std::optional<std::vector<std::string>> Ask(int job, size_t index, const std::string& name,
                                              int64_t from, int64_t to, std::string* identity,
                                              std::string* error);

  std::string path_;
  int time_limit_ms_;
  int cancel_fd_ = -1;  // an eventfd, readable once Cancel was called
};

// The answer format, apart so that its checks can be tested on their own: every field is
// checked, and an answer that is anything but well formed is none.
std::string EncodeTideStations(const std::vector<TideStationName>& names);
std::optional<std::vector<TideStationName>> DecodeTideStations(
    const std::vector<std::string>& lines);
std::string EncodeTidePredictions(const StationPredictions& p);
std::optional<StationPredictions> DecodeTidePredictions(const std::vector<std::string>& lines,
                                                        int64_t from, int64_t to);

}  // namespace vfd

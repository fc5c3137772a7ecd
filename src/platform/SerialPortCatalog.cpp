#include "platform/SerialPortCatalog.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace vfd {
namespace {

// Names in `dir` (without "." and ".."); empty when it cannot be read.
std::vector<std::string> EntriesOf(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  closedir(d);
  return names;
}

// The N of `<prefix>N`, or -1 when the rest of the name is not a number.
long NumberAfter(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
  long n = 0;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    char c = name[i];
    if (c < '0' || c > '9' || n > 100'000'000) return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// `<dir>/<prefix>N` for every N present, in numeric order (ttyUSB2 before ttyUSB10).
void AppendNumbered(const std::string& dir, const std::vector<std::string>& names,
                    const std::string& prefix, std::vector<std::string>* out) {
  std::vector<std::pair<long, std::string>> found;
  for (const std::string& name : names) {
    long n = NumberAfter(name, prefix);
    if (n >= 0) found.emplace_back(n, name);
  }
  std::sort(found.begin(), found.end());
  for (const auto& [n, name] : found)
    out->push_back(dir + "/" + name);
}

bool IsSymlink(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool TargetExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

}  // namespace

std::vector<std::string> ListSerialDevices(const std::string& dev_root) {
  std::vector<std::string> out;
  std::vector<std::string> dev = EntriesOf(dev_root);
  AppendNumbered(dev_root, dev, "ttyUSB", &out);
  AppendNumbered(dev_root, dev, "ttyACM", &out);

  // The by-id links are listed as links: their names stay the same whichever ttyUSBn the
  // adapter gets after a replug, which is what makes a saved port choice survive it.
  std::string by_id = dev_root + "/serial/by-id";
  std::vector<std::string> links = EntriesOf(by_id);
  std::sort(links.begin(), links.end());
  for (const std::string& name : links) {
    std::string path = by_id + "/" + name;
    if (!IsDirectory(path)) out.push_back(std::move(path));
  }

  // A simulator that exited without cleaning up leaves dangling links; they are not offered.
  std::string sim = SimulatorPortDirectory();
  std::vector<std::string> ports = EntriesOf(sim);
  std::sort(ports.begin(), ports.end());
  for (const std::string& name : ports) {
    std::string path = sim + "/" + name;
    if (IsSymlink(path) && TargetExists(path)) out.push_back(std::move(path));
  }
  return out;
}

std::string SimulatorPortDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/vfdsim";
  return "/tmp/vfdsim-" + std::to_string(getuid());
}

}  // namespace vfd

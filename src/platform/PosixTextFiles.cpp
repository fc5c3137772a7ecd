#include "platform/PosixTextFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace vfd {
namespace {

std::string ErrorText(int error) {
  return std::strerror(error);
}

// Between the file's name and the six unique characters of a temporary file beside it.
constexpr const char* kTempInfix = ".new-";

std::string TooLarge(size_t max_bytes) {
  return "larger than " + std::to_string(max_bytes / 1024) + " KiB";
}

// The file a path names once its symbolic links are followed (at most 40 of them, as the
// kernel allows); the path itself when it is no link.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
    ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0) return path;
    target.resize(static_cast<size_t>(n));
    if (!target.starts_with("/")) {
      size_t slash = path.find_last_of('/');
      if (slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    }
    path = std::move(target);
  }
  return path;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> PosixTextFiles::Read(const std::string& path, std::string* error,
                                                size_t max_bytes) {
  if (error) error->clear();
  // Non-blocking, so that opening a FIFO cannot wait for a writer that never comes.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (errno != ENOENT && error) *error = ErrorText(errno);
    return std::nullopt;
  }
  auto refuse = [&](std::string why) -> std::optional<std::string> {
    if (error) *error = std::move(why);
    ::close(fd);
    return std::nullopt;
  };
  struct stat st {};
  if (::fstat(fd, &st) != 0) return refuse(ErrorText(errno));
  if (!S_ISREG(st.st_mode)) return refuse("not a regular file");
  if (static_cast<uint64_t>(st.st_size) > max_bytes) return refuse(TooLarge(max_bytes));
  std::string content;
  content.reserve(static_cast<size_t>(st.st_size));
  char buf[8192];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return refuse(ErrorText(errno));
    }
    if (n == 0) break;
    // The file may grow while it is read.
    if (content.size() + static_cast<size_t>(n) > max_bytes) return refuse(TooLarge(max_bytes));
    content.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return content;
}

bool PosixTextFiles::WriteAtomically(const std::string& path, const std::string& content,
                                     std::string* error) {
  const std::string target = FollowLinks(path);
  std::string temp = target + kTempInfix + "XXXXXX";
  // Keep the permissions of the file being replaced.
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    // Renaming over a pipe or a device node would replace the node itself (as root, a link to
    // /dev/null would take /dev/null with it).
    if (!S_ISREG(st.st_mode)) {
      if (error) *error = "not a regular file";
      return false;
    }
    mode = st.st_mode & 07777;
  }

  bool created = false;
  auto fail = [&](int err, int fd) {
    if (error) *error = ErrorText(err);
    if (fd >= 0) ::close(fd);
    if (created) ::unlink(temp.c_str());
    return false;
  };

  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return fail(errno, -1);
  created = true;
  if (::fchmod(fd, mode) != 0) return fail(errno, fd);
  size_t done = 0;
  while (done < content.size()) {
    size_t want = content.size() - done;
    if (fail_after_bytes_for_test >= 0) {
      if (done >= static_cast<size_t>(fail_after_bytes_for_test)) return fail(ENOSPC, fd);
      want = std::min(want, static_cast<size_t>(fail_after_bytes_for_test) - done);
    }
    ssize_t n = ::write(fd, content.data() + done, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno, fd);
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return fail(errno, fd);
  if (::close(fd) != 0) return fail(errno, -1);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno, -1);
  // The rename itself must reach the disk too, or a power loss could bring the old name back.
  int dir = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool PosixTextFiles::IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PosixTextFiles::Rename(const std::string& from, const std::string& to, std::string* error) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    if (error) *error = ErrorText(errno);
    return false;
  }
  int dir = ::open(DirectoryOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void PosixTextFiles::RemoveStaleTemporaries(const std::string& path) {
  const std::string target = FollowLinks(path);
  const std::string dir = DirectoryOf(target);
  const std::string prefix = target.substr(target.find_last_of('/') + 1) + kTempInfix;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    // Exactly the names mkostemp gives: the prefix and six characters.
    if (name.size() == prefix.size() + 6 && name.starts_with(prefix))
      ::unlink((dir + "/" + name).c_str());
  }
  ::closedir(d);
}

}  // namespace vfd

#include "platform/PosixTextFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vfd {
namespace {

std::string ErrorText(int error) {
  return std::strerror(error);
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> PosixTextFiles::Read(const std::string& path, std::string* error) {
  if (error) error->clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT && error) *error = ErrorText(errno);
    return std::nullopt;
  }
  std::string content;
  char buf[8192];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (error) *error = ErrorText(errno);
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    content.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return content;
}

bool PosixTextFiles::WriteAtomically(const std::string& path, const std::string& content,
                                     std::string* error) {
  const std::string temp = path + ".new";
  // Keep the permissions of the file being replaced.
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;

  auto fail = [&](int err, int fd) {
    if (error) *error = ErrorText(err);
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return false;
  };

  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return fail(errno, -1);
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
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail(errno, -1);
  // The rename itself must reach the disk too, or a power loss could bring the old name back.
  int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace vfd

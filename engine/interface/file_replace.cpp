#include "interface/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kelo {

namespace {

std::atomic<unsigned> temp_counter{0};

// The GNU and the POSIX strerror_r differ in their result; both are handled.
[[maybe_unused]] const char* message_of(const char* result, const char*) { return result; }
[[maybe_unused]] const char* message_of(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}

bool write_all(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string os_error_text(int error) {
  char buffer[256] = {};
  const char* message = message_of(::strerror_r(error, buffer, sizeof buffer), buffer);
  return std::string(message) + " (os error " + std::to_string(error) + ")";
}

std::string replace_file(const std::string& requested, std::span<const std::uint8_t> bytes) {
  if (requested.empty()) return os_error_text(ENOENT);
  // Writing through a link replaces the file it points to and keeps the link.
  std::string path = requested;
  struct stat link {};
  if (::lstat(requested.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (char* resolved = ::realpath(requested.c_str(), nullptr)) {
      path = resolved;
      std::free(resolved);
    }
  }
  // A file the user may not write stays as it is, as it would with an in-place write.
  if (::faccessat(AT_FDCWD, path.c_str(), F_OK, AT_EACCESS) == 0 &&
      ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    return os_error_text(errno);
  }
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = folder + "." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(temp_counter.fetch_add(1));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return os_error_text(errno);
  }
  if (fd < 0) return os_error_text(EEXIST);

  // A replaced file keeps its permissions, as an in-place write would.
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    (void)::fchmod(fd, existing.st_mode & 07777);
  }

  int error = 0;
  if (!write_all(fd, bytes) || ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return os_error_text(error);
  }
  return {};
}

}  // namespace kelo

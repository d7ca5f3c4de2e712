#include "serial/DumpFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// Written byte for byte, and not handed to programs started later.
#ifdef _WIN32
constexpr int OpenFlags = O_BINARY;
#else
constexpr int OpenFlags = O_CLOEXEC;
#endif

// Attempts at finding an unused temporary name before giving up.
constexpr int TemporaryNameTries = 100;

int WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -errno;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

int CloseChecked(int fd, int status) {
  if (::close(fd) != 0 && status == 0) status = -errno;
  return status;
}

int AppendTo(const std::string& fileName, const std::string& text) {
  int fd = ::open(fileName.c_str(), O_WRONLY | O_APPEND | OpenFlags);
  if (fd < 0) return -errno;
  return CloseChecked(fd, WriteAll(fd, text));
}

int OpenTemporary(const std::string& fileName, std::string& temporary) {
  static std::atomic<unsigned> counter{0};
  for (int i = 0; i < TemporaryNameTries; ++i) {
    temporary = fileName + ".~" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    // Mode 0666 lets the umask decide, as for any file the program creates.
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | OpenFlags, 0666);
    if (fd >= 0 || errno != EEXIST) return fd < 0 ? -errno : fd;
  }
  return -EEXIST;
}

// Replaces an existing target, as rename does on POSIX systems.
bool RenameOver(const std::string& from, const std::string& to) {
  std::error_code error;
  std::filesystem::rename(from, to, error);
  errno = error.default_error_condition().value();
  return !error;
}

int Replace(const std::string& fileName, const std::string& text) {
  std::string temporary;
  int fd = OpenTemporary(fileName, temporary);
  if (fd < 0) return fd;
  int status = CloseChecked(fd, WriteAll(fd, text));
  if (status == 0 && !RenameOver(temporary, fileName)) status = -errno;
  if (status != 0) ::unlink(temporary.c_str());
  return status;
}

}  // namespace

int WriteDumpFile(const std::string& fileName, const std::string& text, bool append) {
  struct stat info {};
  if (append && ::stat(fileName.c_str(), &info) == 0) return AppendTo(fileName, text);
  return Replace(fileName, text);
}

// A pseudo-terminal for tests: the test holds the master side and plays the
// far end of the line; the dispatcher opens the slave path.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class TPtyPair {
 public:
  TPtyPair() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    slavePath_ = ::ptsname(master_);
    // Holding a slave descriptor keeps the line up between opens by the code
    // under test, as a real port stays up between programs.
    keeper_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  }
  ~TPtyPair() {
    CloseMaster();
    if (keeper_ >= 0) ::close(keeper_);
  }
  TPtyPair(const TPtyPair&) = delete;
  TPtyPair& operator=(const TPtyPair&) = delete;

  bool Ok() const { return master_ >= 0 && keeper_ >= 0; }
  const std::string& SlavePath() const { return slavePath_; }
  int Master() const { return master_; }

  // The far end hangs up.
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  // A pseudo-terminal keeps its line up while any slave descriptor is open.
  void DropKeeper() {
    if (keeper_ >= 0) ::close(keeper_);
    keeper_ = -1;
  }

  // Bytes sent by the far end that no reader of the line has taken yet.
  int InputPending() const {
    int count = 0;
    return keeper_ >= 0 && ::ioctl(keeper_, FIONREAD, &count) == 0 ? count : -1;
  }

  // Writes everything, waiting for room as needed.
  bool Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      pollfd p{master_, POLLOUT, 0};
      if (::poll(&p, 1, 5000) <= 0) return false;
    }
    return true;
  }

  // Reads until `count` bytes came or the deadline passed.
  std::string Receive(size_t count, std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + deadline;
    char buffer[4096];
    while (got.size() < count) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
      if (n > 0) got.append(buffer, static_cast<size_t>(n));
    }
    return got;
  }

 private:
  int master_ = -1;
  int keeper_ = -1;
  std::string slavePath_;
};

// Runs the Qt event loop of this thread until `done` holds or the deadline
// passes; true when it held.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
  if (done()) return true;
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(deadline, &loop, &QEventLoop::quit);
  check.start(2);
  loop.exec();
  return done();
}

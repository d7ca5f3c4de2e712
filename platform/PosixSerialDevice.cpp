#include "platform/PosixSerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

// How often a bounded drain looks at the driver's output queue.
constexpr auto DrainPollInterval = std::chrono::milliseconds(2);

struct TBaudCode {
  uint32_t baud;
  speed_t code;
};

constexpr TBaudCode BaudCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

bool BaudToCode(uint32_t baud, speed_t& code) {
  for (const auto& entry : BaudCodes) {
    if (entry.baud == baud) {
      code = entry.code;
      return true;
    }
  }
  return false;
}

uint32_t CodeToBaud(speed_t code) {
  for (const auto& entry : BaudCodes) {
    if (entry.code == code) return entry.baud;
  }
  return 0;
}

int NegErrno() {
  return errno ? -errno : -EIO;
}

// A device without modem lines (a pseudo-terminal) answers these ioctls
// with one of these: the lines are absent, which is not a failure.
bool NoModemLines(int error) {
  return error == ENOTTY || error == EINVAL;
}

void Signal(int eventFd) {
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(eventFd, &one, sizeof one);
}

void Consume(int eventFd) {
  uint64_t value = 0;
  [[maybe_unused]] ssize_t n = ::read(eventFd, &value, sizeof value);
}

}  // namespace

std::unique_ptr<TSerialDevice> CreateSerialDevice() {
  return std::make_unique<TPosixSerialDevice>();
}

int TPosixSerialDevice::OpenLocked(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return NegErrno();
  if (!::isatty(fd)) {
    ::close(fd);
    return -ENOTTY;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    return -error;
  }
  return fd;
}

int ProbeSerialDevice(const std::string& path) {
  const int fd = TPosixSerialDevice::OpenLocked(path);
  if (fd < 0) return fd;
  ::close(fd);
  return 0;
}

TPosixSerialDevice::TPosixSerialDevice()
    : waitCancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      writeCancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TPosixSerialDevice::~TPosixSerialDevice() {
  Close();
  if (waitCancel_ >= 0) ::close(waitCancel_);
  if (writeCancel_ >= 0) ::close(writeCancel_);
}

int TPosixSerialDevice::Open(const std::string& path) {
  if (waitCancel_ < 0 || writeCancel_ < 0) return -ENOMEM;
  if (fd_ >= 0) return -EBUSY;
  const int fd = OpenLocked(path);
  if (fd < 0) return fd;
  // Keeps openers that do not use flock out as well; root passes it anyway.
  ::ioctl(fd, TIOCEXCL);
  fd_ = fd;
  // A fresh line is raw and without flow control, whatever the last user
  // left: Xon/Xoff bytes are data until flow control is asked for.
  TDeviceControlBlock block;
  if (GetControlBlock(block) == 0) {
    block.outX = block.inX = block.outxCtsFlow = false;
    block.rtsControl = TDeviceControlBlock::ControlEnable;
    if (block.baud == 0) block.baud = 9600;
    SetControlBlock(block);
  }
  Consume(waitCancel_);
  Consume(writeCancel_);
  return 0;
}

void TPosixSerialDevice::Close() {
  const int fd = fd_.exchange(-1);
  if (fd < 0) return;
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);
}

int TPosixSerialDevice::SetupQueues(uint32_t, uint32_t) {
  return fd_ >= 0 ? 0 : -EBADF;
}

int TPosixSerialDevice::GetControlBlock(TDeviceControlBlock& block) {
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return NegErrno();
  block = shadow_;
  block.baud = CodeToBaud(cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5:
      block.byteSize = 5;
      break;
    case CS6:
      block.byteSize = 6;
      break;
    case CS7:
      block.byteSize = 7;
      break;
    default:
      block.byteSize = 8;
      break;
  }
  if (!(tio.c_cflag & PARENB)) {
    block.parity = 0;
  } else if (tio.c_cflag & CMSPAR) {
    block.parity = (tio.c_cflag & PARODD) ? 3 : 4;
  } else {
    block.parity = (tio.c_cflag & PARODD) ? 1 : 2;
  }
  if (tio.c_cflag & CSTOPB) {
    block.stopBits = block.byteSize == 5 ? 1 : 2;
  } else {
    block.stopBits = 0;
  }
  block.outX = tio.c_iflag & IXON;
  block.inX = tio.c_iflag & IXOFF;
  block.xonChar = tio.c_cc[VSTART];
  block.xoffChar = tio.c_cc[VSTOP];
  return 0;
}

bool TPosixSerialDevice::ToTermios(const TDeviceControlBlock& block, termios& tio) {
  speed_t speed{};
  if (!BaudToCode(block.baud, speed)) return false;
  if (block.byteSize < 5 || block.byteSize > 8 || block.parity > 4 || block.stopBits > 2) return false;
  // Raw line: every byte passes unchanged in both directions.
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD;
  static constexpr tcflag_t Sizes[] = {CS5, CS6, CS7, CS8};
  tio.c_cflag |= Sizes[block.byteSize - 5];
  switch (block.parity) {
    case 1:
      tio.c_cflag |= PARENB | PARODD;
      break;
    case 2:
      tio.c_cflag |= PARENB;
      break;
    case 3:
      tio.c_cflag |= PARENB | PARODD | CMSPAR;
      break;
    case 4:
      tio.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  if (block.stopBits != 0) tio.c_cflag |= CSTOPB;
  if (block.parityCheck) tio.c_iflag |= INPCK;
  if (block.outxCtsFlow || block.rtsControl == TDeviceControlBlock::ControlHandshake) tio.c_cflag |= CRTSCTS;
  if (block.outX) tio.c_iflag |= IXON;
  if (block.inX) tio.c_iflag |= IXOFF;
  tio.c_cc[VSTART] = block.xonChar;
  tio.c_cc[VSTOP] = block.xoffChar;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  return true;
}

int TPosixSerialDevice::SetControlBlock(const TDeviceControlBlock& block) {
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return NegErrno();
  if (!ToTermios(block, tio)) return -EINVAL;
  // Straight to the driver: the C library's tcsetattr reports a failure when
  // a driver adjusts what it cannot do (a pseudo-terminal keeps CS8 and no
  // parity), which would make every later line change fail.
  if (::ioctl(fd_, TCSETS, &tio) != 0) return NegErrno();
  shadow_ = block;
  return 0;
}

int TPosixSerialDevice::WaitEvent(bool wantInput, uint32_t& events) {
  events = 0;
  pollfd fds[2] = {{fd_.load(), static_cast<short>(wantInput ? POLLIN : 0), 0}, {waitCancel_, POLLIN, 0}};
  for (;;) {
    const int n = ::poll(fds, 2, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return NegErrno();
    break;
  }
  if (fds[1].revents & POLLIN) {
    Consume(waitCancel_);
    return 0;
  }
  // A hung-up line stays "ready" for ever: report it once, the caller stops.
  if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return -EIO;
  if (fds[0].revents & POLLIN) events |= EvRxChar;
  return static_cast<int>(events);
}

void TPosixSerialDevice::CancelWait() {
  Signal(waitCancel_);
}

int TPosixSerialDevice::BytesInQueue() {
  int count = 0;
  if (::ioctl(fd_, FIONREAD, &count) != 0) return NegErrno();
  return count;
}

int TPosixSerialDevice::Read(uint8_t* buffer, uint32_t count) {
  const ssize_t n = ::read(fd_, buffer, count);
  if (n >= 0) return static_cast<int>(n);
  if (errno == EAGAIN || errno == EINTR) return 0;
  return NegErrno();
}

int TPosixSerialDevice::Write(const uint8_t* data, uint32_t count) {
  const ssize_t n = ::write(fd_, data, count);
  if (n >= 0) return static_cast<int>(n);
  if (errno == EAGAIN || errno == EINTR) return 0;
  return NegErrno();
}

int TPosixSerialDevice::WaitWritable() {
  pollfd fds[2] = {{fd_.load(), POLLOUT, 0}, {writeCancel_, POLLIN, 0}};
  for (;;) {
    const int n = ::poll(fds, 2, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return NegErrno();
    break;
  }
  if (fds[1].revents & POLLIN) {
    Consume(writeCancel_);
    return 0;
  }
  if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return -EIO;
  return 1;
}

void TPosixSerialDevice::CancelWrite() {
  Signal(writeCancel_);
}

int TPosixSerialDevice::Escape(TEscape function) {
  int bits = 0;
  unsigned long request = TIOCMBIS;
  switch (function) {
    case TEscape::SetDtr:
      bits = TIOCM_DTR;
      break;
    case TEscape::ClearDtr:
      bits = TIOCM_DTR;
      request = TIOCMBIC;
      break;
    case TEscape::SetRts:
      bits = TIOCM_RTS;
      break;
    case TEscape::ClearRts:
      bits = TIOCM_RTS;
      request = TIOCMBIC;
      break;
    case TEscape::SetBreak:
      return ::ioctl(fd_, TIOCSBRK) == 0 || NoModemLines(errno) ? 0 : NegErrno();
    case TEscape::ClearBreak:
      return ::ioctl(fd_, TIOCCBRK) == 0 || NoModemLines(errno) ? 0 : NegErrno();
  }
  if (::ioctl(fd_, request, &bits) == 0 || NoModemLines(errno)) return 0;
  return NegErrno();
}

int TPosixSerialDevice::GetModemStatus(uint8_t& status) {
  status = 0;
  int lines = 0;
  if (::ioctl(fd_, TIOCMGET, &lines) != 0) return NoModemLines(errno) ? 0 : NegErrno();
  if (lines & TIOCM_CTS) status |= MsCts;
  if (lines & TIOCM_DSR) status |= MsDsr;
  if (lines & TIOCM_RNG) status |= MsRing;
  if (lines & TIOCM_CAR) status |= MsRlsd;
  return 0;
}

int TPosixSerialDevice::ClearErrors(uint8_t& errors) {
  // The terminal layer keeps no per-call error word; framing and parity
  // errors already arrive as data under the raw settings.
  errors = 0;
  return fd_ >= 0 ? 0 : -EBADF;
}

int TPosixSerialDevice::Purge(uint8_t which) {
  int queue = -1;
  if ((which & PurgeInput) && (which & PurgeOutput)) {
    queue = TCIOFLUSH;
  } else if (which & PurgeInput) {
    queue = TCIFLUSH;
  } else if (which & PurgeOutput) {
    queue = TCOFLUSH;
  }
  if (queue < 0) return 0;
  if (which & PurgeOutput) CancelWrite();
  return ::tcflush(fd_, queue) == 0 ? 0 : NegErrno();
}

int TPosixSerialDevice::Drain(uint32_t timeoutMs) {
  // tcdrain has no deadline and a far end that holds the line (flow control,
  // an unread pseudo-terminal) would block it for ever.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int pending = 0;
    if (::ioctl(fd_, TIOCOUTQ, &pending) != 0) return NegErrno();
    if (pending == 0) return 0;
    if (std::chrono::steady_clock::now() >= deadline) return -ETIMEDOUT;
    std::this_thread::sleep_for(DrainPollInterval);
  }
}

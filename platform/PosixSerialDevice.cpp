#include "platform/PosixSerialDevice.h"

#include "platform/TermLine.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace {

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

// Waits for `events` on the line or for the cancel event, at most
// `timeoutMs` (-1: no limit). 1 and the line's events when it is ready or
// hung up, 0 when cancelled or timed out, a negated errno when poll fails.
int PollLine(int fd, short events, int cancelFd, int timeoutMs, short& revents) {
  pollfd fds[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
  revents = 0;
  for (;;) {
    const int n = ::poll(fds, 2, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return NegErrno();
    break;
  }
  if (fds[1].revents & POLLIN) {
    Consume(cancelFd);
    return 0;
  }
  revents = fds[0].revents;
  return revents != 0 ? 1 : 0;
}

bool HungUp(short revents) {
  return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
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
      writeCancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      inputCancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TPosixSerialDevice::~TPosixSerialDevice() {
  Close();
  if (waitCancel_ >= 0) ::close(waitCancel_);
  if (writeCancel_ >= 0) ::close(writeCancel_);
  if (inputCancel_ >= 0) ::close(inputCancel_);
}

int TPosixSerialDevice::Open(const std::string& path) {
  if (waitCancel_ < 0 || writeCancel_ < 0 || inputCancel_ < 0) return -ENOMEM;
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
  TTermLine line;
  if (const int result = ReadTermLine(fd_, line); result < 0) return result;
  block = shadow_;
  // What the driver set, which may differ a little from what was asked.
  block.baud = line.ospeed;
  switch (line.cflag & CSIZE) {
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
  if (!(line.cflag & PARENB)) {
    block.parity = 0;
  } else if (line.cflag & CMSPAR) {
    block.parity = (line.cflag & PARODD) ? 3 : 4;
  } else {
    block.parity = (line.cflag & PARODD) ? 1 : 2;
  }
  if (line.cflag & CSTOPB) {
    block.stopBits = block.byteSize == 5 ? 1 : 2;
  } else {
    block.stopBits = 0;
  }
  block.outX = line.iflag & IXON;
  block.inX = line.iflag & IXOFF;
  block.xonChar = line.cc[VSTART];
  block.xoffChar = line.cc[VSTOP];
  return 0;
}

bool TPosixSerialDevice::ToTermLine(const TDeviceControlBlock& block, TTermLine& line) {
  if (block.baud == 0) return false;  // rate 0 would hang the line up
  if (block.byteSize < 5 || block.byteSize > 8 || block.parity > 4 || block.stopBits > 2) return false;
  // Raw line: every byte passes unchanged in both directions. A break on
  // input is dropped, not turned into a NUL byte inside a reply.
  line.iflag &= ~(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
  line.iflag |= IGNBRK;
  line.oflag &= ~OPOST;
  line.lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  line.cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  line.cflag |= CLOCAL | CREAD;
  static constexpr tcflag_t Sizes[] = {CS5, CS6, CS7, CS8};
  line.cflag |= Sizes[block.byteSize - 5];
  switch (block.parity) {
    case 1:
      line.cflag |= PARENB | PARODD;
      break;
    case 2:
      line.cflag |= PARENB;
      break;
    case 3:
      line.cflag |= PARENB | PARODD | CMSPAR;
      break;
    case 4:
      line.cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  if (block.stopBits != 0) line.cflag |= CSTOPB;
  if (block.parityCheck) line.iflag |= INPCK;
  if (block.outxCtsFlow || block.rtsControl == TDeviceControlBlock::ControlHandshake) line.cflag |= CRTSCTS;
  if (block.outX) line.iflag |= IXON;
  if (block.inX) line.iflag |= IXOFF;
  line.cc[VSTART] = block.xonChar;
  line.cc[VSTOP] = block.xoffChar;
  line.cc[VMIN] = 0;
  line.cc[VTIME] = 0;
  line.ispeed = line.ospeed = block.baud;
  return true;
}

int TPosixSerialDevice::SetControlBlock(const TDeviceControlBlock& block) {
  TTermLine line;
  if (const int result = ReadTermLine(fd_, line); result < 0) return result;
  if (!ToTermLine(block, line)) return -EINVAL;
  // The kernel's own record, with the rate as a number: a driver that cannot
  // do a setting adjusts it (a pseudo-terminal keeps CS8 and no parity) and
  // GetControlBlock reads back what it did.
  if (const int result = WriteTermLine(fd_, line); result < 0) return result;
  shadow_ = block;
  return 0;
}

int TPosixSerialDevice::WaitEvent(bool wantInput, uint32_t& events) {
  events = 0;
  short revents = 0;
  const int result = PollLine(fd_, wantInput ? POLLIN : 0, waitCancel_, -1, revents);
  if (result <= 0) return result;
  // A hung-up line stays "ready" for ever: report it once, the caller stops.
  if (HungUp(revents)) return -EIO;
  if (revents & POLLIN) events |= EvRxChar;
  return static_cast<int>(events);
}

void TPosixSerialDevice::CancelWait() {
  Signal(waitCancel_);
}

int TPosixSerialDevice::WaitInput(bool wantInput, std::chrono::milliseconds timeout) {
  short revents = 0;
  const int result =
      PollLine(fd_, wantInput ? POLLIN : 0, inputCancel_, static_cast<int>(timeout.count()), revents);
  if (result <= 0) return result;
  if (HungUp(revents)) return -EIO;
  return (revents & POLLIN) ? 1 : 0;
}

void TPosixSerialDevice::CancelInputWait() {
  Signal(inputCancel_);
}

int TPosixSerialDevice::BytesInQueue() {
  int count = 0;
  if (::ioctl(fd_, FIONREAD, &count) != 0) return NegErrno();
  return count;
}

int TPosixSerialDevice::BytesInOutputQueue() {
  int count = 0;
  if (::ioctl(fd_, TIOCOUTQ, &count) != 0) return NegErrno();
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
  short revents = 0;
  const int result = PollLine(fd_, POLLOUT, writeCancel_, -1, revents);
  if (result <= 0) return result;
  return HungUp(revents) ? -EIO : 1;
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

std::string DeviceGroupName(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  const group* entry = ::getgrgid(info.st_gid);
  return entry != nullptr ? entry->gr_name : std::to_string(info.st_gid);
}

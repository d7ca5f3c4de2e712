// Kept apart from every file that includes <termios.h>: the kernel's
// definitions of the same names cannot live in one translation unit with it.
#include "platform/TermLine.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>
#include <cstring>

// The ioctl prototype without <sys/ioctl.h>, which pulls in the C library's
// terminal definitions.
extern "C" int ioctl(int fd, unsigned long request, ...);

namespace {

constexpr tcflag_t SpeedBits = CBAUD | (CBAUD << IBSHIFT);

struct TRateCode {
  uint32_t rate;
  tcflag_t code;
};

// The standard rates keep their own codes, so that every other reader of the
// line (the C library, stty) sees them as before; any other rate is given as
// a number.
constexpr TRateCode RateCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

tcflag_t RateCode(uint32_t rate) {
  for (const TRateCode& entry : RateCodes) {
    if (entry.rate == rate) return entry.code;
  }
  return BOTHER;
}

static_assert(TermLineControlChars == NCCS);

}  // namespace

int ReadTermLine(int fd, TTermLine& line) {
  termios2 kernel{};
  if (ioctl(fd, TCGETS2, &kernel) != 0) return errno ? -errno : -EIO;
  line.iflag = kernel.c_iflag;
  line.oflag = kernel.c_oflag;
  line.cflag = kernel.c_cflag & ~SpeedBits;
  line.lflag = kernel.c_lflag;
  line.line = kernel.c_line;
  std::memcpy(line.cc, kernel.c_cc, sizeof line.cc);
  line.ispeed = kernel.c_ispeed;
  line.ospeed = kernel.c_ospeed;
  return 0;
}

int WriteTermLine(int fd, const TTermLine& line) {
  termios2 kernel{};
  kernel.c_iflag = line.iflag;
  kernel.c_oflag = line.oflag;
  kernel.c_cflag = (line.cflag & ~SpeedBits) | RateCode(line.ospeed) | (RateCode(line.ispeed) << IBSHIFT);
  kernel.c_lflag = line.lflag;
  kernel.c_line = line.line;
  std::memcpy(kernel.c_cc, line.cc, sizeof line.cc);
  kernel.c_ispeed = line.ispeed;
  kernel.c_ospeed = line.ospeed;
  if (ioctl(fd, TCSETS2, &kernel) != 0) return errno ? -errno : -EIO;
  return 0;
}

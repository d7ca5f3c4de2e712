// The line settings of a terminal device as the kernel keeps them (its
// termios2 record), so that any baud rate the driver takes can be set and
// read back. The C library's own termios record has another layout and only
// the standard rates; it is never handed to the kernel directly.
#pragma once

#include <cstdint>

inline constexpr int TermLineControlChars = 19;

struct TTermLine {
  uint32_t iflag = 0;
  uint32_t oflag = 0;
  uint32_t cflag = 0;  // without the speed bits: the rate is ispeed/ospeed
  uint32_t lflag = 0;
  uint8_t line = 0;
  uint8_t cc[TermLineControlChars] = {};  // indexed by VMIN, VTIME, VSTART, ...
  uint32_t ispeed = 0;
  uint32_t ospeed = 0;
};

// Both return 0 or a negated errno.
int ReadTermLine(int fd, TTermLine& line);
// Programs the line with its rates given as numbers (any rate the driver
// takes); the driver may adjust them, ReadTermLine tells what it set.
int WriteTermLine(int fd, const TTermLine& line);

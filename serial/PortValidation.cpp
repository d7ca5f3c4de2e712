// The port test behind the "Select Port" list.
#include "serial/ComPort.h"

#include "platform/DeviceMap.h"
#include "platform/SerialDevice.h"

#include <cerrno>

bool IsPortAvailable(uint16_t n) {
  if (n == 0) return false;
  const std::optional<std::string> path = DevicePathFor(n);
  if (!path) return false;
  // The open primitive alone: no queues, no line settings, no threads, so a
  // working port is not disturbed beyond an open and a close.
  const int result = ProbeSerialDevice(*path);
  // Another program holding the port still means the port is there; a port
  // this user may not open is of no use to him and is not offered (opening
  // it says why).
  return result == 0 || result == -EBUSY;
}

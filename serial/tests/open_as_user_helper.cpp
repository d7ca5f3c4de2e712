// Opens a device as the port does, as whatever user runs it, and prints what
// happened: the permission test runs it as a user outside the device's group.
//   open_as_user_helper <device path>
// prints "code <n>" (0 when it opened), the message, and "available <0|1>".
#include "serial/ComPort.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr uint16_t HelperPort = 9;
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) return 2;
  const std::string map = "COM" + std::to_string(HelperPort) + "=" + argv[1];
  ::setenv("ZELOR_COMPORTS", map.c_str(), 1);
  ::setenv("ZELOR_COMPORTS_FILE", "/nonexistent/zelor-comports", 1);
  int code = 0;
  std::string message;
  {
    TComPort port;
    port.SetComNumber(HelperPort);
    try {
      port.SetOpen(true);
    } catch (const ESerialError& e) {
      code = e.ErrorCode();
      message = e.what();
    }
  }
  std::printf("code %d\n%s\navailable %d\n", code, message.c_str(), IsPortAvailable(HelperPort) ? 1 : 0);
  return 0;
}

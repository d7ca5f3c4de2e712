#include "platform/SystemInfo.h"

#include <sys/utsname.h>

std::string OperatingSystemDescription() {
  utsname names{};
  if (uname(&names) != 0) return "Unknown";
  return std::string(names.sysname) + " " + names.release;
}

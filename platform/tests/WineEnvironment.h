// The COM ports that the Wine set-up (scripts/wine-tests.sh) maps to
// instrument simulators, as the tests' environment names them.
#pragma once

#include <cstdlib>
#include <string>

// 0 when the variable is missing: the test then fails, it is not skipped.
inline int WinePort(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? std::atoi(value) : 0;
}

inline std::string WineDevice(int n) {
  return "\\\\.\\COM" + std::to_string(n);
}

// Port names "COMn", the same on every system.
#include "platform/DeviceMap.h"

#include <algorithm>
#include <cctype>

std::optional<int> NumberAfter(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return std::nullopt;
  long value = 0;
  for (char c : name.substr(prefix.size())) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > LastComPort) return std::nullopt;
  }
  return static_cast<int>(value);
}

std::string DeviceLabel(int n) {
  return "COM" + std::to_string(n);
}

std::optional<int> PortNumberOf(std::string_view name) {
  std::string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  const auto n = NumberAfter(upper, "COM");
  if (!n || *n < FirstComPort) return std::nullopt;
  return n;
}

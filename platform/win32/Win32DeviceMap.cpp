// On Windows the device map is the system's own: port n is the device
// "\\.\COMn", and the ports there are lists in the SERIALCOMM registry key.
#include "platform/DeviceMap.h"
#include "platform/win32/SerialComm.h"

#include <windows.h>

#include <algorithm>
#include <set>

namespace {

constexpr const char* DevicePrefix = "\\\\.\\";

std::string StringValue(HKEY key, const char* name, DWORD maxBytes) {
  std::string text(maxBytes, '\0');
  DWORD type = 0;
  DWORD size = maxBytes;
  if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  text.resize(std::min<DWORD>(size, maxBytes));
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

class TSerialCommKey {
 public:
  TSerialCommKey() {
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, SerialCommKey, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~TSerialCommKey() {
    if (key_) ::RegCloseKey(key_);
  }
  TSerialCommKey(const TSerialCommKey&) = delete;
  TSerialCommKey& operator=(const TSerialCommKey&) = delete;
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

std::map<std::string, std::string> SerialCommValues() {
  std::map<std::string, std::string> values;
  const TSerialCommKey key;
  if (!key.Get()) return values;
  DWORD count = 0;
  DWORD longestName = 0;
  DWORD longestData = 0;
  if (::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
    return values;
  for (DWORD i = 0; i < count; ++i) {
    std::string name(longestName + 1, '\0');
    DWORD nameSize = longestName + 1;
    if (::RegEnumValueA(key.Get(), i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      continue;
    name.resize(nameSize);
    values[name] = StringValue(key.Get(), name.c_str(), longestData + 1);
  }
  return values;
}

std::string SerialCommValue(const std::string& name) {
  const TSerialCommKey key;
  if (!key.Get()) return {};
  DWORD size = 0;
  if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return {};
  return StringValue(key.Get(), name.c_str(), size + 1);
}

std::map<int, std::string> DeviceMap() {
  std::map<int, std::string> map;
  for (const auto& [name, port] : SerialCommValues()) {
    if (const auto n = PortNumberOf(port)) map[*n] = DevicePrefix + DeviceLabel(*n);
  }
  return map;
}

std::optional<std::string> DevicePathFor(int n) {
  if (n < FirstComPort || n > LastComPort) return std::nullopt;
  // Opened by name even when the key does not list it: the open tells.
  return DevicePrefix + DeviceLabel(n);
}

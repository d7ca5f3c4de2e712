// Which device stands behind each port number "COMn".
//
// On Windows the system names the devices itself: COMn is the device
// "\\.\COMn" and the SERIALCOMM registry key lists the ports. What
// follows is the map of the other systems.
//
// By default the serial devices the kernel lists under /sys/class/tty are
// numbered in a stable order: ttyS0..ttyS3 are COM1..COM4. A USB adapter or
// modem (ttyUSB*, ttyACM*) with a stable identity keeps one number for good:
// the first time it is seen it gets the next free number from COM5 on,
// remembered in the override file under its /dev/serial/by-id link or, when
// it has none, under the vendor, product and serial number sysfs shows for
// it ("usb:0403:6001:A50285BI:if00"). Adapters without an identity follow in
// order (ttyUSB* then ttyACM*, each by number) around the remembered
// numbers. The override file and the ZELOR_COMPORTS variable can add, move
// or hide ports (docs/device-map.md).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* DefaultTtyClassDir = "/sys/class/tty";
inline constexpr const char* DefaultSerialByIdDir = "/dev/serial/by-id";
// How an override line names an adapter by its sysfs identity.
inline constexpr const char* SysfsIdentityPrefix = "usb:";

inline constexpr int FirstComPort = 1;
inline constexpr int LastComPort = 65535;

// "COM" followed by the number: the name the user sees and the dispatch log
// header shows.
std::string DeviceLabel(int n);

// The number of a port name such as "COM7" or "com7"; nothing for any other
// text or a number outside 1..65535.
std::optional<int> PortNumberOf(std::string_view name);

// The number that ends `name` right after `prefix` ("ttyS3" after "ttyS"
// gives 3); nothing when other characters follow or it exceeds LastComPort.
std::optional<int> NumberAfter(std::string_view name, std::string_view prefix);

#ifdef _WIN32
// Windows: the ports that the SERIALCOMM registry key lists, each the device
// "\\.\COMn" (platform/win32/Win32DeviceMap.cpp).
std::map<int, std::string> DeviceMap();
#else
// The default numbering of the serial devices listed in `ttyClassDir`:
// on-board ports, and the adapters that have no identity (those that have
// one are numbered by the lines remembered for them).
std::map<int, std::string> SystemSerialDevices(const std::string& ttyClassDir = DefaultTtyClassDir,
                                               const std::string& byIdDir = DefaultSerialByIdDir);

// Gives every adapter of `ttyClassDir` that has an identity (a link in
// `byIdDir`, else a sysfs serial number) and no line in the override file
// the next free number from COM5 on (one that no line of the file uses), and
// writes that line.
void RememberAdapters(const std::string& ttyClassDir = DefaultTtyClassDir,
                      const std::string& byIdDir = DefaultSerialByIdDir);

// The override file: $ZELOR_COMPORTS_FILE, else
// ${XDG_CONFIG_HOME:-$HOME/.config}/zelor/comports.
std::string ComPortsFilePath();

// The whole map, after remembering new adapters: the default numbering,
// then the override file, then ZELOR_COMPORTS, later entries winning; an
// entry with an empty path hides the port, one naming a sysfs identity maps
// the device that has it now (none while the adapter is away).
std::map<int, std::string> DeviceMap(const std::string& ttyClassDir = DefaultTtyClassDir,
                                     const std::string& byIdDir = DefaultSerialByIdDir);

#endif

std::optional<std::string> DevicePathFor(int n);
// The mapped port numbers, increasing.
inline std::vector<int> MappedPorts() {
  std::vector<int> ports;
  for (const auto& entry : DeviceMap()) ports.push_back(entry.first);
  return ports;
}

#ifndef _WIN32
// Writes or removes the line of port n in the override file, keeping every
// other line; the file is replaced atomically. False when the file cannot be
// written or the arguments are not valid (n outside 1..65535, a path that is
// empty or holds a line break).
bool RegisterPort(int n, const std::string& path);
bool UnregisterPort(int n);
#endif

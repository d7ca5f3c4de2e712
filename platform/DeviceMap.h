// Which device stands behind each port number "COMn".
//
// By default the serial devices the kernel lists under /sys/class/tty are
// numbered in a stable order: ttyS0..ttyS3 are COM1..COM4, then ttyUSB* and
// ttyACM* (in that order, each by number) are COM5, COM6, and so on. An
// override file and the ZELOR_COMPORTS variable can add, move or hide ports
// (docs/device-map.md).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* DefaultTtyClassDir = "/sys/class/tty";

// "COM" followed by the number: the name the user sees and the dispatch log
// header shows.
std::string DeviceLabel(int n);

// The number of a port name such as "COM7" or "com7"; nothing for any other
// text or a number outside 1..65535.
std::optional<int> PortNumberOf(std::string_view name);

// The default numbering of the serial devices listed in `ttyClassDir`.
std::map<int, std::string> SystemSerialDevices(const std::string& ttyClassDir = DefaultTtyClassDir);

// The override file: $ZELOR_COMPORTS_FILE, else
// ${XDG_CONFIG_HOME:-$HOME/.config}/zelor/comports.
std::string ComPortsFilePath();

// The whole map: the default numbering, then the override file, then
// ZELOR_COMPORTS, later entries winning; an entry with an empty path hides
// the port.
std::map<int, std::string> DeviceMap(const std::string& ttyClassDir = DefaultTtyClassDir);

std::optional<std::string> DevicePathFor(int n);
std::vector<int> MappedPorts();  // increasing

// Writes or removes the line of port n in the override file, keeping every
// other line; the file is replaced atomically. False when the file cannot be
// written or the arguments are not valid (n outside 1..65535, a path that is
// empty or holds a line break).
bool RegisterPort(int n, const std::string& path);
bool UnregisterPort(int n);

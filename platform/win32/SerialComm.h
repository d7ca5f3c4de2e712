// The system's list of serial ports: the values of the registry key
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM, each named after a
// driver's device and holding a port name such as "COM3".
#pragma once

#include <map>
#include <string>

inline constexpr const char* SerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Every string value of the key by name; empty when the key cannot be opened.
std::map<std::string, std::string> SerialCommValues();

// One string value of the key; "" when it or the key is missing, or when it
// is not a string.
std::string SerialCommValue(const std::string& name);

// One-line description of the running operating system, as shown in
// diagnostic file headers.
#pragma once

#include <string>

// Kernel name and release, for example "Linux 6.1.0-18-amd64"; "Unknown"
// when the system cannot tell.
std::string OperatingSystemDescription();

// Which program holds a serial device. The program locks a device it opens
// (flock); the kernel's lock table (/proc/locks) names the process that took
// the lock, so a second program can tell the user whom to close.
#pragma once

#include <optional>
#include <string>

struct TDetenteurPort {
  int pid = 0;
  std::string programme;  // the holder's program name, without its folder
};

// The holder of the lock on `chemin`, or nothing when no lock is held (or the
// lock table cannot be read). `tableVerrous` and `dossierProc` are for tests.
std::optional<TDetenteurPort> DetenteurPort(const std::string& chemin,
                                            const std::string& tableVerrous = "/proc/locks",
                                            const std::string& dossierProc = "/proc");

// What a program tells the user when port COMn is held by another one
// (French, 8-bit-free UTF-8): the port, its device and, when the lock table
// names it, the holding program and its pid.
std::string MessagePortTenu(int n);

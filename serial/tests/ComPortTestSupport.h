// Helpers for the port tests: COM numbers mapped to pseudo-terminals through
// the environment, and a look at which serial error an action raised.
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <typeindex>

#include "serial/SerialError.h"

// Maps COM numbers for the life of the object; no override file of the
// machine takes part.
class TPortMap {
 public:
  TPortMap() {
    ::setenv("ZELOR_COMPORTS_FILE", (dir_.path() + "/comports").toStdString().c_str(), 1);
    Apply();
  }
  ~TPortMap() {
    ::unsetenv("ZELOR_COMPORTS");
    ::unsetenv("ZELOR_COMPORTS_FILE");
  }
  TPortMap(const TPortMap&) = delete;
  TPortMap& operator=(const TPortMap&) = delete;

  // An empty path hides the port.
  void Set(int n, const std::string& path) {
    ports_[n] = path;
    Apply();
  }

 private:
  void Apply() {
    std::string list;
    for (const auto& [n, path] : ports_) list += "COM" + std::to_string(n) + "=" + path + ";";
    ::setenv("ZELOR_COMPORTS", list.c_str(), 1);
  }

  QTemporaryDir dir_;
  std::map<int, std::string> ports_;
};

// What an action raised.
struct TRaised {
  bool raised = false;
  std::type_index type = typeid(void);
  int code = 0;
  std::string message;
};

inline TRaised Raised(const std::function<void()>& action) {
  TRaised r;
  try {
    action();
  } catch (const ESerialError& e) {
    r.raised = true;
    r.type = typeid(e);
    r.code = e.ErrorCode();
    r.message = e.what();
  }
  return r;
}

inline std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

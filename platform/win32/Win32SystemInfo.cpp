#include "platform/SystemInfo.h"

#include <windows.h>

std::string OperatingSystemDescription() {
  // The version the system really runs: GetVersionEx answers what the
  // program's manifest claims to know.
  using TGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const auto getVersion =
      ntdll ? reinterpret_cast<TGetVersion>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!getVersion || getVersion(&info) != 0) return "Unknown";
  return "Windows " + std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
         std::to_string(info.dwBuildNumber);
}

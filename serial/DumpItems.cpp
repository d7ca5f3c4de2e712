#include "serial/DumpItems.h"

#include <cstdio>

namespace {

constexpr uint8_t LastPrintable = '~';
// With hexadecimal items a blank is written as [20], so that it stays visible.
constexpr uint8_t FirstPrintableHex = '!';
constexpr uint8_t FirstPrintable = ' ';

}  // namespace

std::string DumpItem(uint8_t byte, bool hex, bool allHex) {
  const uint8_t low = hex ? FirstPrintableHex : FirstPrintable;
  if (!allHex && byte >= low && byte <= LastPrintable) return std::string(1, static_cast<char>(byte));
  char text[8];
  std::snprintf(text, sizeof text, (allHex || hex) ? "[%02X]" : "[%u]", static_cast<unsigned>(byte));
  return text;
}

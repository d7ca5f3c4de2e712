// The forms in which the trace and the dispatch log write one data byte.
#pragma once

#include <cstdint>
#include <string>

// Line end of every dump file, whatever the platform.
inline constexpr const char* DumpLineEnd = "\r\n";

// With `allHex` every byte reads "[XX]" (upper-case hexadecimal). Otherwise a
// printable byte is written as itself, where the blank counts as printable
// only when `hex` is false; any other byte reads "[XX]" with `hex`, else its
// decimal value in brackets ("[13]"). The item's width is its length.
std::string DumpItem(uint8_t byte, bool hex, bool allHex);

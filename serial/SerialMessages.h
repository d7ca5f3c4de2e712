// The serial layer's message table: the texts of its exception classes and of
// the operating-system file errors it reports, looked up by a code's absolute
// value.
#pragma once

#include <optional>
#include <string>

// The table's own text for |code|, when it has one.
std::optional<std::string> SerialTableMessage(int code);

// The table's text for |code|, else the operating system's text for that
// number with control characters turned into blanks and double blanks
// reduced to one.
std::string SerialMessage(int code);

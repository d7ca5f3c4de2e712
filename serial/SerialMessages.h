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

// The French text shown when this user may not open the device at `path`:
// it names the file, the group that owns it and the fix. `group` may be
// empty when it is not known.
std::string PermissionDeniedMessage(const std::string& path, const std::string& group,
                                    const std::string& user);

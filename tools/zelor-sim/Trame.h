// Framing bytes of the instrument line.
#pragma once

namespace trame {
inline constexpr char kStx = 2;
inline constexpr char kEtx = 3;
inline constexpr char kAck = 6;
inline constexpr char kCr = 13;
inline constexpr char kReset = '@';
// Closes every text reply; deliberately not a number character, so the
// program's number extraction stops in front of it.
inline constexpr char kControle = 'X';
}  // namespace trame

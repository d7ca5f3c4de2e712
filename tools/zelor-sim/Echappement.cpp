#include "tools/zelor-sim/Echappement.h"

#include "tools/zelor-sim/Trame.h"

QByteArray EchappeOctets(QByteArrayView octets) {
  static constexpr char kHex[] = "0123456789abcdef";
  QByteArray texte;
  texte.reserve(octets.size() + 2);
  texte.append('"');
  for (const char c : octets) {
    const auto u = static_cast<unsigned char>(c);
    if (c == trame::kCr) {
      texte.append("\\r");
    } else if (c == '\n') {
      texte.append("\\n");
    } else if (u < 32 || u > 126 || c == trame::kReset || c == '"' || c == '\\') {
      texte.append("\\x").append(kHex[u >> 4]).append(kHex[u & 15]);
    } else {
      texte.append(c);
    }
  }
  texte.append('"');
  return texte;
}

// What a test reads back from the simulator's log.
#pragma once

#include <QFile>
#include <QString>

#include <string>

// What the simulator received, from the RX lines of its log, unescaped.
inline std::string RecuParSimulateur(const QString& journal) {
  QFile f(journal);
  if (!f.open(QIODevice::ReadOnly)) return {};
  std::string recu;
  for (const QByteArray& ligne : f.readAll().split('\n')) {
    if (!ligne.startsWith("RX \"")) continue;
    const QByteArray texte = ligne.mid(4, ligne.lastIndexOf('"') - 4);
    for (qsizetype i = 0; i < texte.size(); ++i) {
      if (texte[i] != '\\' || i + 1 >= texte.size()) {
        recu.push_back(texte[i]);
      } else if (texte[i + 1] == 'r') {
        recu.push_back('\r'), ++i;
      } else if (texte[i + 1] == 'n') {
        recu.push_back('\n'), ++i;
      } else if (texte[i + 1] == 'x') {
        recu.push_back(static_cast<char>(texte.mid(i + 2, 2).toInt(nullptr, 16))), i += 3;
      } else {
        recu.push_back(texte[i + 1]), ++i;
      }
    }
  }
  return recu;
}


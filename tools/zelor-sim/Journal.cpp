#include "tools/zelor-sim/Journal.h"

TJournal::~TJournal() {
  if (proprietaire_) std::fclose(fichier_);
}

bool TJournal::Ouvre(const QString& chemin, QString* erreur) {
  std::lock_guard garde(verrou_);
  if (chemin.isEmpty()) {
    fichier_ = stderr;
    return true;
  }
  std::FILE* f = std::fopen(chemin.toLocal8Bit().constData(), "a");
  if (!f) {
    *erreur = QStringLiteral("Impossible d'ouvrir le journal %1").arg(chemin);
    return false;
  }
  if (proprietaire_) std::fclose(fichier_);
  fichier_ = f;
  proprietaire_ = true;
  return true;
}

void TJournal::Ecrit(const QByteArray& ligne) {
  std::lock_guard garde(verrou_);
  std::FILE* f = fichier_ ? fichier_ : stderr;
  std::fwrite(ligne.constData(), 1, static_cast<size_t>(ligne.size()), f);
  std::fputc('\n', f);
  std::fflush(f);
}

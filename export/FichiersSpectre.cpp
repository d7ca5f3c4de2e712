#include "export/FichiersSpectre.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

#include "export/CsvSpectre.h"
#include "export/Jcamp.h"

namespace {

constexpr char kOctetsBom[] = "\xef\xbb\xbf";

// UTF-8 when the bytes are valid UTF-8, otherwise Latin-1 (older files).
QString Texte(const QByteArray& octets) {
  QByteArray sansBom = octets;
  if (sansBom.startsWith(kOctetsBom)) sansBom.remove(0, 3);
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString texte = utf8(sansBom);
  if (utf8.hasError()) texte = QString::fromLatin1(sansBom);
  return texte;
}

bool EstJcamp(const QByteArray& contenu) {
  QByteArray debut = contenu.left(256);
  if (debut.startsWith(kOctetsBom)) debut.remove(0, 3);
  return debut.trimmed().startsWith("##");
}

bool EstTexteExport(const QByteArray& contenu) {
  const qsizetype fin1 = contenu.indexOf('\n');
  return fin1 >= 0 && contenu.mid(fin1 + 1, 13) == "Spectre Zelor";
}

// Control bytes other than tabs, line and page ends never occur in text.
bool EstBinaire(const QByteArray& contenu) {
  return std::any_of(contenu.begin(), contenu.end(), [](char c) {
    const auto o = static_cast<unsigned char>(c);
    return (o < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || o == 0x7f;
  });
}

}  // namespace

std::optional<FormatSpectre> FormatDuNom(const QString& chemin) {
  const QString suffixe = QFileInfo(chemin).suffix().toLower();
  if (suffixe == "jdx" || suffixe == "dx" || suffixe == "jcm") return FormatSpectre::Jcamp;
  if (suffixe == "csv") return FormatSpectre::Csv;
  if (suffixe == "txt") return FormatSpectre::Texte;
  return std::nullopt;
}

QString SuffixeFormat(FormatSpectre format) {
  switch (format) {
    case FormatSpectre::Jcamp:
      return QStringLiteral(".jdx");
    case FormatSpectre::Csv:
      return QStringLiteral(".csv");
    case FormatSpectre::Texte:
      break;
  }
  return QStringLiteral(".txt");
}

QByteArray ContenuSpectre(const TFichierSpectre& s, FormatSpectre format, const TContexteExport& contexte) {
  if (s.Vide()) return {};
  switch (format) {
    case FormatSpectre::Jcamp:
      return EcritJcamp(s);
    case FormatSpectre::Csv:
      return EcritCsv(s);
    case FormatSpectre::Texte:
      break;
  }
  return EcritTexteExport(s, contexte);
}

bool EcritFichierAtomique(const QString& chemin, const QByteArray& contenu, QString& erreur) {
  QSaveFile fichier(chemin);
  if (!fichier.open(QIODevice::WriteOnly)) {
    erreur = QStringLiteral("impossible de créer %1 : %2").arg(chemin, fichier.errorString());
    return false;
  }
  if (fichier.write(contenu) != contenu.size()) {
    erreur = QStringLiteral("écriture de %1 impossible : %2").arg(chemin, fichier.errorString());
    fichier.cancelWriting();
    return false;
  }
  if (!fichier.commit()) {
    erreur = QStringLiteral("%1 non enregistré : %2").arg(chemin, fichier.errorString());
    return false;
  }
  return true;
}

bool EnregistreSpectre(const QString& chemin, const TFichierSpectre& s, FormatSpectre format,
                       const TContexteExport& contexte, QString& erreur) {
  if (s.Vide()) {
    erreur = QStringLiteral("le spectre est vide : rien à enregistrer");
    return false;
  }
  return EcritFichierAtomique(chemin, ContenuSpectre(s, format, contexte), erreur);
}

TLectureSpectre LitSpectre(const QByteArray& contenu, std::optional<FormatSpectre> indice) {
  if (contenu.trimmed().isEmpty()) return TLectureSpectre::Echec(QStringLiteral("le fichier est vide"));
  if (EstBinaire(contenu)) return TLectureSpectre::Echec(QStringLiteral("fichier binaire, pas un texte"));
  if (EstJcamp(contenu)) return LitJcamp(Texte(contenu));
  if (EstTexteExport(contenu)) return LitTexteExport(contenu);
  if (indice == FormatSpectre::Jcamp) {
    return TLectureSpectre::Echec(ErreurLigne(1, {}, QStringLiteral("un fichier JCAMP-DX commence par ##TITLE=")));
  }
  if (indice == FormatSpectre::Texte) {
    return TLectureSpectre::Echec(ErreurLigne(2, {}, QStringLiteral("« Spectre Zelor » attendu")));
  }
  return LitCsv(Texte(contenu));
}

TLectureSpectre OuvreSpectre(const QString& chemin) {
  QFile fichier(chemin);
  if (!fichier.open(QIODevice::ReadOnly)) {
    return TLectureSpectre::Echec(QStringLiteral("lecture impossible : %1").arg(fichier.errorString()));
  }
  const QByteArray contenu = fichier.read(kTailleMaxFichierSpectre + 1);
  if (contenu.size() > kTailleMaxFichierSpectre) {
    return TLectureSpectre::Echec(
        QStringLiteral("fichier trop gros (plus de %1 Mio)").arg(kTailleMaxFichierSpectre / (1024 * 1024)));
  }
  return LitSpectre(contenu, FormatDuNom(chemin));
}

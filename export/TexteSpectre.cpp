#include "export/TexteSpectre.h"

#include <QList>
#include <QLocale>

#include "graph/TexteMesurial.h"

namespace {

constexpr char kDebutLigne2[] = "Spectre Zelor";
constexpr char kDebutTrailer[] = "&1 NOMX";
// Lines before the data: path, date, comment, axis names, units.
constexpr int kLignesEnTete = 5;

QList<QByteArray> Lignes(const QByteArray& octets) {
  QByteArray t = octets;
  t.replace("\r\n", "\n");
  QList<QByteArray> lignes = t.split('\n');
  // The last line ends like every other: nothing follows it. A last line
  // without its end is a cut file: it is not read.
  lignes.removeLast();
  return lignes;
}

std::optional<double> Nombre(const QByteArray& texte) {
  const double v = TexteVersReel(texte.toStdString());
  if (v != ValeurIndefinie) return v;
  // The export writes a missing value as the marker itself ("1E-26").
  QByteArray t = texte.trimmed();
  t.replace(',', '.');
  bool ok = false;
  const double marqueur = QLocale::c().toDouble(QString::fromLatin1(t), &ok);
  if (ok && marqueur == ValeurIndefinie) return ValeurIndefinie;
  return std::nullopt;
}

}  // namespace

TContexteExport ContexteDuProgramme(const QDateTime& moment) {
  return {CheminExecutableExport(), DateHeureExport(moment), SeparateurUtilisateur()};
}

SpectreExport ExportDe(const TFichierSpectre& s, const TContexteExport& contexte) {
  SpectreExport e;
  e.cheminExecutable = contexte.cheminExecutable;
  e.dateHeure = contexte.dateHeure;
  e.commentaire = OctetsSaisis(s.commentaire).left(kLongueurCommentaireExport);
  if (!s.Vide()) {
    e.premier = static_cast<std::uint16_t>(s.premier);
    e.dernier = static_cast<std::uint16_t>(s.dernier);
  } else {
    e.premier = 1;
    e.dernier = 0;
  }
  e.spectre = s.spectre;
  e.nomParam = OctetsSaisis(s.nomParam);
  e.uniteParam = OctetsSaisis(s.uniteParam);
  e.valeurParam = s.valeurParam;
  e.precision = s.precision;
  e.separateur = contexte.separateur;
  return e;
}

QByteArray EcritTexteExport(const TFichierSpectre& s, const TContexteExport& contexte) {
  return TexteExport(ExportDe(s, contexte));
}

TLectureSpectre LitTexteExport(const QByteArray& octets) {
  const QList<QByteArray> lignes = Lignes(octets);
  auto echec = [](int numero, const QString& pourquoi) { return TLectureSpectre::Echec(ErreurLigne(numero, {}, pourquoi)); };
  if (lignes.size() < kLignesEnTete) return echec(static_cast<int>(lignes.size()) + 1, QStringLiteral("en-tête incomplet : fichier tronqué"));
  if (!lignes[1].startsWith(kDebutLigne2)) return echec(2, QStringLiteral("« Spectre Zelor » attendu"));
  if (!lignes[4].startsWith("nm")) return echec(5, QStringLiteral("« nm » attendu"));

  TFichierSpectre s;
  s.commentaire = VersUnicode(std::string_view(lignes[2].constData(), static_cast<std::size_t>(lignes[2].size())));
  std::vector<std::pair<double, double>> points;
  qsizetype i = kLignesEnTete;
  for (; i < lignes.size() && !lignes[i].isEmpty() && !lignes[i].startsWith('&'); ++i) {
    const QList<QByteArray> champs = lignes[i].split('\t');
    const int numero = static_cast<int>(i + 1);
    bool ok = false;
    const int w = champs[0].toInt(&ok);
    if (!ok || champs.size() != 2) return echec(numero, QStringLiteral("« longueur d'onde TAB absorbance » attendu"));
    const std::optional<double> a = Nombre(champs[1]);
    if (!a) return echec(numero, QStringLiteral("« %1 » n'est pas un nombre").arg(QString::fromLatin1(champs[1])));
    points.emplace_back(w, *a);
  }
  // The parameter block: an empty line, the name, the unit, the value.
  if (i < lignes.size() && lignes[i].isEmpty()) {
    if (i + 3 >= lignes.size()) return echec(static_cast<int>(i + 1), QStringLiteral("paramètre incomplet : fichier tronqué"));
    auto texte = [](const QByteArray& b) { return VersUnicode(std::string_view(b.constData(), static_cast<std::size_t>(b.size()))); };
    s.nomParam = texte(lignes[i + 1]);
    s.uniteParam = texte(lignes[i + 2]);
    const std::optional<double> v = Nombre(lignes[i + 3]);
    if (!v) return echec(static_cast<int>(i + 4), QStringLiteral("valeur du paramètre illisible"));
    s.valeurParam = *v;
    i += 4;
  }
  if (i >= lignes.size() || !lignes[i].startsWith(kDebutTrailer)) {
    return echec(static_cast<int>(i + 1), QStringLiteral("« &1 NOMX » attendu : fichier tronqué ?"));
  }
  if (points.empty()) return TLectureSpectre::Echec(QStringLiteral("aucune ligne de données"));
  TLectureSpectre l;
  if (QString err = PlaceMesures(std::move(points), UniteX::Nanometres, UniteY::Absorbance, s, l.remarques);
      !err.isEmpty()) {
    return TLectureSpectre::Echec(err);
  }
  l.spectre = std::move(s);
  return l;
}

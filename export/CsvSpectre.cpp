#include "export/CsvSpectre.h"

#include <QRegularExpression>
#include <QStringList>

#include <utility>
#include <vector>

#include "export/Jcamp.h"

namespace {

constexpr char kFinLigne[] = "\r\n";
constexpr char kPremiereLigne[] = "# Spectre Zelor";

QString SansGuillemets(QString champ) {
  champ = champ.trimmed();
  if (champ.size() >= 2 && champ.startsWith(QLatin1Char('"')) && champ.endsWith(QLatin1Char('"'))) {
    champ = champ.mid(1, champ.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
  }
  return champ;
}

QChar Separateur(const QString& ligne) {
  if (ligne.contains(QLatin1Char(';'))) return QLatin1Char(';');
  if (ligne.contains(QLatin1Char(','))) return QLatin1Char(',');
  return QLatin1Char('\t');
}

std::optional<double> Nombre(const QString& champ) {
  const double v = TexteVersReel(champ.toStdString());
  if (v == ValeurIndefinie) return std::nullopt;
  return v;
}

}  // namespace

QByteArray EcritCsv(const TFichierSpectre& s) {
  if (s.Vide()) return {};
  const TFaitsEntete faits = FaitsEntete(s);
  QString t = QLatin1String(kPremiereLigne) + QLatin1String(kFinLigne);
  auto fait = [&t](const QString& etiquette, const QString& valeur) {
    t += QStringLiteral("# ") + etiquette + QLatin1Char('=') + valeur + QLatin1String(kFinLigne);
  };
  fait("TITLE", faits.titre);
  for (const TFait& f : faits.description) fait(f.etiquette, f.valeur);
  fait("XUNITS", "NANOMETERS");
  fait("YUNITS", "ABSORBANCE");
  for (const TFait& f : faits.utilisateur) fait(f.etiquette, f.valeur);
  t += QLatin1String(kEnteteColonnesCsv) + QLatin1String(kFinLigne);
  for (int w = s.premier; w <= s.dernier; ++w) {
    t += QString::number(w) + QLatin1Char(',') + TexteValeur(s.precision, s.spectre[w]) + QLatin1String(kFinLigne);
  }
  return t.toUtf8();
}

TLectureSpectre LitCsv(const QString& texte) {
  TFichierSpectre s;
  UniteX ux = UniteX::Nanometres;
  UniteY uy = UniteY::Absorbance;
  std::vector<std::pair<double, double>> points;
  bool entete = false;
  QChar sep;
  const QStringList lignes = texte.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
  for (qsizetype i = 0; i < lignes.size(); ++i) {
    const QString l = lignes[i].trimmed();
    const int numero = static_cast<int>(i + 1);
    auto echec = [numero](const QString& etiquette, const QString& pourquoi) {
      return TLectureSpectre::Echec(ErreurLigne(numero, etiquette, pourquoi));
    };
    if (l.isEmpty()) continue;
    if (l.startsWith(QLatin1Char('#'))) {
      const qsizetype egal = l.indexOf(QLatin1Char('='));
      if (egal < 0) continue;
      const QString etiquette = l.mid(1, egal - 1).trimmed();
      const QString valeur = l.mid(egal + 1);
      const QString norme = EtiquetteNormalisee(etiquette);
      if (norme == QLatin1String("XUNITS")) {
        const auto u = UniteXDe(valeur);
        if (!u) return echec(etiquette, UniteXRefusee(valeur));
        ux = *u;
      } else if (norme == QLatin1String("YUNITS")) {
        const auto u = UniteYDe(valeur);
        if (!u) return echec(etiquette, UniteYRefusee(valeur));
        uy = *u;
      } else {
        QString erreur;
        AppliqueFait(norme, valeur, s, erreur);
        if (!erreur.isEmpty()) return echec(etiquette, erreur);
      }
      continue;
    }
    if (sep.isNull()) sep = Separateur(l);
    const QStringList champs = l.split(sep);
    if (champs.size() < 2) return echec({}, QStringLiteral("deux colonnes attendues (longueur d'onde, absorbance)"));
    const std::optional<double> x = Nombre(SansGuillemets(champs[0]));
    if (!x) {
      // The column names come once, before the data.
      if (!entete && points.empty()) {
        entete = true;
        continue;
      }
      return echec({}, QStringLiteral("« %1 » n'est pas une longueur d'onde").arg(SansGuillemets(champs[0])));
    }
    const QString champY = SansGuillemets(champs[1]);
    std::optional<double> y = champY.isEmpty() ? std::optional<double>(ValeurIndefinie) : Nombre(champY);
    if (!y) return echec({}, QStringLiteral("« %1 » n'est pas un nombre").arg(champY));
    if (static_cast<long>(points.size()) >= kPointsMaxJcamp) {
      return echec({}, QStringLiteral("plus de %1 points").arg(kPointsMaxJcamp));
    }
    points.emplace_back(*x, *y);
  }
  if (points.empty()) return TLectureSpectre::Echec(QStringLiteral("aucune ligne de données"));
  TLectureSpectre l;
  if (QString err = PlaceMesures(std::move(points), ux, uy, s, l.remarques); !err.isEmpty()) {
    return TLectureSpectre::Echec(err);
  }
  l.spectre = std::move(s);
  return l;
}

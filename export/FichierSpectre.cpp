#include "export/FichierSpectre.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

#include "export/ReelVersTexte.h"
#include "graph/TexteMesurial.h"

namespace {

constexpr char kTitreSansCommentaire[] = "Spectre Zelor";
constexpr char kOrigine[] = "zelor (Zelor 1000)";
constexpr char kFormatDate[] = "yyyy/MM/dd HH:mm:ss";
// Abscissas this close to a whole nanometre count as on it (unit
// conversions leave such dust).
constexpr double kToleranceNm = 1e-6;
// Transmittance without a unit that says percent: values above this are
// percents (a fraction only passes 1 by noise).
constexpr double kSeuilPourcent = 1.5;
constexpr int kPrecisionMin = 1;
constexpr int kPrecisionMax = 18;

namespace etiquette {
constexpr char Titre[] = "TITLE";
constexpr char Origine[] = "ORIGIN";
constexpr char Proprietaire[] = "OWNER";
constexpr char Date[] = "LONGDATE";
constexpr char Appareil[] = "SPECTROMETER/DATA SYSTEM";
constexpr char Balayage[] = "$ZELOR SCAN RANGE";
constexpr char Blanc[] = "$ZELOR BASELINE RANGE";
constexpr char Commentaire[] = "$ZELOR COMMENT";
constexpr char NomParam[] = "$ZELOR PARAMETER NAME";
constexpr char UniteParam[] = "$ZELOR PARAMETER UNIT";
constexpr char ValeurParam[] = "$ZELOR PARAMETER VALUE";
constexpr char Precision[] = "$ZELOR PRECISION";
}  // namespace etiquette

// The instrument as "name, N° number, version v".
constexpr char kSepNumero[] = ", N\u00b0 ";
constexpr char kSepVersion[] = ", version ";

// One line of a header: line ends inside a value become blanks.
QString UneLigne(QString texte) {
  texte.replace(QLatin1String("\r\n"), QLatin1String(" "));
  texte.replace(QLatin1Char('\r'), QLatin1Char(' '));
  texte.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return texte;
}

QString TextePlage(const TPlage& p) {
  return QString::number(p.debut) + QLatin1Char(',') + QString::number(p.fin);
}

std::optional<TPlage> PlageDe(const QString& texte) {
  static const QRegularExpression forme(QStringLiteral("^\\s*(-?\\d{1,9})\\s*[,; ]\\s*(-?\\d{1,9})\\s*$"));
  const QRegularExpressionMatch m = forme.match(texte);
  if (!m.hasMatch()) return std::nullopt;
  return TPlage{m.captured(1).toInt(), m.captured(2).toInt()};
}

QString TexteAppareil(const TIdentiteAppareil& a) {
  return a.nom + QString::fromUtf8(kSepNumero) + a.numero + QLatin1String(kSepVersion) + a.version;
}

TIdentiteAppareil AppareilDe(const QString& texte) {
  const QString sepNumero = QString::fromUtf8(kSepNumero);
  const qsizetype n = texte.indexOf(sepNumero);
  const qsizetype v = texte.lastIndexOf(QLatin1String(kSepVersion));
  if (n < 0 || v < n) return {texte.trimmed(), {}, {}};
  return {texte.left(n), texte.mid(n + sepNumero.size(), v - n - sepNumero.size()),
          texte.mid(v + qsizetype(sizeof kSepVersion) - 1)};
}

QString Normalise(QString texte) {
  texte = texte.toUpper();
  texte.remove(QRegularExpression(QStringLiteral("[\\s\\-/_]")));
  return texte;
}

double EnNanometres(double x, UniteX u) {
  switch (u) {
    case UniteX::Micrometres:
      return x * 1000;
    case UniteX::NombreOnde:
      return x > 0 ? 1e7 / x : std::nan("");
    case UniteX::Nanometres:
      break;
  }
  return x;
}

double EnAbsorbance(double y, UniteY u) {
  if (ValeurManquante(y)) return ValeurIndefinie;
  if (u == UniteY::Absorbance) return y;
  const double t = u == UniteY::TransmittancePourcent ? y / 100 : y;
  // No light through: no finite absorbance to draw.
  if (t <= 0) return ValeurIndefinie;
  return -std::log10(t);
}

}  // namespace

bool ValeurManquante(double valeur) {
  return valeur == ValeurIndefinie || !std::isfinite(valeur);
}

bool TFichierSpectre::ParametrePresent() const {
  return !nomParam.isEmpty() && !ValeurManquante(valeurParam);
}

void FixeProvenance(TFichierSpectre& s, std::string_view nom, std::string_view numero, std::string_view version,
                    TPlage balayage, TPlage blanc) {
  s.appareil = {VersUnicode(nom), VersUnicode(numero), VersUnicode(version)};
  s.balayage = balayage;
  s.blanc = blanc;
  s.date = QDateTime::currentDateTime();
  s.proprietaire = qEnvironmentVariable("USER");
}

QString ErreurLigne(int ligne, const QString& etiquette, const QString& pourquoi) {
  QString texte = QStringLiteral("ligne %1").arg(ligne);
  if (!etiquette.isEmpty()) texte += QStringLiteral(" (##%1)").arg(etiquette);
  return texte + QStringLiteral(" : ") + pourquoi;
}

QString TexteValeur(int precision, double valeur) {
  if (ValeurManquante(valeur)) return {};
  return QString::fromStdString(ReelVersTexte(precision, valeur, '.'));
}

TFaitsEntete FaitsEntete(const TFichierSpectre& s) {
  TFaitsEntete f;
  const QString commentaire = UneLigne(s.commentaire);
  f.titre = commentaire.trimmed().isEmpty() ? QString::fromLatin1(kTitreSansCommentaire) : commentaire;
  f.description.push_back({etiquette::Origine, kOrigine});
  f.description.push_back({etiquette::Proprietaire, UneLigne(s.proprietaire)});
  if (s.date.isValid()) f.description.push_back({etiquette::Date, s.date.toString(kFormatDate)});
  if (!s.appareil.Vide()) f.description.push_back({etiquette::Appareil, UneLigne(TexteAppareil(s.appareil))});

  if (s.balayage.Connue()) f.utilisateur.push_back({etiquette::Balayage, TextePlage(s.balayage)});
  if (s.blanc.Connue()) f.utilisateur.push_back({etiquette::Blanc, TextePlage(s.blanc)});
  // Always written, even empty: the title alone would bring back the fixed
  // title as a comment.
  f.utilisateur.push_back({etiquette::Commentaire, commentaire});
  if (!s.nomParam.isEmpty()) f.utilisateur.push_back({etiquette::NomParam, UneLigne(s.nomParam)});
  if (!s.uniteParam.isEmpty()) f.utilisateur.push_back({etiquette::UniteParam, UneLigne(s.uniteParam)});
  if (!ValeurManquante(s.valeurParam)) {
    f.utilisateur.push_back({etiquette::ValeurParam, TexteValeur(s.precision, s.valeurParam)});
  }
  f.utilisateur.push_back({etiquette::Precision, QString::number(s.precision)});
  return f;
}

QString EtiquetteNormalisee(const QString& etiquette) {
  return Normalise(etiquette);
}

bool AppliqueFait(const QString& e, const QString& valeur, TFichierSpectre& s, QString& erreur) {
  auto est = [&e](const char* nom) { return e == Normalise(QString::fromUtf8(nom)); };
  if (est(etiquette::Titre) || est(etiquette::Commentaire)) {
    s.commentaire = valeur.trimmed();
  } else if (est(etiquette::Proprietaire)) {
    s.proprietaire = valeur.trimmed();
  } else if (est(etiquette::Date)) {
    // A date in another form is kept out, not refused: it is only a note.
    s.date = QDateTime::fromString(valeur.trimmed().left(19), kFormatDate);
  } else if (est(etiquette::Appareil)) {
    s.appareil = AppareilDe(valeur.trimmed());
  } else if (est(etiquette::Balayage) || est(etiquette::Blanc)) {
    const std::optional<TPlage> plage = PlageDe(valeur);
    if (!plage) {
      erreur = QStringLiteral("« %1 » n'est pas une plage « début,fin » en nm").arg(valeur.trimmed());
      return true;
    }
    (est(etiquette::Balayage) ? s.balayage : s.blanc) = *plage;
  } else if (est(etiquette::NomParam)) {
    s.nomParam = valeur.trimmed();
  } else if (est(etiquette::UniteParam)) {
    s.uniteParam = valeur.trimmed();
  } else if (est(etiquette::ValeurParam)) {
    s.valeurParam = TexteVersReel(valeur.trimmed().toStdString());
    if (s.valeurParam == ValeurIndefinie) erreur = QStringLiteral("« %1 » n'est pas un nombre").arg(valeur.trimmed());
  } else if (est(etiquette::Precision)) {
    bool ok = false;
    const int p = valeur.trimmed().toInt(&ok);
    if (!ok || p < kPrecisionMin || p > kPrecisionMax) {
      erreur = QStringLiteral("précision « %1 » hors de %2..%3").arg(valeur.trimmed()).arg(kPrecisionMin).arg(kPrecisionMax);
      return true;
    }
    s.precision = p;
  } else {
    return false;
  }
  return true;
}

std::optional<UniteX> UniteXDe(const QString& texte) {
  const QString u = Normalise(texte);
  if (u == "NANOMETERS" || u == "NANOMETER" || u == "NANOMETRES" || u == "NM") return UniteX::Nanometres;
  if (u == "MICROMETERS" || u == "MICROMETER" || u == "MICRONS" || u == "UM" || u == QStringLiteral("\u00b5M") ||
      u == QStringLiteral("\u039cM")) {
    return UniteX::Micrometres;
  }
  if (u == "1CM" || u == "CM1" || u == "CM^1" || u == "WAVENUMBERS" || u == "WAVENUMBER") return UniteX::NombreOnde;
  return std::nullopt;
}

std::optional<UniteY> UniteYDe(const QString& texte) {
  const QString u = Normalise(texte);
  if (u == "ABSORBANCE" || u == "ABS" || u == "A") return UniteY::Absorbance;
  const bool transmittance = u.contains(QLatin1String("TRANSMITTANCE")) || u.contains(QLatin1String("TRANSMISSION")) ||
                             u == "T" || u == "%T";
  if (!transmittance) return std::nullopt;
  if (u.contains(QLatin1Char('%')) || u.contains(QLatin1String("PERCENT"))) return UniteY::TransmittancePourcent;
  return UniteY::TransmittanceAuto;
}

QString UniteXRefusee(const QString& texte) {
  return QStringLiteral("unité « %1 » : nm, µm ou 1/cm attendus").arg(texte.trimmed());
}

QString UniteYRefusee(const QString& texte) {
  return QStringLiteral("unité « %1 » : absorbance ou transmittance attendues").arg(texte.trimmed());
}

QString PlaceMesures(std::vector<std::pair<double, double>> points, UniteX ux, UniteY uy, TFichierSpectre& s,
                     QStringList& remarques) {
  if (points.empty()) return QStringLiteral("aucune donnée");
  if (uy == UniteY::TransmittanceAuto) {
    const bool pourcent = std::any_of(points.begin(), points.end(), [](const auto& p) {
      return !ValeurManquante(p.second) && p.second > kSeuilPourcent;
    });
    uy = pourcent ? UniteY::TransmittancePourcent : UniteY::Transmittance;
  }
  if (uy != UniteY::Absorbance) {
    remarques << (uy == UniteY::TransmittancePourcent
                      ? QStringLiteral("transmittance en % convertie en absorbance (A = 2 − log10 %T)")
                      : QStringLiteral("transmittance convertie en absorbance (A = −log10 T)"));
  }
  if (ux != UniteX::Nanometres) {
    remarques << (ux == UniteX::Micrometres ? QStringLiteral("abscisses en µm converties en nm")
                                            : QStringLiteral("nombres d'onde (1/cm) convertis en nm"));
  }
  for (auto& [x, y] : points) {
    x = EnNanometres(x, ux);
    if (!std::isfinite(x)) return QStringLiteral("abscisse impossible à convertir en nm");
    y = EnAbsorbance(y, uy);
  }
  std::stable_sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  points.erase(std::unique(points.begin(), points.end(), [](const auto& a, const auto& b) {
                 return std::abs(a.first - b.first) <= kToleranceNm;
               }),
               points.end());

  const double xmin = points.front().first;
  const double xmax = points.back().first;
  double bas = std::ceil(xmin - kToleranceNm);
  double haut = std::floor(xmax + kToleranceNm);
  if (haut < bas) {
    return QStringLiteral("aucune longueur d'onde entière entre %1 et %2 nm").arg(xmin).arg(xmax);
  }
  if (bas < 0 || haut > LambdaMaxTable) {
    remarques << QStringLiteral("données hors de 0..%1 nm coupées (fichier : %2 à %3 nm)")
                     .arg(LambdaMaxTable)
                     .arg(xmin, 0, 'f', 1)
                     .arg(xmax, 0, 'f', 1);
    bas = std::max(bas, 0.0);
    haut = std::min(haut, double(LambdaMaxTable));
    if (haut < bas) return QStringLiteral("aucune donnée entre 0 et %1 nm").arg(LambdaMaxTable);
  }

  s.spectre.fill(0);
  s.premier = static_cast<int>(bas);
  s.dernier = static_cast<int>(haut);
  auto j = points.begin();
  for (int w = s.premier; w <= s.dernier; ++w) {
    while (j != points.end() && j->first < w - kToleranceNm) ++j;
    double a = ValeurIndefinie;
    if (j != points.end() && std::abs(j->first - w) <= kToleranceNm) {
      a = j->second;
    } else if (j != points.begin() && j != points.end()) {
      const auto& [x0, y0] = *(j - 1);
      const auto& [x1, y1] = *j;
      if (!ValeurManquante(y0) && !ValeurManquante(y1)) a = y0 + (w - x0) * (y1 - y0) / (x1 - x0);
    }
    s.spectre[w] = a;
  }
  return {};
}

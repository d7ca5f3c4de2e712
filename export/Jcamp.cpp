#include "export/Jcamp.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace {

constexpr char kFinLigne[] = "\r\n";
constexpr int kLargeurLigne = 80;
// An abscissa written on a data line may stray this fraction of DELTAX from
// the one FIRSTX and DELTAX give.
constexpr double kEcartAbscisse = 0.5;
// Two ordinates of a Y check agree within this relative amount.
constexpr double kEcartControle = 1e-9;

// ---------------------------------------------------------------- writer

int ExposantDix(double v) {
  return static_cast<int>(std::floor(std::log10(v)));
}

// 10^k as plain decimal text ("0.001", "1", "100").
QString PuissanceDixTexte(int k) {
  if (k >= 0) return QStringLiteral("1") + QString(k, QLatin1Char('0'));
  return QStringLiteral("0.") + QString(-k - 1, QLatin1Char('0')) + QLatin1Char('1');
}

// The ordinate factor keeps `precision` significant digits of the largest
// value, and never less than the resolution a scan stores (10^-(P-1)).
int ExposantFacteurY(const TFichierSpectre& s) {
  double plusGrand = 0;
  for (int w = s.premier; w <= s.dernier; ++w) {
    if (!ValeurManquante(s.spectre[w])) plusGrand = std::max(plusGrand, std::abs(s.spectre[w]));
  }
  const int resolution = 1 - s.precision;
  if (plusGrand == 0) return resolution;
  return std::min(ExposantDix(plusGrand) + 1 - s.precision, resolution);
}

QString Entier(double y, int exposant) {
  if (ValeurManquante(y)) return QStringLiteral("?");
  return QString::number(std::llround(y * std::pow(10.0, -exposant)));
}

// ---------------------------------------------------------------- reader

struct Enregistrement {
  QString etiquette;   // as written
  QString normalisee;  // for comparison
  QString valeur;      // the text after "=" on the label's line
  int ligne = 0;
  std::vector<std::pair<int, QString>> suite;  // following lines with their numbers
};

QString SansCommentaire(const QString& texte) {
  const qsizetype i = texte.indexOf(QLatin1String("$$"));
  return i < 0 ? texte : texte.left(i);
}

std::optional<double> Nombre(const QString& texte) {
  bool ok = false;
  const double v = QLocale::c().toDouble(SansCommentaire(texte).trimmed(), &ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

// Splits the text into labelled records, up to "##END=".
struct Decoupage {
  std::vector<Enregistrement> enregistrements;
  bool fin = false;
};

Decoupage Decoupe(const QString& texte) {
  Decoupage d;
  const QStringList lignes = texte.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
  for (qsizetype i = 0; i < lignes.size(); ++i) {
    const QString ligne = lignes[i];
    const QString debut = ligne.trimmed();
    const int numero = static_cast<int>(i + 1);
    if (debut.startsWith(QLatin1String("##"))) {
      const qsizetype egal = debut.indexOf(QLatin1Char('='));
      Enregistrement e;
      e.etiquette = (egal < 0 ? debut.mid(2) : debut.mid(2, egal - 2)).trimmed();
      e.normalisee = EtiquetteNormalisee(e.etiquette);
      e.valeur = egal < 0 ? QString() : debut.mid(egal + 1);
      e.ligne = numero;
      if (e.normalisee == QLatin1String("END")) {
        d.fin = true;
        return d;
      }
      d.enregistrements.push_back(std::move(e));
    } else if (!d.enregistrements.empty()) {
      d.enregistrements.back().suite.emplace_back(numero, ligne);
    } else if (!debut.isEmpty() && !debut.startsWith(QLatin1String("$$"))) {
      d.enregistrements.push_back({QString(), QString(), QString(), numero, {}});
      return d;
    }
  }
  return d;
}

// One ordinate token of a compressed data line.
struct Jeton {
  enum Genre { Valeur, Difference, Repetition, Absent } genre;
  double nombre = 0;
};

// Reads the digits that follow a letter of the SQZ, DIF or DUP forms.
double SuiteChiffres(const QString& l, qsizetype& i, int premier) {
  QString chiffres = QString::number(premier);
  while (i < l.size() && (l[i].isDigit() || l[i] == QLatin1Char('.'))) chiffres += l[i++];
  return QLocale::c().toDouble(chiffres);
}

// Tokens of one line; an error text for a character of no form.
QString Jetons(const QString& l, std::vector<Jeton>& jetons) {
  qsizetype i = 0;
  while (i < l.size()) {
    const QChar c = l[i];
    const char a = c.toLatin1();
    if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char(',')) {
      ++i;
    } else if (c.isDigit() || a == '+' || a == '-' || a == '.') {
      // AFFN or PAC: sign, digits, decimals, an exponent "E" followed by a sign.
      qsizetype j = i + 1;
      while (j < l.size() && (l[j].isDigit() || l[j] == QLatin1Char('.'))) ++j;
      if (j + 2 < l.size() && (l[j] == QLatin1Char('E') || l[j] == QLatin1Char('e')) &&
          (l[j + 1] == QLatin1Char('+') || l[j + 1] == QLatin1Char('-')) && l[j + 2].isDigit()) {
        j += 2;
        while (j < l.size() && l[j].isDigit()) ++j;
      }
      bool ok = false;
      const double v = QLocale::c().toDouble(l.mid(i, j - i), &ok);
      if (!ok) return QStringLiteral("nombre « %1 » illisible").arg(l.mid(i, j - i));
      jetons.push_back({Jeton::Valeur, v});
      i = j;
    } else if (a == '?') {
      jetons.push_back({Jeton::Absent, 0});
      ++i;
    } else if (a == '@' || (a >= 'A' && a <= 'I') || (a >= 'a' && a <= 'i')) {
      ++i;
      const int d = a == '@' ? 0 : (a >= 'a' ? a - 'a' + 1 : a - 'A' + 1);
      const double v = SuiteChiffres(l, i, d);
      jetons.push_back({Jeton::Valeur, a >= 'a' ? -v : v});
    } else if (a == '%' || (a >= 'J' && a <= 'R') || (a >= 'j' && a <= 'r')) {
      ++i;
      const int d = a == '%' ? 0 : (a >= 'j' ? a - 'j' + 1 : a - 'J' + 1);
      const double v = SuiteChiffres(l, i, d);
      jetons.push_back({Jeton::Difference, a >= 'j' ? -v : v});
    } else if ((a >= 'S' && a <= 'Z') || a == 's') {
      ++i;
      const int d = a == 's' ? 9 : a - 'S' + 1;
      jetons.push_back({Jeton::Repetition, SuiteChiffres(l, i, d)});
    } else {
      return QStringLiteral("caractère « %1 » inattendu").arg(c);
    }
  }
  return {};
}

struct EnTete {
  double xfacteur = 1, yfacteur = 1;
  std::optional<double> firstx, lastx, deltax;
  std::optional<long> npoints;
};

class LecteurXYData {
 public:
  LecteurXYData(const EnTete& t, const QString& etiquette) : t_(t), etiquette_(etiquette) {}

  // Ordinates of the whole record (before the factor); an error text.
  QString Lit(const std::vector<std::pair<int, QString>>& lignes) {
    for (const auto& [numero, texte] : lignes) {
      const QString l = SansCommentaire(texte).trimmed();
      if (l.isEmpty()) continue;
      if (QString e = Ligne(numero, l); !e.isEmpty()) return ErreurLigne(numero, etiquette_, e);
    }
    return {};
  }
  std::vector<double> y;

 private:
  QString Ligne(int numero, const QString& l) {
    std::vector<Jeton> jetons;
    if (QString e = Jetons(l, jetons); !e.isEmpty()) return e;
    if (jetons.empty() || jetons[0].genre != Jeton::Valeur) return QStringLiteral("abscisse manquante en tête de ligne");
    const double x = jetons[0].nombre * t_.xfacteur;
    const bool controle = finDif_ && !y.empty();
    finDif_ = false;
    // The line's first ordinate sits at this index (the checked one when
    // the line starts with the Y check of the line before).
    const long index = static_cast<long>(y.size()) - (controle ? 1 : 0);
    if (QString e = VerifieAbscisse(x, index); !e.isEmpty()) return e;

    bool premiere = true;
    std::optional<Jeton> precedent;
    for (std::size_t k = 1; k < jetons.size(); ++k) {
      const Jeton& j = jetons[k];
      if (premiere && controle) {
        premiere = false;
        if (j.genre != Jeton::Valeur) return QStringLiteral("contrôle Y attendu en tête de ligne");
        if (std::abs(j.nombre - y.back()) > kEcartControle * std::max(1.0, std::abs(y.back()))) {
          return QStringLiteral("contrôle Y faux : %1 lu, %2 attendu").arg(j.nombre).arg(y.back());
        }
        precedent = j;
        continue;
      }
      premiere = false;
      switch (j.genre) {
        case Jeton::Valeur:
        case Jeton::Absent:
          if (QString e = Ajoute(j.genre == Jeton::Absent ? ValeurIndefinie : j.nombre); !e.isEmpty()) return e;
          break;
        case Jeton::Difference:
          if (y.empty() || y.back() == ValeurIndefinie) return QStringLiteral("différence sans valeur qui la précède");
          if (QString e = Ajoute(y.back() + j.nombre); !e.isEmpty()) return e;
          break;
        case Jeton::Repetition: {
          if (!precedent || precedent->genre == Jeton::Repetition) return QStringLiteral("répétition sans valeur qui la précède");
          const double fois = j.nombre - 1;
          if (fois < 0 || fois > double(t_.npoints.value_or(kPointsMaxJcamp))) {
            return QStringLiteral("répétition de %1 fois hors limites").arg(j.nombre);
          }
          for (long n = 0; n < static_cast<long>(fois); ++n) {
            const double v = precedent->genre == Jeton::Difference ? y.back() + precedent->nombre : y.back();
            if (QString e = Ajoute(v); !e.isEmpty()) return e;
          }
          break;
        }
      }
      if (j.genre != Jeton::Repetition) precedent = j;
    }
    finDif_ = precedent && precedent->genre == Jeton::Difference;
    (void)numero;
    return {};
  }

  QString Ajoute(double v) {
    if (static_cast<long>(y.size()) >= t_.npoints.value_or(kPointsMaxJcamp)) {
      return QStringLiteral("plus de valeurs que ##NPOINTS=%1").arg(t_.npoints.value_or(kPointsMaxJcamp));
    }
    y.push_back(v);
    return {};
  }

  QString VerifieAbscisse(double x, long index) const {
    const double pas = Pas(t_);
    const double attendu = *t_.firstx + index * pas;
    const double tolerance = pas == 0 ? 1e-9 : kEcartAbscisse * std::abs(pas);
    if (std::abs(x - attendu) > tolerance) {
      return QStringLiteral("abscisse %1 au lieu de %2").arg(x).arg(attendu);
    }
    return {};
  }

 public:
  static double Pas(const EnTete& t) {
    if (*t.npoints > 1) return (*t.lastx - *t.firstx) / double(*t.npoints - 1);
    return t.deltax.value_or(0);
  }

 private:
  const EnTete& t_;
  QString etiquette_;
  bool finDif_ = false;
};

// Pairs "x, y" separated by ";" or line ends.
QString LitXYPoints(const Enregistrement& e, const EnTete& t, std::vector<std::pair<double, double>>& points) {
  std::vector<double> nombres;
  for (const auto& [numero, texte] : e.suite) {
    QString l = SansCommentaire(texte);
    l.replace(QLatin1Char(';'), QLatin1Char(' '));
    std::vector<Jeton> jetons;
    if (QString err = Jetons(l, jetons); !err.isEmpty()) return ErreurLigne(numero, e.etiquette, err);
    for (const Jeton& j : jetons) {
      if (j.genre == Jeton::Difference || j.genre == Jeton::Repetition) {
        return ErreurLigne(numero, e.etiquette, QStringLiteral("forme DIF ou DUP dans des couples x, y"));
      }
      if (static_cast<long>(nombres.size()) >= 2 * kPointsMaxJcamp) {
        return ErreurLigne(numero, e.etiquette, QStringLiteral("plus de %1 points").arg(kPointsMaxJcamp));
      }
      nombres.push_back(j.genre == Jeton::Absent ? ValeurIndefinie : j.nombre);
    }
  }
  if (nombres.size() % 2 != 0) return ErreurLigne(e.ligne, e.etiquette, QStringLiteral("couple x, y incomplet"));
  for (std::size_t i = 0; i < nombres.size(); i += 2) {
    if (nombres[i] == ValeurIndefinie) return ErreurLigne(e.ligne, e.etiquette, QStringLiteral("abscisse manquante"));
    const double y = nombres[i + 1] == ValeurIndefinie ? ValeurIndefinie : nombres[i + 1] * t.yfacteur;
    points.emplace_back(nombres[i] * t.xfacteur, y);
  }
  if (t.npoints && static_cast<long>(points.size()) != *t.npoints) {
    return ErreurLigne(e.ligne, e.etiquette,
                       QStringLiteral("##NPOINTS=%1 mais %2 points lus").arg(*t.npoints).arg(points.size()));
  }
  return {};
}

bool Est(const Enregistrement& e, const char* nom) {
  return e.normalisee == QLatin1String(nom);
}

}  // namespace

QByteArray EcritJcamp(const TFichierSpectre& s) {
  if (s.Vide()) return {};
  const TFaitsEntete faits = FaitsEntete(s);
  const int exposant = ExposantFacteurY(s);
  const int n = s.dernier - s.premier + 1;
  QString t;
  auto ligne = [&t](const QString& etiquette, const QString& valeur) {
    t += QStringLiteral("##") + etiquette + QLatin1Char('=') + valeur + QLatin1String(kFinLigne);
  };
  ligne("TITLE", faits.titre);
  ligne("JCAMP-DX", "5.01");
  ligne("DATA TYPE", "UV/VIS SPECTRUM");
  for (const TFait& f : faits.description) ligne(f.etiquette, f.valeur);
  ligne("XUNITS", "NANOMETERS");
  ligne("YUNITS", "ABSORBANCE");
  ligne("XFACTOR", "1");
  ligne("YFACTOR", PuissanceDixTexte(exposant));
  ligne("FIRSTX", QString::number(s.premier));
  ligne("LASTX", QString::number(s.dernier));
  ligne("DELTAX", "1");
  ligne("NPOINTS", QString::number(n));
  if (!ValeurManquante(s.spectre[s.premier])) ligne("FIRSTY", TexteValeur(s.precision, s.spectre[s.premier]));
  for (const TFait& f : faits.utilisateur) ligne(f.etiquette, f.valeur);
  ligne("XYDATA", "(X++(Y..Y))");
  QString courante;
  for (int w = s.premier; w <= s.dernier; ++w) {
    const QString y = Entier(s.spectre[w], exposant);
    if (courante.isEmpty()) {
      courante = QString::number(w);
    } else if (courante.size() + 1 + y.size() > kLargeurLigne) {
      t += courante + QLatin1String(kFinLigne);
      courante = QString::number(w);
    }
    courante += QLatin1Char(' ') + y;
  }
  t += courante + QLatin1String(kFinLigne);
  ligne("END", "");
  return t.toUtf8();
}

TLectureSpectre LitJcamp(const QString& texte) {
  const Decoupage d = Decoupe(texte);
  const auto& e = d.enregistrements;
  if (e.empty() || !Est(e.front(), "TITLE")) {
    return TLectureSpectre::Echec(
        ErreurLigne(e.empty() ? 1 : e.front().ligne, {}, QStringLiteral("un fichier JCAMP-DX commence par ##TITLE=")));
  }
  if (e.size() < 2 || !Est(e[1], "JCAMPDX")) {
    return TLectureSpectre::Echec(ErreurLigne(e.size() < 2 ? e.front().ligne : e[1].ligne, {},
                                              QStringLiteral("##JCAMP-DX= attendu en deuxième ligne")));
  }
  if (!d.fin) return TLectureSpectre::Echec(QStringLiteral("##END= manquant : fichier tronqué"));

  TFichierSpectre s;
  EnTete t;
  std::optional<UniteX> ux;
  std::optional<UniteY> uy;
  const Enregistrement* donnees = nullptr;
  for (const Enregistrement& r : e) {
    // Data lines and numbers lose their "$$" comments; titles and user
    // labels are kept whole.
    const QString valeur = r.normalisee.startsWith(QLatin1Char('$')) || Est(r, "TITLE") ? r.valeur : SansCommentaire(r.valeur);
    auto echec = [&r](const QString& pourquoi) { return TLectureSpectre::Echec(ErreurLigne(r.ligne, r.etiquette, pourquoi)); };
    auto nombre = [&](std::optional<double>& champ) {
      champ = Nombre(valeur);
      return champ.has_value();
    };
    if (&r != &e.front() && Est(r, "TITLE")) return echec(QStringLiteral("fichier à plusieurs blocs : un seul spectre est lu"));
    if (Est(r, "BLOCKS") || Est(r, "NTUPLES") || Est(r, "PEAKTABLE") || Est(r, "PEAKASSIGNMENTS")) {
      return echec(QStringLiteral("seul un spectre continu (##XYDATA ou ##XYPOINTS) est lu"));
    }
    if (Est(r, "DATATYPE") && valeur.contains(QLatin1String("LINK"), Qt::CaseInsensitive)) {
      return echec(QStringLiteral("fichier de liens : un seul spectre est lu"));
    }
    if (Est(r, "XUNITS")) {
      ux = UniteXDe(valeur);
      if (!ux) return echec(UniteXRefusee(valeur));
    } else if (Est(r, "YUNITS")) {
      uy = UniteYDe(valeur);
      if (!uy) return echec(UniteYRefusee(valeur));
    } else if (Est(r, "XFACTOR") || Est(r, "YFACTOR")) {
      std::optional<double> f;
      if (!nombre(f) || *f == 0) return echec(QStringLiteral("facteur « %1 » illisible").arg(valeur.trimmed()));
      (Est(r, "XFACTOR") ? t.xfacteur : t.yfacteur) = *f;
    } else if (Est(r, "FIRSTX") || Est(r, "LASTX") || Est(r, "DELTAX")) {
      std::optional<double>& champ = Est(r, "FIRSTX") ? t.firstx : Est(r, "LASTX") ? t.lastx : t.deltax;
      if (!nombre(champ)) return echec(QStringLiteral("« %1 » n'est pas un nombre").arg(valeur.trimmed()));
    } else if (Est(r, "NPOINTS")) {
      std::optional<double> n;
      if (!nombre(n) || *n < 1 || *n != std::floor(*n)) {
        return echec(QStringLiteral("« %1 » n'est pas un nombre de points").arg(valeur.trimmed()));
      }
      if (*n > kPointsMaxJcamp) return echec(QStringLiteral("plus de %1 points").arg(kPointsMaxJcamp));
      t.npoints = static_cast<long>(*n);
    } else if (Est(r, "XYDATA") || Est(r, "XYPOINTS")) {
      if (donnees != nullptr) return echec(QStringLiteral("un seul tableau de données est lu"));
      const QString forme = EtiquetteNormalisee(valeur);
      const bool ok = Est(r, "XYDATA") ? forme == QLatin1String("(X++(Y..Y))") : forme == QLatin1String("(XY..XY)");
      if (!ok) return echec(QStringLiteral("forme « %1 » non lue").arg(valeur.trimmed()));
      donnees = &r;
    } else {
      QString erreur;
      AppliqueFait(r.normalisee, valeur, s, erreur);
      if (!erreur.isEmpty()) return echec(erreur);
    }
  }
  const int ligneFin = e.back().ligne;
  if (donnees == nullptr) return TLectureSpectre::Echec(ErreurLigne(ligneFin, {}, QStringLiteral("ni ##XYDATA ni ##XYPOINTS")));
  if (!ux) return TLectureSpectre::Echec(ErreurLigne(donnees->ligne, QStringLiteral("XUNITS"), QStringLiteral("manquant")));
  if (!uy) return TLectureSpectre::Echec(ErreurLigne(donnees->ligne, QStringLiteral("YUNITS"), QStringLiteral("manquant")));

  std::vector<std::pair<double, double>> points;
  if (Est(*donnees, "XYPOINTS")) {
    if (QString err = LitXYPoints(*donnees, t, points); !err.isEmpty()) return TLectureSpectre::Echec(err);
  } else {
    for (const char* requis : {"FIRSTX", "LASTX", "NPOINTS"}) {
      const bool present = QLatin1String(requis) == QLatin1String("FIRSTX")  ? t.firstx.has_value()
                           : QLatin1String(requis) == QLatin1String("LASTX") ? t.lastx.has_value()
                                                                              : t.npoints.has_value();
      if (!present) {
        return TLectureSpectre::Echec(ErreurLigne(donnees->ligne, donnees->etiquette,
                                                  QStringLiteral("##%1= manquant avant les données").arg(requis)));
      }
    }
    LecteurXYData lecteur(t, donnees->etiquette);
    if (QString err = lecteur.Lit(donnees->suite); !err.isEmpty()) return TLectureSpectre::Echec(err);
    if (static_cast<long>(lecteur.y.size()) != *t.npoints) {
      return TLectureSpectre::Echec(ErreurLigne(
          donnees->ligne, donnees->etiquette,
          QStringLiteral("##NPOINTS=%1 mais %2 valeurs lues").arg(*t.npoints).arg(lecteur.y.size())));
    }
    const double pas = LecteurXYData::Pas(t);
    for (std::size_t i = 0; i < lecteur.y.size(); ++i) {
      const double y = lecteur.y[i] == ValeurIndefinie ? ValeurIndefinie : lecteur.y[i] * t.yfacteur;
      points.emplace_back(*t.firstx + double(i) * pas, y);
    }
  }
  TLectureSpectre l;
  if (QString err = PlaceMesures(std::move(points), *ux, *uy, s, l.remarques); !err.isEmpty()) {
    return TLectureSpectre::Echec(ErreurLigne(donnees->ligne, donnees->etiquette, err));
  }
  l.spectre = std::move(s);
  return l;
}

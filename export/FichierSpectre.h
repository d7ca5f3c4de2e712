// A spectrum as it is kept in a file: absorbance per nanometre with its range,
// the comment, the user parameter, the instrument and the ranges of the scan
// and of its baseline. Shared by the JCAMP-DX, CSV and export text formats;
// no widgets, so a program without windows reads and writes the same files.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Labutil.h"

// Wavelengths 0..1024 nm, as in the graph's tables.
inline constexpr int kNbLongueursOnde = LambdaMaxTable + 1;

struct TIdentiteAppareil {
  QString nom;
  QString numero;
  QString version;
  bool Vide() const { return nom.isEmpty() && numero.isEmpty() && version.isEmpty(); }
};

// A range of whole nanometres; 0..0 when unknown.
struct TPlage {
  int debut = 0;
  int fin = 0;
  bool Connue() const { return debut != 0 || fin != 0; }
};

struct TFichierSpectre {
  std::array<double, kNbLongueursOnde> spectre{};  // index = wavelength in nm
  int premier = 0;
  int dernier = -1;  // below `premier`: no data
  QString commentaire;
  QString nomParam;
  QString uniteParam;
  double valeurParam = ValeurIndefinie;  // ValeurIndefinie: no parameter value
  TIdentiteAppareil appareil;
  TPlage balayage;  // the scan's bounds as chosen
  TPlage blanc;     // the baseline's bounds
  QDateTime date;   // when it was measured or written
  QString proprietaire;
  int precision = 4;  // significant digits of the values written

  bool Vide() const { return dernier < premier; }
  // A parameter goes out with a name and a value, as in the export text.
  bool ParametrePresent() const;
};

// Where a spectrum measured now comes from: the instrument's own answers
// (8-bit, the program's characters), the scan's and the baseline's bounds,
// the present time and the user.
void FixeProvenance(TFichierSpectre& s, std::string_view nom, std::string_view numero, std::string_view version,
                    TPlage balayage, TPlage blanc);

// What reading a file gives: the spectrum, or why not (French, with the line
// and the label at fault); notes on what was changed on the way (data cut at
// the table's ends, units converted).
struct TLectureSpectre {
  std::optional<TFichierSpectre> spectre;
  QString erreur;
  QStringList remarques;

  static TLectureSpectre Echec(QString pourquoi) {
    TLectureSpectre l;
    l.erreur = std::move(pourquoi);
    return l;
  }
};

// "ligne 12 (##XYDATA) : pourquoi"; the label part is left out when empty.
QString ErreurLigne(int ligne, const QString& etiquette, const QString& pourquoi);

// --- Header facts, one list for the JCAMP-DX header and the CSV "#" lines ---

struct TFait {
  QString etiquette;  // as written, without "##"
  QString valeur;
};

struct TFaitsEntete {
  QString titre;                   // the comment, or a fixed title without one
  std::vector<TFait> description;  // origin, owner, date, instrument
  std::vector<TFait> utilisateur;  // "$ZELOR ..." labels: ranges, comment, parameter, precision
};

// The facts that describe the spectrum, in the order they are written,
// without the data description (units, factors, counts).
TFaitsEntete FaitsEntete(const TFichierSpectre& s);

// A label compared the JCAMP-DX way: upper case, without blanks, "-", "/", "_".
QString EtiquetteNormalisee(const QString& etiquette);

// Takes one fact back into `s` when its label is one of FaitsEntete's;
// returns false for any other label. `erreur` is set for a known label whose
// value cannot be used.
bool AppliqueFait(const QString& etiquetteNormalisee, const QString& valeur, TFichierSpectre& s,
                  QString& erreur);

// --- From read points to the 1 nm table ---

enum class UniteX { Nanometres, Micrometres, NombreOnde };
enum class UniteY { Absorbance, Transmittance, TransmittancePourcent, TransmittanceAuto };

// Unit names as the files write them; nullopt for an unknown one.
std::optional<UniteX> UniteXDe(const QString& texte);
std::optional<UniteY> UniteYDe(const QString& texte);
// Why a unit name was refused, the same for every format (French).
QString UniteXRefusee(const QString& texte);
QString UniteYRefusee(const QString& texte);

// Read points (x in `ux`, y in `uy`; ValeurIndefinie for a missing y) turned
// into nanometres and absorbance, then interpolated linearly to every whole
// nanometre between the first and the last point. A missing value next to a
// wavelength leaves it missing. Data outside 0..1024 nm are cut and said in
// `remarques`. Returns an error text, empty on success.
QString PlaceMesures(std::vector<std::pair<double, double>> points, UniteX ux, UniteY uy, TFichierSpectre& s,
                     QStringList& remarques);

// ValeurIndefinie, an infinity or a NaN: no reading to write or draw.
bool ValeurManquante(double valeur);

// The value as the export writes it ("." as decimal point); empty for a
// missing or non-finite value.
QString TexteValeur(int precision, double valeur);

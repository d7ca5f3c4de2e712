#include "instrument/Cfgspect.h"

#include "app/Labutil.h"
#include "platform/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

constexpr std::string_view SectionSpectro = "Spectro";
constexpr std::string_view SectionBlanc = "Blanc";
// The folder last used to save or open a spectrum, in a section of its own.
constexpr std::string_view SectionFichiers = "Fichiers";
constexpr std::string_view CleDossier = "Dossier";

// Read for a missing baseline key; written for a wavelength without value.
constexpr double BlancAbsent = -10;
// Below this a stored baseline value means "no value".
constexpr double SeuilBlancAbsent = -5;
// No absorbance the instrument reports comes near this; a larger stored
// value is garbage and would wreck every reading it is subtracted from.
constexpr double BlancMaximal = 1000;

constexpr int PasMaxMaximal = LambdaMaxTable;
constexpr int ChiffresMaximaux = 18;
// Range taken when the file's top wavelength is not above its bottom one.
constexpr int EtendueParDefaut = 500;
constexpr int ChiffresReel = 15;

double LitReel(const IniFile& ini, std::string_view cle, double defaut) {
  const auto texte = ini.ReadString(SectionSpectro, cle);
  if (!texte) return defaut;
  const double valeur = TexteVersReel(*texte);
  return valeur == ValeurIndefinie ? defaut : valeur;
}

std::int32_t LitEntier(const IniFile& ini, std::string_view cle, std::int32_t defaut) {
  return ini.ReadInteger(SectionSpectro, cle, defaut);
}

std::uint8_t LitOctet(const IniFile& ini, std::string_view cle, std::uint8_t defaut) {
  return static_cast<std::uint8_t>(LitEntier(ini, cle, defaut) & 0xFF);
}

std::uint16_t LitMot(const IniFile& ini, std::string_view cle, std::uint16_t defaut) {
  return static_cast<std::uint16_t>(LitEntier(ini, cle, defaut) & 0xFFFF);
}

bool LitBooleen(const IniFile& ini, std::string_view cle, bool defaut) {
  return LitEntier(ini, cle, defaut ? 1 : 0) != 0;
}

std::string LitCommande(const IniFile& ini, std::string_view cle, const std::string& defaut) {
  return CoupeChaine(ini.ReadString(SectionSpectro, cle, defaut), LongueurCommande);
}

TParite LitParite(const IniFile& ini, TParite defaut) {
  const auto code = LitEntier(ini, "Parity", static_cast<std::int32_t>(defaut));
  if (code < 0 || code > static_cast<std::int32_t>(TParite::Espace)) return defaut;
  return static_cast<TParite>(code);
}

double LitValeurBlanc(const IniFile& ini, int lambda) {
  const auto texte = ini.ReadString(SectionBlanc, std::to_string(lambda));
  const double valeur = texte ? TexteVersReel(*texte) : BlancAbsent;
  if (valeur == ValeurIndefinie || valeur < SeuilBlancAbsent || valeur > BlancMaximal) return ValeurIndefinie;
  return valeur;
}

// The baseline loops index the table from MiniL to MaxiL: bounds beyond the
// table (a file value, an instrument's range) are cut to it.
int PremierIndexBlanc(std::int32_t miniL) {
  return std::clamp(miniL, 0, LambdaMaxTable);
}
int DernierIndexBlanc(std::int32_t maxiL) {
  return std::clamp(maxiL, -1, LambdaMaxTable);
}

}  // namespace

std::string CoupeChaine(std::string_view texte, std::size_t capacite) {
  return std::string(texte.substr(0, capacite));
}

std::string ReelVersIni(double valeur) {
  char tampon[64];
  const auto [fin, erreur] =
      std::to_chars(tampon, tampon + sizeof tampon, valeur, std::chars_format::general, ChiffresReel);
  if (erreur != std::errc()) return "0";
  return std::string(tampon, fin);
}

Tspectro::Tspectro() {
  Blanc.fill(0);
  Blanc[0] = Blanc[1] = Blanc[2] = ValeurIndefinie;
}

void Tspectro::LitIni() {
  LitIni(NomFichierIni());
}

void Tspectro::LitIni(const QString& fichier) {
  IniFile ini;
  ini.Load(fichier);  // a missing file reads as an empty one
  const Tspectro d;   // the built-in defaults

  Precision = std::clamp(LitEntier(ini, "Precision", d.Precision), 1, ChiffresMaximaux);
  NbreDecimales = std::clamp(LitEntier(ini, "NbreDecimales", d.NbreDecimales), 0, ChiffresMaximaux);
  MiniA = LitReel(ini, "MiniA", d.MiniA);
  MaxiA = LitReel(ini, "MaxiA", d.MaxiA);
  MiniL = std::clamp(LitEntier(ini, "MiniL", d.MiniL), 0, LambdaMaxTable - 1);
  MaxiL = LitEntier(ini, "MaxiL", d.MaxiL);
  if (MaxiL <= MiniL) MaxiL = MiniL + EtendueParDefaut;
  MaxiL = std::min(MaxiL, LambdaMaxTable);
  PasMax = std::clamp(LitEntier(ini, "PasMax", d.PasMax), 1, PasMaxMaximal);
  Yseconde = LitReel(ini, "Yseconde", d.Yseconde);
  BlancDebut = LitEntier(ini, "BlancDebut", d.BlancDebut);
  BlancFin = LitEntier(ini, "BlancFin", d.BlancFin);
  Debut = LitEntier(ini, "Debut", d.Debut);
  Fin = LitEntier(ini, "Fin", d.Fin);
  Com = LitMot(ini, "Com", d.Com);
  Baud = LitEntier(ini, "Baud", d.Baud);
  DataBits = LitMot(ini, "DataBits", d.DataBits);
  Parity = LitParite(ini, d.Parity);
  StopBits = LitMot(ini, "StopBits", d.StopBits);
  RTS = LitBooleen(ini, "RTS", d.RTS);
  XonXoff = LitBooleen(ini, "XonXoff", d.XonXoff);
  SetL = LitCommande(ini, "SetL", d.SetL);
  GetL = LitCommande(ini, "GetL", d.GetL);
  GetLmini = LitCommande(ini, "GetLmini", d.GetLmini);
  GetLmaxi = LitCommande(ini, "GetLmaxi", d.GetLmaxi);
  AckCommande = LitOctet(ini, "AckCommande", d.AckCommande);
  FinMessage = LitOctet(ini, "FinMessage", d.FinMessage);
  FinCommande = LitOctet(ini, "FinCommande", d.FinCommande);
  DebutMessage = LitOctet(ini, "DebutMessage", d.DebutMessage);
  GetAbs = LitCommande(ini, "GetAbs", d.GetAbs);
  AutoZero = LitCommande(ini, "AutoZero", d.AutoZero);
  AffAbs = LitCommande(ini, "AffAbs", d.AffAbs);
  AffT = LitCommande(ini, "AffT", d.AffT);
  AffLambda = LitCommande(ini, "AffLambda", d.AffLambda);
  Reset = LitOctet(ini, "Reset", d.Reset);
  Status = LitCommande(ini, "Status", d.Status);
  GetNom = LitCommande(ini, "GetNom", d.GetNom);
  GetVersion = LitCommande(ini, "GetVersion", d.GetVersion);
  GetNumero = LitCommande(ini, "GetNumero", d.GetNumero);
  TimeOutTxt = LitMot(ini, "TimeOutTxt", d.TimeOutTxt);
  TimeOutCtrl = LitMot(ini, "TimeOutCtrl", d.TimeOutCtrl);

  LitBlanc(ini);
  DossierFichiers = ini.ReadString(SectionFichiers, CleDossier, "");
}

void Tspectro::LitBlanc(const QString& fichier) {
  IniFile ini;
  ini.Load(fichier);
  LitBlanc(ini);
}

void Tspectro::LitBlanc(const IniFile& ini) {
  for (int lambda = PremierIndexBlanc(MiniL); lambda <= DernierIndexBlanc(MaxiL); ++lambda) {
    Blanc[lambda] = LitValeurBlanc(ini, lambda);
  }
}

bool Tspectro::EcritIni() const {
  return EcritIni(NomFichierIni());
}

bool Tspectro::EcritIni(const QString& fichier) const {
  IniFile ini;
  // A file that exists but cannot be read must not be replaced by the few
  // keys written here: everything else in it would be lost.
  if (!ini.Load(fichier) && QFileInfo::exists(fichier)) {
    std::fprintf(stderr, "zelor : fichier de configuration %s illisible, il n'a pas été enregistré\n",
                 qUtf8Printable(fichier));
    return false;
  }
  ini.WriteInteger(SectionSpectro, "Com", Com);
  ini.WriteInteger(SectionSpectro, "BlancDebut", BlancDebut);
  ini.WriteInteger(SectionSpectro, "BlancFin", BlancFin);
  ini.WriteInteger(SectionSpectro, "Debut", Debut);
  ini.WriteInteger(SectionSpectro, "Fin", Fin);
  for (int lambda = PremierIndexBlanc(MiniL); lambda <= DernierIndexBlanc(MaxiL); ++lambda) {
    const double valeur = Blanc[lambda];
    const bool absent = valeur == ValeurIndefinie || !std::isfinite(valeur);
    ini.WriteString(SectionBlanc, std::to_string(lambda), ReelVersIni(absent ? BlancAbsent : valeur));
  }
  if (!DossierFichiers.empty()) ini.WriteString(SectionFichiers, CleDossier, DossierFichiers);
  if (!ini.Save(fichier)) {
    std::fprintf(stderr, "zelor : le fichier de configuration %s n'a pas été enregistré\n",
                 qUtf8Printable(fichier));
    return false;
  }
  return true;
}

Tspectro& Spectro() {
  // Never destroyed: windows and handlers may still read it while the
  // process ends.
  static Tspectro* const instance = new Tspectro;
  return *instance;
}

QString NomFichierIniPour(const QString& executable) {
  const QFileInfo info(executable);
  const QString nom = info.fileName();
  const auto point = nom.lastIndexOf(u'.');
  const QString base = point > 0 ? nom.left(point) : nom;
  return info.dir().filePath(base + QStringLiteral(".INI"));
}

QString NomFichierIni() {
  const QString impose = qEnvironmentVariable("ZELOR_INI");
  if (!impose.isEmpty()) return QFileInfo(impose).absoluteFilePath();
  return NomFichierIniPour(QCoreApplication::applicationFilePath());
}

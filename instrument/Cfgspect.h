// Everything the program knows about the instrument and its serial line,
// loaded from the configuration file at start-up and partly written back at
// exit.
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/Labutil.h"  // LambdaMaxTable

// Capacities of the program's short strings: command strings and other texts.
inline constexpr std::size_t LongueurCommande = 20;
inline constexpr std::size_t LongueurChaine = 255;

// The wavelength tables (baseline, spectrum) are indexed by nanometre.
inline constexpr std::size_t TailleTableLambda = LambdaMaxTable + 1;

// Cuts a text to the capacity of a short string.
std::string CoupeChaine(std::string_view texte, std::size_t capacite);

class IniFile;

enum class TParite : std::uint8_t { Aucune = 0, Impaire = 1, Paire = 2, Marque = 3, Espace = 4 };

class Tspectro {
 public:
  Tspectro();

  // Reads the configuration file into the fields; a missing file or a bad
  // value gives the defaults, and every value ends in a range the program
  // can work with.
  void LitIni();
  void LitIni(const QString& fichier);
  // Reads the stored baseline again for the current MiniL..MaxiL (the
  // identified instrument's range rather than the file's keys); a wavelength
  // the file holds no value for becomes ValeurIndefinie.
  void LitBlanc(const QString& fichier);

  // Writes "Com", the last ranges and the baseline back, keeping everything
  // else of the file. Returns false (after one line on standard error) when
  // the file could not be saved; the previous file then stays as it was.
  bool EcritIni() const;
  bool EcritIni(const QString& fichier) const;

  // The first run of number characters ("+-.0123456789Ee") of an instrument
  // reply, converted; ValeurIndefinie when it does not convert.
  double ExtraitNombre(std::string_view reponse) const;
  // Decodes an absorbance reply: "UNDER" gives MiniA, "OVER" MaxiA, "***"
  // ValeurIndefinie, all three false; true only for a real reading.
  bool DecodeMesure(std::string_view reponse, double& valeur) const;

 private:
  void LitBlanc(const IniFile& ini);

 public:
  std::int32_t BlancDebut = 400;
  std::int32_t BlancFin = 800;
  std::int32_t Debut = 400;
  std::int32_t Fin = 800;
  std::int32_t PasMax = 16;
  std::array<double, TailleTableLambda> Blanc{};
  double MiniA = -0.3;
  double MaxiA = 3;
  std::int32_t MiniL = 0;
  std::int32_t MaxiL = 1;
  std::int32_t Precision = 4;
  std::int32_t NbreDecimales = 1;
  double Yseconde = 0.002;
  std::uint16_t Com = 1;
  std::int32_t Baud = 9600;
  TParite Parity = TParite::Paire;
  std::uint16_t DataBits = 7;
  std::uint16_t StopBits = 2;
  bool RTS = true;
  bool XonXoff = false;
  std::string Status = "?RPS";
  std::string GetNom = "?RPTi";
  std::string GetNumero = "?RPTN";
  std::string GetVersion = "?RPTV";
  std::string GetAbs = "?RPTA";
  std::string GetL = "?RPTL";
  std::string SetL = "?GTO";
  std::string GetLmini = "?RPTl";
  std::string GetLmaxi = "?RPTu";
  std::string AutoZero = "?AZO";
  std::string AffLambda = "?RNGnm";
  std::string AffAbs = "?RNGA";
  std::string AffT = "?RNG%T";
  std::uint8_t Reset = 64;
  std::uint8_t FinMessage = 3;
  std::uint8_t DebutMessage = 2;
  std::uint8_t FinCommande = 13;
  std::uint8_t AckCommande = 6;
  std::int32_t DebutReponse = 4;
  std::uint16_t TimeOutTxt = 5;
  std::uint16_t TimeOutCtrl = 9;
  // Folder of the last spectrum file saved or opened (UTF-8); empty until then.
  std::string DossierFichiers;
};

// The program's single configuration, created on first use at start-up and
// kept until the process ends.
Tspectro& Spectro();

// The configuration file: ZELOR_INI when set, otherwise the executable's path
// with its extension replaced by ".INI".
QString NomFichierIni();
QString NomFichierIniPour(const QString& executable);

// A float as the file holds it: general format, up to 15 significant digits,
// "." whatever the locale.
std::string ReelVersIni(double valeur);

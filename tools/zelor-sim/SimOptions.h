// Settings of the instrument simulator: what it reports, how it moves, how the
// line behaves and which faults it injects. Filled from the command line by
// LitOptions, or directly by tests that run a simulator in-process.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

enum class TCuvette { Blanc, Echantillon };

struct TPlageNm {
  double debut = 0;
  double fin = 0;
  bool Contient(double nm) const { return nm >= debut && nm <= fin; }
};

struct TSimOptions {
  // Identification.
  QString numero = "12345";
  QString nom = "ZELOR 1000";
  QString version = "2.10";
  int lambdaMini = 190;
  int lambdaMaxi = 1100;

  // Monochromator.
  double lambdaDepart = 500;
  double msParNm = 0.5;
  int busyMs = 0;

  // Readings.
  TCuvette cuvette = TCuvette::Blanc;
  double bruit = 0.0005;
  std::optional<std::uint64_t> graine;
  std::optional<TPlageNm> plageInvalide;
  // Absorbances above this read "OVER" (the instrument's own limit by default).
  double surGamme = 3.0;

  // Line.
  int baud = 9600;
  bool rapide = false;

  // Faults.
  bool silencieux = false;
  double probaAltere = 0;
  int tronqueTous = 0;  // every Nth text reply is cut before its ETX; 0 = never
  bool sansEtx = false;
  int tranche = 0;          // reply written in chunks of this many bytes; 0 = whole
  int deconnecteApres = 0;  // close the line after this many commands; 0 = never

  // Process.
  QString journal;  // empty: standard error
  QString fichierPeripherique;
  int com = 0;                 // 0: no device-map registration
  double sortieSiInactif = 0;  // seconds; 0 = run until stopped
  bool aide = false;

  // Motor time per nanometre, after --fast.
  double MsParNmEffectif() const { return rapide ? 0 : msParNm; }
};

// Parses the command line (arguments without the program name). On bad input
// returns nothing and puts a French message into *erreur.
std::optional<TSimOptions> LitOptions(const QStringList& arguments, QString* erreur);

// The help text printed by --help.
QString AideOptions();

// The command line of zelor-scan: one command, its arguments and the options
// common to all commands, checked before anything touches the instrument.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

enum class TCommandeScan { Identifie, Blanc, Spectre, Aller, Lire, Aide };

struct TParametreScan {
  QString nom;
  QString unite;
  QString valeur;
};

struct TDemandeScan {
  TCommandeScan commande = TCommandeScan::Aide;
  QString nomCommande;
  // Bounds of a baseline or a scan; the configuration's last ones when absent.
  std::optional<int> debut;
  std::optional<int> fin;
  int lambda = 0;  // "aller"
  QString sortie;  // "spectre": the file, whose extension gives the format
  QString commentaire;
  std::optional<TParametreScan> parametre;
  std::optional<int> port;  // COMn; the configuration's when absent
  QString ini;              // the configuration file; the window's when empty
  bool json = false;
  bool silencieux = false;
  // Longest wait for the instrument during a measurement, in seconds.
  int attente = 30;
};

struct TAnalyseLigne {
  TDemandeScan demande;
  QString erreur;  // French; empty when the line is good
};

// `arguments` without the program name.
TAnalyseLigne AnalyseLigne(const QStringList& arguments);

// The help text (French).
QString AideScan();

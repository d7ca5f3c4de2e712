// The main window's spectrum files, pictures and printing: "Enregistrer…"
// (JCAMP-DX, CSV or the export text), "Ouvrir…" (the same formats and
// JCAMP-DX of other programs, back into the graph as a finished spectrum),
// "Image…" (PNG, SVG, PDF) and "Imprimer…". Its four actions follow the seven
// of the toolbar; the three that need a spectrum are enabled exactly when
// "Vers Mesurial" is.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

#include "app/LienExport.h"
#include "export/FichierSpectre.h"
#include "export/FichiersSpectre.h"

class QAction;
class QPrinter;
class Tgraphe;
class TSpectreMain;
class Tspectro;

class TFichiersFenetre : public QObject {
 public:
  enum class Choix { Enregistrer, Ouvrir, Image };

  static constexpr const char* TitreEnregistrer = "Enregistrer le spectre";
  static constexpr const char* TitreOuvrir = "Ouvrir un spectre";
  static constexpr const char* TitreImage = "Image du tracé";

  TFichiersFenetre(TSpectreMain& principale, Tspectro& spectro);

  QAction* EnregistrerAction;
  QAction* OuvrirAction;
  QAction* ImageAction;
  QAction* ImprimerAction;

  // The scan dialog's boxes (comment, parameter name and unit), read for a
  // save and written with an opened spectrum's texts and parameter value,
  // so that "Vers Mesurial" and the next save carry them.
  std::function<TTextesBalayage()> TextesBalayage;
  std::function<void(const TTextesBalayage& textes, const QString& valeur)> FixeTextes;

  // The user's choices; tests replace them. A path (empty: cancelled) from
  // the file dialog of `choix` opened in `dossier`; the picture's size from
  // the window's; the printer from the print dialog (false: cancelled).
  std::function<QString(Choix choix, const QString& dossier)> ChoisitFichier;
  std::function<std::optional<QSize>(QSize initiale)> ChoisitTaille;
  std::function<bool(QPrinter& imprimante)> ChoisitImprimante;

  // The handlers of the four actions.
  void Enregistrer();
  void Ouvrir();
  void Image();
  void Imprimer();

  // The work behind them, each telling the user of a failure.
  bool EnregistreSous(const QString& chemin);
  bool OuvreFichier(const QString& chemin);
  bool EcritImageSous(const QString& chemin, QSize taille);
  bool ImprimeSur(QPrinter& imprimante);

  // The spectrum on the graph with everything a file keeps of it.
  TFichierSpectre SpectreCourant() const;

 private:
  QAction* CreeAction(const QString& legende, const QString& legendeBarre, int image, const QKeySequence& touches,
                      void (TFichiersFenetre::*gestionnaire)());
  void RetientDossier(const QString& chemin);
  QString Dossier() const;
  void Signale(const QString& texte) const;
  bool EstLeSpectreOuvert(const Tgraphe& graphe) const;
  void PlaceDansGraphe(const TFichierSpectre& s);

  TSpectreMain& principale_;
  Tspectro& spectro_;
  // The last file opened: its ranges, instrument and date go with it when it
  // is saved again, as long as the graph still shows its data.
  std::optional<TFichierSpectre> ouvert_;
};

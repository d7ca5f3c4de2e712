// What ties the export to the running program: the spectrum of the main
// window's graph, the precision of the configuration and the texts of the
// scan dialog make the text handed to Mesurial; a DDE "FOCUS" brings the
// main window forward.
#pragma once

#include <QString>
#include <functional>

#include "export/FormatExport.h"

class QWidget;
class TConstanteDlg;
class TFormDDE;
class Tgraphe;
class TSpectreMain;
class Tspectro;

// The scan dialog's boxes as the user typed them ("Commentaire", parameter
// name and unit).
struct TTextesBalayage {
  QString commentaire;
  QString nomParam;
  QString uniteParam;
};

// The export's view of the current spectrum. It points into `graphe`, which
// must outlive it. The graph's own comment goes out when it has one,
// otherwise the dialog's.
SpectreExport SpectreExportDe(const Tgraphe& graphe, const Tspectro& spectro, const TTextesBalayage& textes);

// The focus request of the command server: true when the window is the active
// one or was asked to become it, false when it is hidden or disabled. While
// one of our modal dialogs blocks it, nothing happens and that counts as
// done, as the windowing system's own refusal would.
bool DonneFocusFenetre(QWidget* fenetre);

class LienExport {
 public:
  // Reads the main window's graph at each export.
  LienExport(const TSpectreMain& principale, const Tspectro& spectro, TFormDDE& formDDE,
             TConstanteDlg& constante);

  // The scan dialog's texts at the moment of the export; empty texts when
  // unset.
  std::function<TTextesBalayage()> TextesBalayage;

  // "Vers Mesurial" once the page choice was confirmed: clipboard, command,
  // and a new page proposed next time unless the clipboard failed.
  void EnvoieDonnees();

 private:
  const TSpectreMain& principale_;
  const Tspectro& spectro_;
  TFormDDE& formDDE_;
  TConstanteDlg& constante_;
};

// The program's eight windows, created once at start-up and wired together.
#pragma once

#include <QDialog>
#include <QMainWindow>

#include <memory>

#include "app/AboutBox.h"
#include "app/FichiersFenetre.h"
#include "app/LienExport.h"
#include "app/Specmain.h"
#include "export/BoiteMessage.h"
#include "export/TConstanteDlg.h"
#include "export/TFormDDE.h"
#include "instrument/ChoixSpectro.h"
#include "measure/ui/BlancDlg.h"
#include "measure/ui/CommandeDlg.h"
#include "measure/ui/SpectreDlg.h"

// The window set, created once in this order, main window first, and kept
// until the process ends.
struct Fenetres {
  // `messages` shows the boxes of the DDE form (the program's own modal boxes
  // unless a test captures them).
  explicit Fenetres(TFormDDE::AfficheMessage messages = BoiteMessage());

  std::unique_ptr<TSpectreMain> SpectreMain;
  std::unique_ptr<TAboutBox> AboutBox;
  std::unique_ptr<TSpectreDlg> SpectreDlg;
  std::unique_ptr<TFormDDE> FormDDE;
  std::unique_ptr<TChoixSpectroDlg> ChoixSpectroDlg;
  std::unique_ptr<TBlancDlg> BlancDlg;
  std::unique_ptr<TCommandeDlg> CommandeDlg;
  std::unique_ptr<TConstanteDlg> ConstanteDlg;

  // "Vers Mesurial": the export built from the main window's graph.
  std::unique_ptr<LienExport> Export;
  // "Enregistrer…", "Ouvrir…", "Image…", "Imprimer…" of the main window.
  std::unique_ptr<TFichiersFenetre> Fichiers;
};

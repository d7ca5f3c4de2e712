// The program's eight windows. PLACEHOLDERS remain for the windows not yet
// written (their design-time captions only); each moves to its own file pair
// in its folder when its real window is written.
#pragma once

#include <QDialog>
#include <QMainWindow>

#include <memory>

#include "app/AboutBox.h"
#include "app/LienExport.h"
#include "app/Specmain.h"
#include "export/BoiteMessage.h"
#include "export/TConstanteDlg.h"
#include "export/TFormDDE.h"
#include "instrument/ChoixSpectro.h"

class TSpectreDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TSpectreDlg(QWidget* parent = nullptr);
};

class TBlancDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TBlancDlg(QWidget* parent = nullptr);
};

class TCommandeDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TCommandeDlg(QWidget* parent = nullptr);
};

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
};

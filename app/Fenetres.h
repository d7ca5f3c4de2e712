// The program's eight windows. PLACEHOLDERS remain for the windows not yet
// written (their design-time captions only); each moves to its own file pair
// in its folder when its real window is written.
#pragma once

#include <QDialog>
#include <QMainWindow>

#include <memory>

#include "app/AboutBox.h"
#include "app/Specmain.h"
#include "instrument/ChoixSpectro.h"
#include "measure/ui/BlancDlg.h"
#include "measure/ui/CommandeDlg.h"
#include "measure/ui/SpectreDlg.h"

// Hidden host of the link to Mesurial; never shown.
class TFormDDE : public QDialog {
  Q_OBJECT
 public:
  explicit TFormDDE(QWidget* parent = nullptr);
};

class TConstanteDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TConstanteDlg(QWidget* parent = nullptr);
};

// The window set, created once in this order, main window first, and kept
// until the process ends.
struct Fenetres {
  Fenetres();

  std::unique_ptr<TSpectreMain> SpectreMain;
  std::unique_ptr<TAboutBox> AboutBox;
  std::unique_ptr<TSpectreDlg> SpectreDlg;
  std::unique_ptr<TFormDDE> FormDDE;
  std::unique_ptr<TChoixSpectroDlg> ChoixSpectroDlg;
  std::unique_ptr<TBlancDlg> BlancDlg;
  std::unique_ptr<TCommandeDlg> CommandeDlg;
  std::unique_ptr<TConstanteDlg> ConstanteDlg;
};

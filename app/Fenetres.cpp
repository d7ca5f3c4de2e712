// PLACEHOLDERS: see Fenetres.h.
#include "app/Fenetres.h"

#include "instrument/Cfgspect.h"

#include <QCloseEvent>

TSpectreMain::TSpectreMain(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Tracé de spectre avec le spectrophotomètre ZELOR 1000"));
  setGeometry(302, 225, 597, 377);  // size when not maximised
}

void TSpectreMain::closeEvent(QCloseEvent* event) {
  FormClose();
  QMainWindow::closeEvent(event);
}

void TSpectreMain::FormClose() {
  Spectro().EcritIni();
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("A propos"));
}

TSpectreDlg::TSpectreDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Balayage du spectre"));
}

TFormDDE::TFormDDE(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Acquisition"));
}

TChoixSpectroDlg::TChoixSpectroDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Spectrophotomètre"));
}

TBlancDlg::TBlancDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Enregistrement de la ligne de base"));
}

TCommandeDlg::TCommandeDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Commande du spectrophotomètre"));
}

TConstanteDlg::TConstanteDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Renseignements sur la page courante"));
}

Fenetres::Fenetres()
    : SpectreMain(std::make_unique<TSpectreMain>()),
      AboutBox(std::make_unique<TAboutBox>()),
      SpectreDlg(std::make_unique<TSpectreDlg>()),
      FormDDE(std::make_unique<TFormDDE>()),
      ChoixSpectroDlg(std::make_unique<TChoixSpectroDlg>()),
      BlancDlg(std::make_unique<TBlancDlg>()),
      CommandeDlg(std::make_unique<TCommandeDlg>()),
      ConstanteDlg(std::make_unique<TConstanteDlg>()) {}

// PLACEHOLDERS for the windows not yet written: see Fenetres.h.
#include "app/Fenetres.h"

#include "instrument/Cfgspect.h"
#include "platform/Registre.h"
#include "serial/ComPort.h"

TSpectreDlg::TSpectreDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Balayage du spectre"));
}

TFormDDE::TFormDDE(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Acquisition"));
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
    : SpectreMain(std::make_unique<TSpectreMain>(Spectro())),
      AboutBox(std::make_unique<TAboutBox>()),
      SpectreDlg(std::make_unique<TSpectreDlg>()),
      FormDDE(std::make_unique<TFormDDE>()),
      ChoixSpectroDlg(std::make_unique<TChoixSpectroDlg>()),
      BlancDlg(std::make_unique<TBlancDlg>()),
      CommandeDlg(std::make_unique<TCommandeDlg>()),
      ConstanteDlg(std::make_unique<TConstanteDlg>()) {
  DialoguesPrincipale dialogues;
  dialogues.AboutBox = AboutBox.get();
  dialogues.ChoixSpectroDlg = ChoixSpectroDlg.get();
  dialogues.BlancDlg = BlancDlg.get();
  dialogues.SpectreDlg = SpectreDlg.get();
  dialogues.CommandeDlg = CommandeDlg.get();
  dialogues.ConstanteDlg = ConstanteDlg.get();
  SpectreMain->FixeDialogues(dialogues);
  ChoixSpectroDlg->PortPresent = [](int n) { return n > 0 && n <= 0xFFFF && IsPortAvailable(static_cast<uint16_t>(n)); };
  ChoixSpectroDlg->LitRegistre = [](const QString& nom) {
    return LitValeurRegistre(QStringLiteral("Hardware\\DeviceMap\\SerialComm"), nom);
  };
}

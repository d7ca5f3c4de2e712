// PLACEHOLDERS for the windows not yet written: see Fenetres.h.
#include "app/Fenetres.h"

#include "instrument/Cfgspect.h"

TSpectreDlg::TSpectreDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Balayage du spectre"));
}

TBlancDlg::TBlancDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Enregistrement de la ligne de base"));
}

TCommandeDlg::TCommandeDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Commande du spectrophotomètre"));
}

Fenetres::Fenetres(TFormDDE::AfficheMessage messages)
    : SpectreMain(std::make_unique<TSpectreMain>(Spectro())),
      AboutBox(std::make_unique<TAboutBox>()),
      SpectreDlg(std::make_unique<TSpectreDlg>()),
      FormDDE(std::make_unique<TFormDDE>(
          std::move(messages), [principale = SpectreMain.get()] { return DonneFocusFenetre(principale); })),
      ChoixSpectroDlg(std::make_unique<TChoixSpectroDlg>()),
      BlancDlg(std::make_unique<TBlancDlg>()),
      CommandeDlg(std::make_unique<TCommandeDlg>()),
      ConstanteDlg(std::make_unique<TConstanteDlg>()),
      Export(std::make_unique<LienExport>(*SpectreMain, Spectro(), *FormDDE, *ConstanteDlg)) {
  DialoguesPrincipale dialogues;
  dialogues.AboutBox = AboutBox.get();
  dialogues.ChoixSpectroDlg = ChoixSpectroDlg.get();
  dialogues.BlancDlg = BlancDlg.get();
  dialogues.SpectreDlg = SpectreDlg.get();
  dialogues.CommandeDlg = CommandeDlg.get();
  dialogues.ConstanteDlg = ConstanteDlg.get();
  dialogues.EnvoieDonnees = [lien = Export.get()] { lien->EnvoieDonnees(); };
  SpectreMain->FixeDialogues(dialogues);
}

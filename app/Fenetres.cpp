// PLACEHOLDERS for the windows not yet written: see Fenetres.h.
#include "app/Fenetres.h"

#include "graph/Graphker.h"
#include "instrument/Cfgspect.h"
#include "measure/Reglages.h"
#include "platform/Registre.h"
#include "serial/ComPort.h"

TFormDDE::TFormDDE(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Acquisition"));
}

TConstanteDlg::TConstanteDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Renseignements sur la page courante"));
}

namespace {

TVueSpectre VueSpectre(Tgraphe& g) {
  return {g.pointX, g.pointY, g.spectre, g.premier, g.dernier, g.valeurParam};
}

std::function<TReglages()> Reglages() {
  return [] { return ReglagesDe(Spectro()); };
}

}  // namespace

Fenetres::Fenetres()
    : SpectreMain(std::make_unique<TSpectreMain>(Spectro())),
      AboutBox(std::make_unique<TAboutBox>()),
      SpectreDlg(std::make_unique<TSpectreDlg>(
          SpectreMain->Pilote, VueSpectre(*SpectreMain->Graphe),
          TVueSpectroBalayage{Spectro().Debut, Spectro().Fin, Spectro().Blanc}, Reglages())),
      FormDDE(std::make_unique<TFormDDE>()),
      ChoixSpectroDlg(std::make_unique<TChoixSpectroDlg>()),
      BlancDlg(std::make_unique<TBlancDlg>(SpectreMain->Pilote,
                                           TVueBlanc{Spectro().BlancDebut, Spectro().BlancFin, Spectro().Blanc},
                                           Reglages())),
      CommandeDlg(std::make_unique<TCommandeDlg>(SpectreMain->Pilote, Reglages())),
      ConstanteDlg(std::make_unique<TConstanteDlg>()) {
  DialoguesPrincipale dialogues;
  dialogues.AboutBox = AboutBox.get();
  dialogues.ChoixSpectroDlg = ChoixSpectroDlg.get();
  dialogues.BlancDlg = BlancDlg.get();
  dialogues.SpectreDlg = SpectreDlg.get();
  dialogues.CommandeDlg = CommandeDlg.get();
  dialogues.ConstanteDlg = ConstanteDlg.get();
  dialogues.DonneeBlanc = [d = BlancDlg.get()](uint16_t handle) { d->DonneeRecue(handle); };
  dialogues.DonneeSpectre = [d = SpectreDlg.get()](uint16_t handle) { d->DonneeRecue(handle); };
  dialogues.DonneeCommande = [d = CommandeDlg.get()](uint16_t handle) { d->DonneeRecue(handle); };
  // A failing line ends a run as the user would: the baseline is abandoned
  // with its readings kept, the scan stopped with its points interpolated.
  dialogues.ArretBlanc = [d = BlancDlg.get()] { d->reject(); };
  dialogues.ArretSpectre = [d = SpectreDlg.get()] { d->StopBtnClick(); };
  dialogues.ArretCommande = [d = CommandeDlg.get()] { d->reject(); };
  dialogues.StatutSpectre = [d = SpectreDlg.get()] { return d->Statut(); };
  SpectreMain->FixeDialogues(dialogues);
  SpectreMain->LimitesInstrument = [d = SpectreDlg.get()](int miniL, int maxiL) { d->LimitesInstrument(miniL, maxiL); };
  ChoixSpectroDlg->PortPresent = [](int n) { return n > 0 && n <= 0xFFFF && IsPortAvailable(static_cast<uint16_t>(n)); };
  ChoixSpectroDlg->LitRegistre = [](const QString& nom) {
    return LitValeurRegistre(QStringLiteral("Hardware\\DeviceMap\\SerialComm"), nom);
  };
}

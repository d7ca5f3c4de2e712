#include "app/Fenetres.h"

#include "graph/Graphker.h"
#include "instrument/Cfgspect.h"
#include "measure/Reglages.h"
#include "platform/Registre.h"
#include "serial/ComPort.h"

#ifdef _WIN32
#include "platform/win32/SerialComm.h"
#endif

namespace {

TVueSpectre VueSpectre(Tgraphe& g) {
  return {g.pointX, g.pointY, g.spectre, g.premier, g.dernier, g.valeurParam};
}

std::function<TReglages()> Reglages() {
  return [] { return ReglagesDe(Spectro()); };
}

}  // namespace

Fenetres::Fenetres(TFormDDE::AfficheMessage messages)
    : SpectreMain(std::make_unique<TSpectreMain>(Spectro())),
      AboutBox(std::make_unique<TAboutBox>()),
      SpectreDlg(std::make_unique<TSpectreDlg>(
          SpectreMain->Pilote, VueSpectre(*SpectreMain->Graphe),
          TVueSpectroBalayage{Spectro().Debut, Spectro().Fin, Spectro().Blanc}, Reglages())),
      FormDDE(std::make_unique<TFormDDE>(
          std::move(messages), [principale = SpectreMain.get()] { return DonneFocusFenetre(principale); })),
      ChoixSpectroDlg(std::make_unique<TChoixSpectroDlg>()),
      BlancDlg(std::make_unique<TBlancDlg>(
          SpectreMain->Pilote, TVueBlanc{Spectro().BlancDebut, Spectro().BlancFin, Spectro().Blanc},
          Reglages())),
      CommandeDlg(std::make_unique<TCommandeDlg>(SpectreMain->Pilote, Reglages())),
      ConstanteDlg(std::make_unique<TConstanteDlg>()),
      Export(std::make_unique<LienExport>(*SpectreMain, Spectro(), *FormDDE, *ConstanteDlg)),
      Fichiers(std::make_unique<TFichiersFenetre>(*SpectreMain, Spectro())) {
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
  dialogues.EnvoieDonnees = [lien = Export.get()] { lien->EnvoieDonnees(); };
  SpectreMain->FixeDialogues(dialogues);
  Export->TextesBalayage = [d = SpectreDlg.get()] {
    return TTextesBalayage{d->EditTitre->text(), d->EditNom->text(), d->EditUnite->text()};
  };
  Fichiers->TextesBalayage = Export->TextesBalayage;
  // An opened spectrum's texts take the boxes' place, as if it had just
  // been scanned with them.
  Fichiers->FixeTextes = [d = SpectreDlg.get()](const TTextesBalayage& textes, const QString& valeur) {
    d->EditTitre->setText(textes.commentaire);
    d->EditNom->setText(textes.nomParam);
    d->EditUnite->setText(textes.uniteParam);
    d->EditValeur->setText(valeur);
  };
  SpectreMain->LimitesInstrument = [d = SpectreDlg.get()](int miniL, int maxiL) {
    d->LimitesInstrument(miniL, maxiL);
  };
  ChoixSpectroDlg->PortPresent = [](int n) {
    return n > 0 && n <= 0xFFFF && IsPortAvailable(static_cast<uint16_t>(n));
  };
  ChoixSpectroDlg->LitRegistre = [](const QString& nom) {
#ifdef _WIN32
    // The system's own key under HKEY_LOCAL_MACHINE.
    return QString::fromStdString(SerialCommValue(nom.toStdString()));
#else
    return LitValeurRegistre(QStringLiteral("Hardware\\DeviceMap\\SerialComm"), nom);
#endif
  };
}

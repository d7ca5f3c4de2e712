// Activation once per showing, for the three dialogs: the toolkit activates
// a window again when a message box over it closes, or when it is shown or
// raised while already visible; none of this is a new use of the dialog.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <array>
#include <cstdint>
#include <memory>

#include "measure/Tables.h"
#include "measure/tests/FauxPilote.h"
#include "measure/tests/OutilsDialogue.h"
#include "measure/ui/BlancDlg.h"
#include "measure/ui/CommandeDlg.h"
#include "measure/ui/SpectreDlg.h"

namespace {

struct Donnees {
  TFauxPilote pilote;
  TReglages reglages;
  int lectures = 0;  // calls of the settings function
  int BlancDebut = 500, BlancFin = 800, Debut = 400, Fin = 500;
  std::array<double, NbCases> blanc{}, pointX{}, pointY{}, spectre{};
  std::uint16_t premier = 0, dernier = 0;
  double valeurParam = 0;
  std::function<TReglages()> Reglages() {
    return [this] {
      ++lectures;
      return reglages;
    };
  }
};

using Fabrique = std::function<std::unique_ptr<QDialog>(Donnees&)>;

void Reactive(QDialog& dlg) {
  QEvent activation(QEvent::WindowActivate);
  QApplication::sendEvent(&dlg, &activation);
  dlg.activateWindow();
  dlg.raise();
  dlg.show();
  QMessageBox boite(QMessageBox::Information, QStringLiteral("Zelor"), QStringLiteral("Message"),
                    QMessageBox::Ok, &dlg);
  boite.open();
  QCoreApplication::processEvents();
  boite.done(QMessageBox::Ok);
  QCoreApplication::processEvents();
}

TEST(DialogueMesureTest, ActivationRunsOncePerShowing) {
  const std::vector<std::pair<const char*, Fabrique>> dialogues = {
      {"Blanc",
       [](Donnees& d) {
         return std::make_unique<TBlancDlg>(d.pilote, TVueBlanc{d.BlancDebut, d.BlancFin, d.blanc},
                                            d.Reglages());
       }},
      {"Spectre",
       [](Donnees& d) {
         return std::make_unique<TSpectreDlg>(
             d.pilote, TVueSpectre{d.pointX, d.pointY, d.spectre, d.premier, d.dernier, d.valeurParam},
             TVueSpectroBalayage{d.Debut, d.Fin, d.blanc}, d.Reglages());
       }},
      {"Commande", [](Donnees& d) { return std::make_unique<TCommandeDlg>(d.pilote, d.Reglages()); }},
  };
  for (const auto& [nom, fabrique] : dialogues) {
    SCOPED_TRACE(nom);
    Donnees d;
    auto dlg = fabrique(d);
    EXPECT_EQ(d.lectures, 0) << "nothing is read before the dialog is shown";
    Ouvre(*dlg);
    EXPECT_EQ(d.lectures, 1);
    EXPECT_EQ(Compte(d.pilote.journal, "LIT "), 1);

    Reactive(*dlg);
    EXPECT_EQ(d.lectures, 1) << "re-activation is not a new showing";
    EXPECT_EQ(Compte(d.pilote.journal, "LIT "), 1);

    dlg->hide();
    Ouvre(*dlg);
    EXPECT_EQ(d.lectures, 2);
    EXPECT_EQ(Compte(d.pilote.journal, "LIT "), 2);
  }
}

TEST(DialogueMesureTest, AClickBeforeTheQueuedActivationActivatesFirst) {
  Donnees d;
  d.pilote.lambdaInitial = 0;
  TBlancDlg dlg(d.pilote, TVueBlanc{d.BlancDebut, d.BlancFin, d.blanc}, d.Reglages());
  dlg.show();
  dlg.OKBtn->click();  // before the event loop had a turn
  QCoreApplication::processEvents();
  EXPECT_EQ(d.lectures, 1);
  ASSERT_GE(d.pilote.journal.size(), 3u);
  EXPECT_EQ(d.pilote.journal[0], "LIT ?RPTL");
  EXPECT_EQ(d.pilote.journal[1], "DISCARD");
  EXPECT_EQ(d.pilote.journal[2], "GTO 500");
}

}  // namespace

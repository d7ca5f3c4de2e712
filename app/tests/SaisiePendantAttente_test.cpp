// Clicks and keys made while the program waits for the instrument or for
// Mesurial: held until the wait is over, then acted on the state it left.
// Each case posts its input as the window system would, from a timer that
// runs inside the wait, against the simulator on a pseudo-terminal or a slow
// Mesurial on the test's own bus.
#include <gtest/gtest.h>

#include <QAction>
#include <QDBusConnection>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/tests/FenetresSimulateur.h"
#include "graph/Graphker.h"
#include "instrument/Cfgspect.h"
#include "platform/Dde.h"
#include "platform/SaisieRetenue.h"
#include "platform/tests/SaisieDifferee.h"
#include "tools/zelor-sim/ModeleSpectre.h"
#include "tools/zelor-sim/Simulateur.h"
#include "tools/zelor-sim/tests/JournalSimulateur.h"

namespace {

constexpr uint16_t PortDeTest = 46;
// A slow line, so that every reply takes a while to come.
constexpr int BaudLent = 1200;

// Posts `poste` from inside the first wait that `attend` reports, and
// remembers that it did.
class PendantAttente {
 public:
  PendantAttente(std::function<bool()> attend, std::function<void()> saisie)
      : attend_(std::move(attend)), poste_(std::move(saisie)) {
    QObject::connect(&sonde_, &QTimer::timeout, [this] {
      if (!attend_()) return;
      sonde_.stop();
      poste_();
      poste = true;
    });
    sonde_.start(1);
  }
  bool poste = false;

 private:
  std::function<bool()> attend_;
  std::function<void()> poste_;
  QTimer sonde_;
};

class SaisiePendantAttente : public FenetresSimulateur {
 protected:
  // Short time limits, so that a silent instrument costs about a second.
  void Demarre(const std::function<void(TSimOptions&)>& regle, bool identifie = true) {
    options.graine = 5;
    options.baud = BaudLent;
    reglesSpectro = [](Tspectro& s) {
      s.TimeOutTxt = 1;
      s.TimeOutCtrl = 2;
    };
    DemarreSur(PortDeTest, regle, identifie);
  }

  bool EchangeEnCours() { return Principale().Protocole.EchangeEnCours(); }
};

TEST_F(SaisiePendantAttente, ConfigVoieSeriePendantLIdentificationDUnInstrumentMuet) {
  Demarre([](TSimOptions& o) { o.silencieux = true; }, false);
  TChoixSpectroDlg& choix = *fenetres->ChoixSpectroDlg;
  struct Ouverture {
    QString legende;
    bool blanc;
    bool echange;
  };
  std::vector<Ouverture> ouvertures;
  // Noted as it opens, then cancelled.
  SurAffichage note(&choix, [&] {
    ouvertures.push_back(
        {Principale().windowTitle(), Principale().BlancAction->isEnabled(), EchangeEnCours()});
    choix.reject();
  });
  PendantAttente clic(
      [&] { return EchangeEnCours(); },
      [&] { PosteClic(Principale().ActionToolBar1->widgetForAction(Principale().ConfigComAction)); });

  Principale().show();
  Principale().activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !ouvertures.empty() && !choix.isVisible(); }, DelaiMesureMs));
  EXPECT_TRUE(clic.poste);
  // The port choice opened once, by itself, after the identification had
  // failed; the click made during the wait ran nothing inside it.
  EXPECT_EQ(ouvertures.front().legende, QString("Spectro non trouvé"));
  EXPECT_FALSE(ouvertures.front().blanc);
  EXPECT_FALSE(ouvertures.front().echange);
  QTest::qWait(100);
  EXPECT_EQ(ouvertures.size(), 1u);
  EXPECT_EQ(Principale().windowTitle(), QString("Spectro non trouvé"));
  EXPECT_FALSE(Principale().BlancAction->isEnabled());
  EXPECT_FALSE(Principale().AppareilTrouve);
  EXPECT_EQ(Recu(), "@?RPS\r");
}

TEST_F(SaisiePendantAttente, DemandesImbriqueesRefuseesEtSignalees) {
  Demarre({});
  const QString legende = Principale().windowTitle();
  bool initRefusee = false;
  bool liaisonApresRefus = true;
  // What a handler run inside the wait (a DDE command, a trigger event)
  // could ask for.
  PendantAttente pendant([&] { return EchangeEnCours(); },
                         [&] {
                           initRefusee = !Principale().InitAppareil();
                           Principale().Pilote.DemandeAbs();
                           liaisonApresRefus = Principale().LiaisonOk;
                         });
  const std::size_t avant = Recu().size();
  EXPECT_TRUE(Principale().SpectroPret());
  EXPECT_TRUE(pendant.poste);
  EXPECT_TRUE(initRefusee);
  EXPECT_FALSE(liaisonApresRefus);
  // The identification stands, nothing else went out, and the refused
  // request was reported as a failing link.
  EXPECT_TRUE(Principale().AppareilTrouve);
  EXPECT_EQ(Principale().windowTitle(), legende);
  EXPECT_EQ(Recu().substr(avant), "?RPS\r");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.empty(); }, DelaiMesureMs));
  EXPECT_TRUE(messages.front().startsWith("Liaison avec le spectrophotomètre interrompue"))
      << messages.front().toStdString();
}

TEST_F(SaisiePendantAttente, OKDuBlancPendantLeChangementDAffichage) {
  // The instrument stands away from the start of the recording.
  Demarre([](TSimOptions& o) { o.lambdaDepart = 600; });
  TBlancDlg& d = *fenetres->BlancDlg;
  bool okPendantAttente = false;
  bool okVisibleApres = false;
  std::size_t avant = 0;
  Execute(
      d, [&] { Principale().BlancBtnClick(); },
      [&] {
        d.DebutSE->setValue(500);
        d.FinSE->setValue(551);
        avant = Recu().size();
        // Enter takes the default button, OK.
        PendantAttente touche([&] { return EchangeEnCours(); },
                              [&] { PosteTouche(d.OKBtn, Qt::Key_Return); });
        d.LambdaBtn->click();
        okPendantAttente = touche.poste;
        okVisibleApres = d.OKBtn->isVisible();
      });
  EXPECT_TRUE(okPendantAttente);
  EXPECT_TRUE(okVisibleApres);  // the key was not taken inside the wait
  EXPECT_TRUE(messages.empty()) << messages.front().toStdString();
  EXPECT_TRUE(Principale().BlancFait);
  EXPECT_EQ(Spectro().BlancDebut, 500);
  // The display switch, then the recording from its start.
  const std::string recu = Recu().substr(avant);
  EXPECT_EQ(recu.substr(0, recu.find("?RPTA")), "?RNGnm  \r?GTO500.0\r") << recu;
  for (int w : {500, 516, 532, 548, 551})
    EXPECT_NEAR(Spectro().Blanc[w], TModeleSpectre::Solvant(w), 0.003) << w;
}

TEST_F(SaisiePendantAttente, AllerAPendantLeChangementDAffichage) {
  Demarre({});
  TCommandeDlg& d = *fenetres->CommandeDlg;
  bool clicPendantAttente = false;
  bool arrive = false;
  std::size_t avant = 0;
  Execute(
      d, [&] { Principale().CommandeBtnClick(); },
      [&] {
        d.LambdaSB->setValue(650);
        avant = Recu().size();
        PendantAttente clic([&] { return EchangeEnCours(); }, [&] { PosteClic(d.GOTOBtn); });
        d.AffAbsBtn->click();
        clicPendantAttente = clic.poste;
        arrive = QTest::qWaitFor(
            [&] { return d.GOTOBtn->isVisible() && d.Procedure().LambdaSpectro() == 650; }, DelaiMesureMs);
        d.CloseBtn->click();
      });
  EXPECT_TRUE(clicPendantAttente);
  EXPECT_TRUE(arrive);
  EXPECT_TRUE(messages.empty()) << messages.front().toStdString();
  EXPECT_EQ(Recu().substr(avant), "?RNGA   \r?GTO650.0\r");
  EXPECT_EQ(Principale().Protocole.LitValeur(Spectro().GetL), 650);
}

// Mesurial on the test's bus, on a thread of its own, that takes its time to
// answer the advise until it is let go.
class MesurialLent : public QThread {
 public:
  ~MesurialLent() override {
    libere = true;
    quit();
    wait();
  }
  std::vector<QByteArray> Commandes() {
    std::lock_guard verrou(lock_);
    return commandes_;
  }
  std::atomic<bool> pret{false}, avisEnCours{false}, libere{false};

 protected:
  void run() override {
    {
      QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "mesurial-lent");
      DdeServeur serveur(bus);
      serveur.SurAvis([this](const QString&, const QString&) {
        avisEnCours = true;
        while (!libere) QThread::msleep(2);
        return false;
      });
      serveur.SurExecute([this](const QString&, const QByteArray& commande) {
        std::lock_guard verrou(lock_);
        commandes_.push_back(commande);
        return DdeServeur::Acquittement::Positif;
      });
      if (!serveur.Enregistre("Mesurial", {"ServeurDDE"})) return;
      pret = true;
      exec();
    }
    QDBusConnection::disconnectFromBus("mesurial-lent");
  }

 private:
  std::mutex lock_;
  std::vector<QByteArray> commandes_;
};

TEST_F(SaisiePendantAttente, SecondVersMesurialPendantQueMesurialTarde) {
  Demarre({}, false);
  MesurialLent mesurial;
  mesurial.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return mesurial.pret.load(); }, DelaiMesureMs));
  fenetres->FormDDE->delais.avisMs = DelaiMesureMs;
  // The first activation identifies the instrument (and empties the graph).
  Principale().show();
  Principale().activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Principale().AppareilTrouve; }, DelaiMesureMs));
  Tgraphe& g = *Principale().Graphe;
  g.premier = 500;
  g.dernier = 502;
  g.modeTrace = mtCourbe;
  Principale().MajActions();

  // The first export is confirmed, the one the held click opens afterwards
  // is cancelled.
  QDialog& constante = *fenetres->ConstanteDlg;
  int ouvertures = 0;
  SurAffichage choix(&constante, [&] {
    if (++ouvertures == 1) {
      constante.accept();
    } else {
      constante.reject();
    }
  });
  QWidget* bouton = Principale().ActionToolBar1->widgetForAction(Principale().MesSaveAction);
  PendantAttente clic([&] { return mesurial.avisEnCours.load(); },
                      [&] {
                        PosteClic(bouton);
                        mesurial.libere = true;
                      });
  Principale().MesSaveBtnClick();
  EXPECT_TRUE(clic.poste);
  EXPECT_EQ(ouvertures, 1);  // nothing ran inside the export
  ASSERT_TRUE(QTest::qWaitFor([&] { return ouvertures == 2 && !constante.isVisible(); }, DelaiMesureMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !mesurial.Commandes().empty(); }, DelaiMesureMs));
  QTest::qWait(100);
  EXPECT_EQ(mesurial.Commandes(), std::vector<QByteArray>{QByteArray("CLIP|LOAD", 10)});
  EXPECT_TRUE(messages.empty()) << messages.front().toStdString();
}

TEST_F(SaisiePendantAttente, AttentesDuLienServentDDEEtRetiennentLaSaisie) {
  // No Mesurial anywhere: the export waits between its two attempts.
  Demarre({}, false);
  fenetres->FormDDE->delais.secondeTentativeMs = 500;
  ASSERT_TRUE(fenetres->FormDDE->DemarreServeur(QStringLiteral("zelorattente")));
  Principale().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Principale()));
  int aPropos = 0;
  SurAffichage ferme(fenetres->AboutBox.get(), [&] {
    ++aPropos;
    fenetres->AboutBox->reject();
  });

  std::optional<bool> acquitte;
  bool aProposPendant = true;
  PendantAttente pendant(
      [&] { return TSaisieRetenue::Active(); },
      [&] {
        PosteClic(Principale().ActionToolBar1->widgetForAction(Principale().AboutAction));
        // Another program's command is served inside the wait.
        DdeClient client(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "autre"));
        if (client.Connecte(QStringLiteral("zelorattente"), QStringLiteral("ServeurDDE")))
          acquitte = client.Execute("FOCUS", DelaiMesureMs);
        aProposPendant = aPropos != 0;
      });
  fenetres->FormDDE->EnvoieMacro("CLIP|LOAD");
  EXPECT_TRUE(pendant.poste);
  EXPECT_EQ(acquitte, std::optional<bool>(true));
  EXPECT_FALSE(aProposPendant);
  EXPECT_EQ(aPropos, 0);
  EXPECT_EQ(messages, std::vector<QString>{"Impossible de lancer Mesurial"});
  // The click made during the wait acts once the export is over.
  EXPECT_TRUE(QTest::qWaitFor([&] { return aPropos == 1; }, DelaiMesureMs));
  QDBusConnection::disconnectFromBus("autre");
}

}  // namespace

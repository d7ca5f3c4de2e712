#include "instrument/Protocole.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <functional>
#include <map>
#include <thread>

#include "instrument/Cfgspect.h"
#include "serial/ComPort.h"
#include "serial/tests/PtyPair.h"
#include "tools/zelor-sim/Simulateur.h"
#include "tools/zelor-sim/tests/JournalSimulateur.h"

namespace {

constexpr uint16_t PortDeTest = 41;
constexpr char Etx = 3;

// Maps the test's port number to `chemin`, away from the user's own map.
void MappePort(const QTemporaryDir& dossier, const std::string& chemin) {
  ::setenv("ZELOR_COMPORTS_FILE", dossier.filePath("comports").toLocal8Bit().constData(), 1);
  ::setenv("ZELOR_COMPORTS", ("COM" + std::to_string(PortDeTest) + "=" + chemin).c_str(), 1);
}

// A configuration whose port is the test's; `TimeOutTxt` 1 keeps the
// time-out cases near one second.
Tspectro SpectroDeTest() {
  Tspectro s;
  s.Com = PortDeTest;
  s.TimeOutTxt = 1;
  return s;
}

class ProtocoleSimulateur : public ::testing::Test {
 protected:
  void Demarre(const std::function<void(TSimOptions&)>& regle = {}) {
    TSimOptions o;
    o.rapide = true;
    o.graine = 7;
    o.journal = dossier.filePath("sim.log");
    if (regle) regle(o);
    simulateur = std::make_unique<TSimulateur>(o);
    QString erreur;
    ASSERT_TRUE(simulateur->Prepare(&erreur)) << erreur.toStdString();
    MappePort(dossier, simulateur->CheminEsclave().toStdString());
    simulateur->Start();
  }
  void TearDown() override {
    voie.SetOpen(false);
    if (simulateur) {
      simulateur->Stop();
      simulateur->Attend();
    }
  }
  std::string Recu() const { return RecuParSimulateur(dossier.filePath("sim.log")); }

  QTemporaryDir dossier;
  Tspectro spectro = SpectroDeTest();
  TComPort voie;
  TProtocole protocole{voie, spectro};
  std::unique_ptr<TSimulateur> simulateur;
};

TEST_F(ProtocoleSimulateur, IdentificationDonneTitreEtGamme) {
  Demarre();
  const auto identification = protocole.Identifie();
  EXPECT_TRUE(identification.trouve);
  EXPECT_EQ(identification.titre,
            "ZELOR 1000N\xb0"
            "12345  Version:2.10");
  EXPECT_EQ(spectro.MiniL, 200);  // 190 reported
  EXPECT_EQ(spectro.MaxiL, 1100);
  EXPECT_TRUE(protocole.LiaisonOk);
  EXPECT_EQ(Recu().substr(0, 6), "@?RPS\r");
  EXPECT_TRUE(protocole.SpectroPret());
}

struct TCasGamme {
  int mini, maxi;
  int miniL, maxiL;
};

TEST_F(ProtocoleSimulateur, ReglesDeLaGamme) {
  const TCasGamme cas[] = {
      {190, 1100, 200, 1100}, {300, 250, 300, 800}, {300, 300, 300, 800}, {0, 0, 200, 700}};
  for (const auto& c : cas) {
    Demarre([&](TSimOptions& o) { o.lambdaMini = c.mini, o.lambdaMaxi = c.maxi; });
    protocole.Identifie();
    EXPECT_EQ(spectro.MiniL, c.miniL) << c.mini << ".." << c.maxi;
    EXPECT_EQ(spectro.MaxiL, c.maxiL) << c.mini << ".." << c.maxi;
    TearDown();
    simulateur.reset();
  }
}

TEST_F(ProtocoleSimulateur, GammeSansReponseDonne200a700) {
  Demarre();
  spectro.GetLmini = "?XXl";  // requests the instrument never answers
  spectro.GetLmaxi = "?XXu";
  EXPECT_TRUE(protocole.Identifie().trouve);
  EXPECT_EQ(spectro.MiniL, 200);
  EXPECT_EQ(spectro.MaxiL, 700);
}

TEST_F(ProtocoleSimulateur, InstrumentMuetPuisResetAvantLaCommandeSuivante) {
  Demarre([](TSimOptions& o) { o.silencieux = true; });
  const auto identification = protocole.Identifie();
  EXPECT_FALSE(identification.trouve);
  EXPECT_FALSE(protocole.LiaisonOk);
  protocole.EnvoieLambda(500);
  EXPECT_TRUE(protocole.LiaisonOk);
  const std::string attendu = "@?RPS\r@?GTO500.0\r";
  EXPECT_TRUE(WaitUntil([&] { return Recu() == attendu; })) << Recu();
}

TEST_F(ProtocoleSimulateur, CommandesAffichageEnvoyeesTellesQuelles) {
  Demarre();
  ASSERT_TRUE(protocole.Identifie().trouve);
  const std::size_t avant = Recu().size();
  protocole.EnvoieCommande("?RNGnm  ");
  EXPECT_TRUE(protocole.LiaisonOk);
  protocole.EnvoieCommande("?RNGA   ");
  EXPECT_TRUE(protocole.LiaisonOk);
  EXPECT_TRUE(WaitUntil([&] { return Recu().size() >= avant + 18; }));
  EXPECT_EQ(Recu().substr(avant), "?RNGnm  \r?RNGA   \r");
}

TEST_F(ProtocoleSimulateur, MesureAsynchroneParLesDeclencheurs) {
  Demarre();
  ASSERT_TRUE(protocole.Identifie().trouve);
  std::vector<uint16_t> declenches;
  voie.SetOnTriggerAvail([&](TCustomComPort& cp, uint16_t n) { protocole.TriggerAvail(cp, n); });
  voie.SetOnTriggerData([&](TCustomComPort&, uint16_t h) { declenches.push_back(h); });
  voie.DiscardInput();
  const uint16_t ack = voie.AddMatchTrigger(std::string(1, static_cast<char>(spectro.AckCommande)), false);
  const uint16_t fin = voie.AddMatchTrigger(std::string(1, static_cast<char>(spectro.FinMessage)), false);
  protocole.EnvoieLambda(420);
  ASSERT_TRUE(WaitUntil([&] { return !declenches.empty(); }));
  EXPECT_EQ(declenches.front(), ack);
  protocole.DemandeAbs();
  ASSERT_TRUE(WaitUntil([&] { return declenches.size() >= 2; }));
  EXPECT_EQ(declenches[1], fin);
  double a = 0;
  EXPECT_TRUE(spectro.DecodeMesure(protocole.Reponse, a)) << protocole.Reponse;
  EXPECT_EQ(protocole.Reponse.find('\x03'), std::string::npos);
}

// A far end that answers each command line from a table, so replies the
// instrument would never send can be tried.
class ProtocoleBoutDeLigne : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ligne.Ok());
    MappePort(dossier, ligne.SlavePath());
  }
  void Repond(std::map<std::string, std::string> reponses) {
    repondeur = std::thread([this, reponses = std::move(reponses)] {
      std::string commande;
      while (!arret) {
        const std::string octets = ligne.Receive(1, std::chrono::milliseconds(20));
        if (octets.empty()) continue;
        if (octets[0] == '@') continue;
        if (octets[0] != '\r') {
          commande += octets;
          continue;
        }
        ++commandesRecues;
        if (const auto it = reponses.find(commande); it != reponses.end()) ligne.Send(it->second);
        commande.clear();
      }
    });
  }
  void TearDown() override {
    voie.SetOpen(false);
    arret = true;
    if (repondeur.joinable()) repondeur.join();
  }

  QTemporaryDir dossier;
  TPtyPair ligne;
  Tspectro spectro = SpectroDeTest();
  TComPort voie;
  TProtocole protocole{voie, spectro};
  std::thread repondeur;
  std::atomic<bool> arret{false};
  std::atomic<int> commandesRecues{0};
};

std::string Texte(const std::string& corps) {
  return "\x02" + corps + "X" + Etx;
}

TEST_F(ProtocoleBoutDeLigne, NombresIlLisiblesPrisPourAbsents) {
  Repond({{"?RPS", Texte("RPSON")},
          {"?RPTN", Texte("RPTN1")},
          {"?RPTi", Texte("RPTiZ")},
          {"?RPTV", Texte("RPTV1")},
          {"?RPTl", Texte("RPTl9E99")},
          {"?RPTu", Texte("RPTu1E999")}});
  EXPECT_TRUE(protocole.Identifie().trouve);
  EXPECT_EQ(spectro.MiniL, 200);
  EXPECT_EQ(spectro.MaxiL, 700);
}

TEST_F(ProtocoleBoutDeLigne, ReponseTropLongueCoupee) {
  Repond({{"?RPTN", Texte(std::string(300, 'N'))}});
  voie.SetComNumber(PortDeTest);
  const std::string reponse = protocole.LitTexte("?RPTN");
  EXPECT_TRUE(protocole.LiaisonOk);
  EXPECT_EQ(reponse.size(), TProtocole::LongueurReponse - spectro.DebutReponse);
}

TEST_F(ProtocoleBoutDeLigne, DemandeImbriqueeRefuseeEtSignaleeSansToucherLaLigne) {
  // Each kind of request, made from a handler run while an exchange waits,
  // fails for its caller: nothing goes out (not even a reset), the link is
  // doubtful for it, and no empty reply passes for an answer.
  struct Cas {
    const char* nom;
    std::function<void(TProtocole&)> demande;
  };
  const Cas cas[] = {
      {"LitTexte", [](TProtocole& p) { p.LitTexte("?RPTN"); }},
      {"LitValeur", [](TProtocole& p) { p.LitValeur("?RPTL"); }},
      {"SpectroPret", [](TProtocole& p) { p.SpectroPret(); }},
      {"EnvoieLambda", [](TProtocole& p) { p.EnvoieLambda(500); }},
      {"DemandeAbs", [](TProtocole& p) { p.DemandeAbs(); }},
      {"EnvoieCommande", [](TProtocole& p) { p.EnvoieCommande("?RNGA   "); }},
  };
  Repond({{"?RPS", Texte("RPSON")}});
  voie.SetComNumber(PortDeTest);
  // A first exchange never answered, so the nested request would reset the
  // line if it were let through.
  protocole.LitTexte("?RPTV");
  ASSERT_FALSE(protocole.LiaisonOk);
  protocole.ResetLiaison();
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    const int avant = commandesRecues;
    protocole.Reponse = "garde";
    bool vuEnCours = false;
    bool refusee = false;
    bool liaisonApresRefus = true;
    QTimer::singleShot(0, [&] {
      vuEnCours = protocole.EchangeEnCours();
      try {
        c.demande(protocole);
      } catch (const EEchangeEnCours&) {
        refusee = true;
      }
      liaisonApresRefus = protocole.LiaisonOk;
    });
    // The outer exchange is answered: its own outcome stands.
    EXPECT_NE(protocole.LitTexte("?RPS").find("ON"), std::string::npos);
    EXPECT_TRUE(vuEnCours);
    EXPECT_TRUE(refusee);
    EXPECT_FALSE(liaisonApresRefus);
    EXPECT_TRUE(protocole.LiaisonOk);
    EXPECT_EQ(protocole.Reponse, "garde");
    EXPECT_EQ(commandesRecues, avant + 1);
  }
}

struct TCasTrim {
  const char* reponse;
  const char* garde;
};

TEST(TrimReponse, GardeDuQuatriemeALAvantDernier) {
  const TCasTrim cas[] = {{"RPTN12345X", "N12345"}, {"ABCD", "ABCD"}, {"ABCDE", "D"}, {"", ""}};
  Tspectro s;
  TComPort voie;
  TProtocole protocole(voie, s);
  for (const auto& c : cas) EXPECT_EQ(protocole.TrimReponse(c.reponse), c.garde) << c.reponse;
  EXPECT_EQ(protocole.CommandeLambda(500), "?GTO500.0");
  s.NbreDecimales = 0;
  EXPECT_EQ(protocole.CommandeLambda(512), "?GTO512");
}

}  // namespace

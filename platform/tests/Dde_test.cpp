#include "platform/Dde.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/tests/WaitFor.h"

namespace {

TEST(DdeNoms, CorrespondanceAvecLeBus) {
  struct Cas {
    QString nom;
    QString bus;
    QString chemin;
  };
  const Cas cas[] = {
      {"Mesurial", "org.zelor.dde.mesurial", "/mesurial"},
      {"MESURIAL", "org.zelor.dde.mesurial", "/mesurial"},
      {"ServeurDDE", "org.zelor.dde.serveurdde", "/serveurdde"},
      {"zelor 2.0", "org.zelor.dde.zelor_202_2e0", "/zelor_202_2e0"},
      {"1-a_b", "org.zelor.dde._31-a_5fb", "/_31_2da_5fb"},
      {QString::fromUtf8("Série"), "org.zelor.dde.s_c3_a9rie", "/s_c3_a9rie"},
      {"", "", ""},
  };
  for (const Cas& c : cas) {
    EXPECT_EQ(dde::NomBus(c.nom), c.bus) << c.nom.toStdString();
    EXPECT_EQ(dde::CheminObjet(c.nom), c.chemin) << c.nom.toStdString();
  }
}

TEST(DdeNoms, ReglesDeConnexionJoker) {
  struct Cas {
    QString service, topic;
    bool acceptee;
  };
  const Cas cas[] = {
      {"zelor", "ServeurDDE", true},  {"ZELOR", "serveurdde", true}, {"", "ServeurDDE", true},
      {"", "Acquisition", true},      {"zelor", "", false},          {"", "", false},
      {"autre", "ServeurDDE", false}, {"zelor", "Autre", false},
  };
  for (const Cas& c : cas) {
    EXPECT_EQ(dde::ConnexionAcceptee(c.service, c.topic, "zelor", {"ServeurDDE", "Acquisition"}), c.acceptee)
        << c.service.toStdString() << " / " << c.topic.toStdString();
  }
}

// Server and client on two connections of one process, as two programs would
// be, but both served by this thread's event loop.
class DdeUnProcessus : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(busServeur_.isConnected());
    serveur_.SurExecute([this](const QString& topic, const QByteArray& commande) {
      recus_.push_back({topic, commande});
      return commande == "REFUSE" ? DdeServeur::Acquittement::NonTraite : DdeServeur::Acquittement::Positif;
    });
    serveur_.SurRequete([](const QString&, const QString& item) -> std::optional<QByteArray> {
      if (!dde::MemeNom(item, "ServeurItem")) return std::nullopt;
      return QByteArray("pret\x88", 5);
    });
    serveur_.SurAvis([](const QString&, const QString& item) { return dde::MemeNom(item, "ServeurItem"); });
    ASSERT_TRUE(serveur_.Enregistre("Mesurial", {"ServeurDDE"})) << serveur_.Erreur().toStdString();
  }

  QDBusConnection busServeur_ =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, "dde-test-serveur");
  QDBusConnection busClient_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "dde-test-client");
  DdeServeur serveur_{busServeur_};
  std::vector<std::pair<QString, QByteArray>> recus_;
};

TEST_F(DdeUnProcessus, ExecuteRequeteEtAvisSansEgardALaCasse) {
  DdeClient client(busClient_);
  ASSERT_TRUE(client.Connecte("MESURIAL", "serveurdde")) << client.Erreur().toStdString();

  const QByteArray commande("CLIP|LOAD\x88\0", 11);
  EXPECT_EQ(client.Execute(commande, 5000), std::optional<bool>(true));
  EXPECT_EQ(client.Execute("REFUSE", 5000), std::optional<bool>(false));
  ASSERT_EQ(recus_.size(), 2u);
  EXPECT_EQ(recus_[0].first, "ServeurDDE");
  EXPECT_EQ(recus_[0].second, commande);

  EXPECT_TRUE(client.AvisDemarre("serveuritem", 5000));
  EXPECT_FALSE(client.AvisDemarre("Autre", 5000));
  EXPECT_EQ(client.Requete("ServeurItem", 5000), std::optional<QByteArray>(QByteArray("pret\x88", 5)));
  EXPECT_EQ(client.Requete("Autre", 5000), std::nullopt);

  client.Deconnecte();
  EXPECT_FALSE(client.EstConnecte());
  EXPECT_FALSE(client.ExecuteAsync("FOCUS"));
  EXPECT_EQ(client.Execute("FOCUS", 5000), std::nullopt);
}

TEST_F(DdeUnProcessus, ExecuteAsynchroneArriveApresLeRetour) {
  DdeClient client(busClient_);
  ASSERT_TRUE(client.Connecte("Mesurial", "ServeurDDE"));
  ASSERT_TRUE(client.ExecuteAsync("CLIP|ADD"));
  // The handler lives on this thread: it can only have run once we are back
  // in the event loop, which proves the call did not wait for it.
  EXPECT_TRUE(recus_.empty());
  ASSERT_TRUE(AttendsQue([&] { return !recus_.empty(); }));
  EXPECT_EQ(recus_[0].second, "CLIP|ADD");
}

TEST_F(DdeUnProcessus, ConnexionsJokerEtEchecs) {
  struct Cas {
    QString service, topic;
    bool reussit;
  };
  const Cas cas[] = {
      {"", "ServeurDDE", true},
      {"", "", false},
      {"Mesurial", "", false},
      {"Mesurial", "AutreSujet", false},
      {"ServiceAbsent", "ServeurDDE", false},
  };
  for (const Cas& c : cas) {
    DdeClient client(busClient_);
    EXPECT_EQ(client.Connecte(c.service, c.topic), c.reussit)
        << c.service.toStdString() << " / " << c.topic.toStdString();
    EXPECT_EQ(client.EstConnecte(), c.reussit);
    if (!c.reussit) {
      EXPECT_FALSE(client.Erreur().isEmpty());
    }
  }
}

TEST_F(DdeUnProcessus, NomDejaPrisEtRetrait) {
  DdeServeur second(busClient_);
  EXPECT_FALSE(second.Enregistre("mesurial", {"ServeurDDE"}));
  EXPECT_FALSE(second.Erreur().isEmpty());

  serveur_.Retire();
  DdeClient client(busClient_);
  EXPECT_FALSE(client.Connecte("Mesurial", "ServeurDDE"));
  EXPECT_TRUE(second.Enregistre("mesurial", {"ServeurDDE"})) << second.Erreur().toStdString();
}

TEST(DdeMemeConnexion, ClientEtServeurSurLeMemeBus) {
  DdeServeur serveur;
  QByteArray recu;
  serveur.SurExecute([&](const QString&, const QByteArray& c) {
    recu = c;
    return DdeServeur::Acquittement::Positif;
  });
  ASSERT_TRUE(serveur.Enregistre("zelor-meme", {"ServeurDDE"}));
  DdeClient client;
  ASSERT_TRUE(client.Connecte("ZELOR-MEME", "ServeurDDE")) << client.Erreur().toStdString();
  EXPECT_EQ(client.Execute("FOCUS", 5000), std::optional<bool>(true));
  EXPECT_EQ(recu, "FOCUS");
}

// A server in another process whose handler blocks until released.
class DdeDeuxProcessus : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier_.isValid());
    liberation_ = dossier_.filePath("libere");
    journal_ = dossier_.filePath("journal");
    serveur_.start(QStringLiteral(ZELOR_DDE_HELPER), {"DdeDistant", "ServeurDDE", liberation_, journal_});
    ASSERT_TRUE(serveur_.waitForStarted(kDelaiAttenteTestMs));
    ASSERT_TRUE(AttendsQue([&] { return client_.Connecte("ddedistant", "SERVEURDDE"); }))
        << client_.Erreur().toStdString();
  }
  void TearDown() override {
    QFile(liberation_).open(QIODevice::WriteOnly);
    serveur_.kill();
    serveur_.waitForFinished(kDelaiAttenteTestMs);
  }
  QByteArray Journal() const {
    QFile f(journal_);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dossier_;
  QString liberation_, journal_;
  QProcess serveur_;
  DdeClient client_;
};

TEST_F(DdeDeuxProcessus, ExecuteAsynchroneNeBloqueJamaisLAppelant) {
  ASSERT_EQ(client_.Execute("BONJOUR", 10000), std::optional<bool>(true));
  ASSERT_TRUE(client_.ExecuteAsync("LENT"));
  // Only now, after the call came back, may the slow handler finish. Had the
  // call waited for it, the handler would have ended on its own deadline.
  ASSERT_TRUE(AttendsQue([&] { return Journal().contains("LENT"); }));
  ASSERT_TRUE(QFile(liberation_).open(QIODevice::WriteOnly));
  ASSERT_TRUE(AttendsQue([&] { return Journal().contains("libere") || Journal().contains("delai"); }, 40000));
  EXPECT_EQ(Journal(), "BONJOUR\nLENT\nlibere\n");
}

TEST_F(DdeDeuxProcessus, ServeurArreteDevientAbsent) {
  serveur_.kill();
  ASSERT_TRUE(serveur_.waitForFinished(kDelaiAttenteTestMs));
  EXPECT_EQ(client_.Execute("BONJOUR", 10000), std::nullopt);
  DdeClient autre;
  ASSERT_TRUE(AttendsQue([&] { return !autre.Connecte("DdeDistant", "ServeurDDE"); }));
}

}  // namespace

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>

#include "export/TFormDDE.h"
#include "platform/tests/WaitFor.h"

namespace {

// The form with its messages and focus requests captured.
class ServeurCommandes : public ::testing::Test {
 protected:
  ServeurCommandes()
      : form_([this](TFormDDE::GenreMessage genre, const QString& texte) { Message(genre, texte); },
              [this] {
                ++focus_;
                return focusAccepte_;
              }) {}
  virtual void Message(TFormDDE::GenreMessage genre, const QString& texte) {
    EXPECT_EQ(genre, TFormDDE::GenreMessage::Erreur);
    messages_ << texte;
  }

  QStringList messages_;
  int focus_ = 0;
  bool focusAccepte_ = true;
  TFormDDE form_;
};

TEST_F(ServeurCommandes, TableDesCommandes) {
  using A = DdeServeur::Acquittement;
  const QByteArray ligne300 = QByteArray(300, 'a');
  const QByteArray focusLong = "FOCUS(" + QByteArray(294, 'x') + ")";
  const QByteArray parentheseLoin = QByteArray(256, 'b') + "(FOCUS)";
  struct Cas {
    QByteArray texte;
    A ack;
    QString message;  // "" when none
    int focus;
  };
  const Cas cas[] = {
      {"FOCUS", A::Positif, "", 1},
      {"focus", A::Positif, "", 1},
      {"Focus()", A::Positif, "", 1},
      {"FOCUS(anything)", A::Positif, "", 1},
      {"gEtDaTa", A::Positif, "", 1},
      {"FOCUS\r\n", A::Positif, "", 1},
      {QByteArray("FOCUS\0", 6), A::Positif, "", 1},
      {"CONFIG|LOAD(c:\\x.cfg)", A::Positif, "", 0},
      {"config|save", A::Positif, "", 0},
      {"FOCUS ", A::Positif, "Fonction inconnue : FOCUS ", 0},
      {" FOCUS", A::Positif, "Fonction inconnue :  FOCUS", 0},
      {"(FOCUS)", A::Positif, "Fonction inconnue : (FOCUS)", 0},
      {"F\xd6"
       "CUS",
       A::Positif, QString::fromUtf8("Fonction inconnue : FÖCUS"), 0},
      {"FOCUS\r\nGETDATA", A::Positif, QString::fromUtf8("Un message à la fois SVP"), 0},
      {"FOCUS\n\n", A::Positif, QString::fromUtf8("Un message à la fois SVP"), 0},
      {"", A::Positif, QString::fromUtf8("Un message à la fois SVP"), 0},
      {"\r\n", A::Positif, "Fonction inconnue : ", 0},
      {focusLong, A::Positif, "", 1},
      {ligne300, A::Positif, "Fonction inconnue : " + QString::fromLatin1(ligne300), 0},
      {parentheseLoin, A::Positif, "Fonction inconnue : " + QString::fromLatin1(parentheseLoin), 0},
      // Not a text the server reads at all.
      {QByteArray("FO\0CUS", 6), A::NonTraite, "", 0},
      {"FOCUS\x01", A::NonTraite, "", 0},
      {QByteArray(TFormDDE::kTailleMaxCommande + 1, 'F'), A::NonTraite, "", 0},
  };
  for (const Cas& c : cas) {
    messages_.clear();
    focus_ = 0;
    EXPECT_EQ(form_.RecoitExecute("serveurdde", c.texte), c.ack) << c.texte.left(40).toStdString();
    EXPECT_EQ(messages_, c.message.isEmpty() ? QStringList() : QStringList{c.message})
        << c.texte.left(40).toStdString();
    EXPECT_EQ(focus_, c.focus) << c.texte.left(40).toStdString();
  }
}

TEST_F(ServeurCommandes, FocusRefuseEtSujetDeLaFiche) {
  focusAccepte_ = false;
  EXPECT_EQ(form_.RecoitExecute("ServeurDDE", "GETDATA"), DdeServeur::Acquittement::Positif);
  EXPECT_EQ(messages_, QStringList{QString::fromUtf8("Syntaxe Macro DDE : Fonction(Paramètre)")});
  messages_.clear();
  // The form's caption is a topic that runs nothing.
  EXPECT_EQ(form_.RecoitExecute("Acquisition", "FOCUS"), DdeServeur::Acquittement::NonTraite);
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_EQ(focus_, 1);
}

TEST(DecoupeLignes, FinsDeLigneMelangees) {
  using L = QList<QByteArray>;
  EXPECT_EQ(TFormDDE::DecoupeLignes(""), L());
  EXPECT_EQ(TFormDDE::DecoupeLignes("\r\n"), L({""}));
  EXPECT_EQ(TFormDDE::DecoupeLignes("a\rb\nc\r\nd"), L({"a", "b", "c", "d"}));
  EXPECT_EQ(TFormDDE::DecoupeLignes("a\n\rb"), L({"a", "", "b"}));
  EXPECT_EQ(TFormDDE::DecoupeLignes("a\r\n"), L({"a"}));
}

// Commands keep arriving while an error box is open.
class BoiteOuverte : public ServeurCommandes {
 protected:
  void Message(TFormDDE::GenreMessage genre, const QString& texte) override {
    ServeurCommandes::Message(genre, texte);
    if (messages_.size() == 1) {
      ackPendant_ << form_.RecoitExecute("ServeurDDE", "INCONNU");
      ackPendant_ << form_.RecoitExecute("ServeurDDE", "A\r\nB");
      ackPendant_ << form_.RecoitExecute("ServeurDDE", "FOCUS");
    }
  }
  QList<DdeServeur::Acquittement> ackPendant_;
};

TEST_F(BoiteOuverte, PasDeSecondeBoiteParDessus) {
  EXPECT_EQ(form_.RecoitExecute("ServeurDDE", "MAUVAIS"), DdeServeur::Acquittement::Positif);
  EXPECT_EQ(messages_, QStringList{"Fonction inconnue : MAUVAIS"});
  EXPECT_EQ(ackPendant_, QList<DdeServeur::Acquittement>(3, DdeServeur::Acquittement::Positif));
  EXPECT_EQ(focus_, 1);
  // Once closed, the next bad command shows its box again.
  EXPECT_EQ(form_.RecoitExecute("ServeurDDE", "ENCORE"), DdeServeur::Acquittement::Positif);
  EXPECT_EQ(messages_.size(), 2);
}

// Over the bus: the client's acknowledgement must wait for the box.
TEST(ServeurSurLeBus, AcquittementApresRetourDExecuteMacro) {
  QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client-commandes");
  ASSERT_TRUE(client.isConnected());
  QDBusPendingCall* enCours = nullptr;
  bool finiPendantLaBoite = true;
  QStringList messages;
  TFormDDE form(
      [&](TFormDDE::GenreMessage, const QString& texte) {
        messages << texte;
        // Give an early reply every chance to arrive; none must.
        finiPendantLaBoite = AttendsQue([&] { return enCours && enCours->isFinished(); }, 300);
      },
      [] { return true; });
  ASSERT_TRUE(form.DemarreServeur("Zelor-Essai")) << messages.join("|").toStdString();
  EXPECT_EQ(form.NomServiceServeur(), "Zelor-Essai");

  QDBusMessage appel =
      QDBusMessage::createMethodCall("org.zelor.dde.zelor-essai", "/serveurdde", dde::kInterface, "Execute");
  appel << QByteArray("INCONNU", 8);
  QDBusPendingCall reponse = client.asyncCall(appel, 20000);
  enCours = &reponse;
  ASSERT_TRUE(AttendsQue([&] { return reponse.isFinished(); }));
  EXPECT_EQ(messages, QStringList{"Fonction inconnue : INCONNU"});
  EXPECT_FALSE(finiPendantLaBoite);
  ASSERT_FALSE(reponse.isError()) << reponse.error().message().toStdString();
  EXPECT_TRUE(reponse.reply().arguments().value(0).toBool());

  // Requests and advises are refused: the server offers no item.
  QDBusMessage avis = QDBusMessage::createMethodCall("org.zelor.dde.zelor-essai", "/serveurdde",
                                                     dde::kInterface, "AdviseStart");
  avis << QString("ServeurItem");
  QDBusPendingCall a = client.asyncCall(avis, 20000);
  ASSERT_TRUE(AttendsQue([&] { return a.isFinished(); }));
  EXPECT_FALSE(a.reply().arguments().value(0).toBool());
}

}  // namespace

#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

namespace {

using namespace std::chrono_literals;

constexpr auto DelaiAttente = 20s;  // generous: the machine may be loaded

QString MarqueurUnique() {
  static std::atomic<int> compteur{0};
  return QStringLiteral("ZelorEssai-%1-%2").arg(QCoreApplication::applicationPid()).arg(++compteur);
}

// The running copy: its marker served by an event loop of its own thread,
// as the first program's main loop would serve it.
class CopieEnCours {
 public:
  explicit CopieEnCours(const QString& marqueur) {
    thread_.start();
    contexte_.moveToThread(&thread_);
    QMetaObject::invokeMethod(
        &contexte_,
        [this, marqueur] {
          instance_ = std::make_unique<SingleInstance>(marqueur);
          resultat_ = instance_->Verifie();
          QObject::connect(instance_.get(), &SingleInstance::RestaurationDemandee, [this] {
            if (demandes_++ == 0) premiereDemande_.set_value();
          });
        },
        Qt::BlockingQueuedConnection);
  }
  ~CopieEnCours() {
    QMetaObject::invokeMethod(
        &contexte_, [this] { instance_.reset(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
  }
  SingleInstance::Resultat Resultat() const { return resultat_; }
  bool AttendDemande() {
    return premiereDemande_.get_future().wait_for(DelaiAttente) == std::future_status::ready;
  }
  int Demandes() const { return demandes_; }
  // Runs nothing, but returns once every event queued before it is handled.
  void Synchronise() {
    QMetaObject::invokeMethod(
        &contexte_, [] {}, Qt::BlockingQueuedConnection);
  }

 private:
  QThread thread_;
  QObject contexte_;
  std::unique_ptr<SingleInstance> instance_;
  SingleInstance::Resultat resultat_{};
  std::atomic<int> demandes_{0};
  std::promise<void> premiereDemande_;
};

TEST(SingleInstanceTest, UneNouvelleCopieRestaureCelleQuiTourne) {
  const QString marqueur = MarqueurUnique();
  CopieEnCours premiere(marqueur);
  ASSERT_EQ(premiere.Resultat(), SingleInstance::Resultat::Premiere);

  SingleInstance seconde(marqueur, nullptr,
                         std::chrono::duration_cast<std::chrono::milliseconds>(DelaiAttente));
  EXPECT_EQ(seconde.Verifie(), SingleInstance::Resultat::AutreRestauree);
  EXPECT_TRUE(premiere.AttendDemande());
  premiere.Synchronise();
  EXPECT_EQ(premiere.Demandes(), 1);
}

TEST(SingleInstanceTest, MarqueurLibereQuandLaCopieSeTermine) {
  const QString marqueur = MarqueurUnique();
  {
    CopieEnCours premiere(marqueur);
    ASSERT_EQ(premiere.Resultat(), SingleInstance::Resultat::Premiere);
  }
  SingleInstance suivante(marqueur);
  EXPECT_EQ(suivante.Verifie(), SingleInstance::Resultat::Premiere);
}

// A first copy still starting holds the marker but does not answer yet: the
// new copy gives up after its deadline and starts beside it.
TEST(SingleInstanceTest, MarqueurSansReponseLaCopieDemarreQuandMeme) {
  const QString marqueur = MarqueurUnique();
  QLocalServer muet;
  muet.setSocketOptions(QLocalServer::AbstractNamespaceOption);
  ASSERT_TRUE(muet.listen(SingleInstance::NomSocket(marqueur)));

  SingleInstance nouvelle(marqueur, nullptr, 200ms);
  EXPECT_EQ(nouvelle.Verifie(), SingleInstance::Resultat::SansReponse);
}

TEST(SingleInstanceTest, DemandeInconnueIgnoree) {
  const QString marqueur = MarqueurUnique();
  CopieEnCours premiere(marqueur);
  ASSERT_EQ(premiere.Resultat(), SingleInstance::Resultat::Premiere);

  for (const QByteArray& demande : {QByteArray("bonjour\n"), QByteArray(200, 'x')}) {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(SingleInstance::NomSocket(marqueur));
    ASSERT_TRUE(socket.waitForConnected(int(std::chrono::milliseconds(DelaiAttente).count())));
    socket.write(demande);
    socket.flush();
    // The running copy hangs up without an answer.
    while (socket.state() == QLocalSocket::ConnectedState) {
      ASSERT_TRUE(socket.waitForDisconnected(int(std::chrono::milliseconds(DelaiAttente).count())));
    }
    EXPECT_TRUE(socket.readAll().isEmpty());
  }
  premiere.Synchronise();
  EXPECT_EQ(premiere.Demandes(), 0);
}

}  // namespace

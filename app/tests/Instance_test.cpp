// Copies of the program itself, started as a user would start them twice.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

namespace {

using namespace std::chrono_literals;

// Generous: the program starts on a machine shared with other builds.
constexpr auto DelaiDemarrage = 60s;

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier.isValid());
    ini = dossier.filePath("zelor.INI");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(ContenuIni);
  }

  std::unique_ptr<QProcess> Lance() {
    auto p = std::make_unique<QProcess>();
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ZELOR_INI", ini);
    env.insert("ZELOR_MARQUEUR", QStringLiteral("ZelorEssai-%1").arg(QCoreApplication::applicationPid()));
    env.insert("ZELOR_TEMOIN_INSTANCE", "1");
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(dossier.path());
    p->setProcessChannelMode(QProcess::SeparateChannels);
    p->start(ZELOR_EXECUTABLE, {});
    EXPECT_TRUE(p->waitForStarted(int(std::chrono::milliseconds(DelaiDemarrage).count())));
    return p;
  }

  // Waits until the program has written this line on its standard output.
  static bool AttendLigne(QProcess& p, const QByteArray& ligne, QByteArray& lu) {
    const QDeadlineTimer limite(DelaiDemarrage);
    while (!lu.split('\n').contains(ligne)) {
      if (limite.hasExpired()) return false;
      if (!p.waitForReadyRead(int(limite.remainingTime())) && p.state() != QProcess::Running) {
        lu += p.readAllStandardOutput();
        return lu.split('\n').contains(ligne);
      }
      lu += p.readAllStandardOutput();
    }
    return true;
  }

  static void Tue(QProcess& p) {
    p.kill();  // SIGKILL: nothing of the program runs any more
    p.waitForFinished(int(std::chrono::milliseconds(DelaiDemarrage).count()));
  }

  QByteArray LitIni() const {
    QFile f(ini);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  static inline const QByteArray ContenuIni = "[Spectro]\r\nCom=3\r\n; ne pas toucher\r\n";
  QTemporaryDir dossier;
  QString ini;
};

TEST_F(InstanceTest, SecondeCopieRestaureLaPremiereEtSeTermine) {
  auto premiere = Lance();
  QByteArray sortiePremiere;
  ASSERT_TRUE(AttendLigne(*premiere, "instance: premiere", sortiePremiere)) << sortiePremiere.toStdString();

  auto seconde = Lance();
  ASSERT_TRUE(seconde->waitForFinished(int(std::chrono::milliseconds(DelaiDemarrage).count())));
  EXPECT_EQ(seconde->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(seconde->exitCode(), 0);
  // It ended before showing any window of its own, and saved nothing.
  EXPECT_FALSE(seconde->readAllStandardOutput().contains("instance:"));
  EXPECT_TRUE(AttendLigne(*premiere, "restore request", sortiePremiere)) << sortiePremiere.toStdString();
  EXPECT_EQ(LitIni(), ContenuIni);

  // A crashed copy leaves no marker behind: the next one is the first.
  Tue(*premiere);
  auto suivante = Lance();
  QByteArray sortieSuivante;
  EXPECT_TRUE(AttendLigne(*suivante, "instance: premiere", sortieSuivante)) << sortieSuivante.toStdString();
  Tue(*suivante);
}

}  // namespace

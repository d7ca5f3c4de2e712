// Commands sent to the running program, as Mesurial or a user at a terminal
// sends them. Runs on a bus of its own: the program's service name is fixed.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/Dde.h"
#include "platform/tests/WaitFor.h"

namespace {

// Generous: the program starts on a machine shared with other builds.
constexpr int kDelaiProgrammeMs = 60000;

class ProgrammeDde : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier.isValid());
    ini = dossier.filePath("zelor.INI");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // A port that maps to no device: the program starts without an instrument.
    f.write(kContenuIni);
    f.close();

    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ZELOR_INI", ini);
    env.insert("ZELOR_MARQUEUR", QStringLiteral("ZelorDde-%1").arg(QCoreApplication::applicationPid()));
    env.insert("ZELOR_REGISTRY_FILE", dossier.filePath("registre.ini"));
    env.insert("ZELOR_COMPORTS_FILE", dossier.filePath("comports"));
    programme.setProcessEnvironment(env);
    programme.setWorkingDirectory(dossier.path());
    programme.start(ZELOR_EXECUTABLE, {});
    ASSERT_TRUE(programme.waitForStarted(kDelaiProgrammeMs));
    ASSERT_TRUE(AttendsQue(
        [] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(dde::NomBus("zelor")); },
        kDelaiProgrammeMs))
        << programme.readAllStandardError().toStdString();
  }
  void TearDown() override {
    programme.kill();
    programme.waitForFinished(kDelaiProgrammeMs);
  }

  // Output of a command-line tool, or "" when it did not run.
  static QByteArray Sortie(const QString& outil, const QStringList& arguments) {
    QProcess p;
    p.start(outil, arguments);
    if (!p.waitForFinished(kDelaiProgrammeMs)) return {};
    return p.readAllStandardOutput();
  }

  static inline const QByteArray kContenuIni = "[Spectro]\r\nCom=200\r\n";
  QTemporaryDir dossier;
  QString ini;
  QProcess programme;
};

TEST_F(ProgrammeDde, CommandesAcquitteesParLeProgrammeQuiTourne) {
  // The service is the executable's name.
  DdeClient client;
  ASSERT_TRUE(client.Connecte("ZELOR", "ServeurDDE")) << client.Erreur().toStdString();
  for (const QByteArray commande : {"FOCUS", "GETDATA", "CONFIG|SAVE", "CONFIG|LOAD(zelor.INI)"}) {
    EXPECT_EQ(client.Execute(commande + '\0', kDelaiProgrammeMs), std::optional<bool>(true))
        << commande.data();
  }
  // Accepted and ignored: the configuration file is the one written above.
  QFile f(ini);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), kContenuIni);
  EXPECT_EQ(programme.state(), QProcess::Running);
}

TEST_F(ProgrammeDde, LignesDuReadme) {
  // The lines the README gives for sending FOCUS by hand.
  EXPECT_EQ(Sortie("gdbus", {"call", "--session", "--dest", "org.zelor.dde.zelor", "--object-path",
                             "/serveurdde", "--method", "org.zelor.dde.Conversation.Execute", "b'FOCUS'"}),
            "(true,)\n");
  // systemd's tool, where the machine has it.
  if (QStandardPaths::findExecutable("busctl").isEmpty()) GTEST_SKIP() << "busctl absent";
  EXPECT_EQ(
      Sortie("busctl", {"--user", "call", "org.zelor.dde.zelor", "/serveurdde", "org.zelor.dde.Conversation",
                        "Execute", "ay", "5", "70", "79", "67", "85", "83"}),
      "b true\n");
}

TEST(ProgrammeSansBus, DemarreQuandMeme) {
  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  auto env = QProcessEnvironment::systemEnvironment();
  env.remove("DBUS_SESSION_BUS_ADDRESS");
  env.remove("DISPLAY");
  env.insert("XDG_RUNTIME_DIR", dossier.filePath("pas-de-bus"));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("ZELOR_INI", dossier.filePath("zelor.INI"));
  env.insert("ZELOR_MARQUEUR", QStringLiteral("ZelorSansBus-%1").arg(QCoreApplication::applicationPid()));
  env.insert("ZELOR_TEMOIN_INSTANCE", "1");
  env.insert("ZELOR_COMPORTS_FILE", dossier.filePath("comports"));
  QProcess programme;
  programme.setProcessEnvironment(env);
  programme.setWorkingDirectory(dossier.path());
  programme.start(ZELOR_EXECUTABLE, {});
  ASSERT_TRUE(programme.waitForStarted(kDelaiProgrammeMs));
  // The main window is up: the missing bus is only a message over it.
  QByteArray sortie;
  EXPECT_TRUE(AttendsQue(
      [&] {
        sortie += programme.readAllStandardOutput();
        return sortie.contains("instance: premiere\n") || programme.state() != QProcess::Running;
      },
      kDelaiProgrammeMs));
  EXPECT_TRUE(sortie.contains("instance: premiere\n")) << sortie.toStdString();
  EXPECT_EQ(programme.state(), QProcess::Running);
  programme.kill();
  programme.waitForFinished(kDelaiProgrammeMs);
}

}  // namespace

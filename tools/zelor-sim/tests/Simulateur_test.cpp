#include "tools/zelor-sim/Simulateur.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "tools/zelor-sim/tests/LigneEsclave.h"

namespace {

constexpr char kEtx = 3;
constexpr char kAck = 6;
constexpr int kDelaiMs = 10000;

QByteArrayList LignesDe(const QString& chemin) {
  QFile f(chemin);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QByteArrayList lignes = f.readAll().split('\n');
  if (!lignes.isEmpty() && lignes.last().isEmpty()) lignes.removeLast();
  return lignes;
}

// Waits, polling, for a condition that another process or thread brings about.
template <typename Condition>
bool AttendQue(Condition condition) {
  QDeadlineTimer fin(kDelaiMs);
  while (!condition()) {
    if (fin.hasExpired()) return false;
    QThread::msleep(10);
  }
  return true;
}

struct TCasLigne {
  const char* nom;
  void (*regle)(TSimOptions&);
};

const TCasLigne kLignes[] = {
    {"paced_9600", [](TSimOptions&) {}},
    {"fast", [](TSimOptions& o) { o.rapide = true; }},
    {"chunks_of_3", [](TSimOptions& o) { o.tranche = 3; }},
    {"fast_single_bytes", [](TSimOptions& o) { o.rapide = true, o.tranche = 1; }},
};

class LigneTest : public testing::TestWithParam<TCasLigne> {};

// The program's opening sequence, over the real device, whatever the line.
TEST_P(LigneTest, IdentificationSequence) {
  QTemporaryDir dossier;
  TSimOptions o;
  o.graine = 1;
  o.journal = dossier.filePath("sim.log");
  GetParam().regle(o);
  TSimulateur sim(o);
  QString erreur;
  ASSERT_TRUE(sim.Prepare(&erreur)) << erreur.toStdString();
  EXPECT_TRUE(sim.CheminEsclave().startsWith("/dev/pts/"));
  sim.Start();
  TLigneEsclave ligne(sim.CheminEsclave());
  ASSERT_TRUE(ligne.Ouverte());

  const struct {
    QByteArray commande, reponse;
  } sequence[] = {
      {"@?RPS\r", "\x02RPSONX\x03"},          {"?RPTN\r", "\x02RPTN12345X\x03"},
      {"?RPTi\r", "\x02RPTiZELOR 1000X\x03"}, {"?RPTV\r", "\x02RPTV2.10X\x03"},
      {"?RPTl\r", "\x02RPTl190X\x03"},        {"?RPTu\r", "\x02RPTu1100X\x03"},
  };
  for (const auto& pas : sequence) EXPECT_EQ(ligne.Echange(pas.commande, kEtx), pas.reponse);
  EXPECT_EQ(ligne.Echange("?GTO600.0\r", kAck), "\x06");
  EXPECT_EQ(ligne.Echange("?RPTL\r", kEtx), "\x02RPTL600X\x03");

  sim.Stop();
  sim.Attend();
  const TStatistiques s = sim.Statistiques();
  EXPECT_EQ(s.octetsRecus, static_cast<std::uint64_t>(ligne.OctetsEcrits()));
  EXPECT_EQ(s.octetsEnvoyes, static_cast<std::uint64_t>(ligne.OctetsLus()));
  EXPECT_EQ(s.commandes, 8u);
}

INSTANTIATE_TEST_SUITE_P(Simulateur, LigneTest, testing::ValuesIn(kLignes),
                         [](const auto& info) { return std::string(info.param.nom); });

TEST(Simulateur, BusyWhileMovingAndTheLogShowsTheExactBytes) {
  QTemporaryDir dossier;
  TSimOptions o;
  o.graine = 1;
  o.msParNm = 4;  // 500 nm to 1000 nm: two seconds of motor
  o.journal = dossier.filePath("sim.log");
  TSimulateur sim(o);
  QString erreur;
  ASSERT_TRUE(sim.Prepare(&erreur)) << erreur.toStdString();
  sim.Start();
  TLigneEsclave ligne(sim.CheminEsclave());

  ligne.Ecrit("@?GTO1000.0\r");
  EXPECT_EQ(ligne.Echange("?RPS\r", kEtx), "\x02RPSBUSYX\x03");
  EXPECT_EQ(ligne.LitJusqua(kAck), "\x06");
  EXPECT_EQ(ligne.Echange("?RPS\r", kEtx), "\x02RPSONX\x03");
  sim.Stop();
  sim.Attend();

  const QByteArrayList attendu = {
      R"(RX "\x40")", R"(RX "?GTO1000.0\r")", R"(RX "?RPS\r")",         R"(TX "\x02RPSBUSYX\x03")",
      R"(TX "\x06")", R"(RX "?RPS\r")",       R"(TX "\x02RPSONX\x03")", "bytes_in 22 bytes_out 19 commands 3",
  };
  EXPECT_EQ(LignesDe(o.journal), attendu);
}

TEST(Simulateur, DisconnectAfterClosesTheLine) {
  TSimOptions o;
  o.rapide = true;
  o.deconnecteApres = 2;
  TSimulateur sim(o);
  QString erreur;
  ASSERT_TRUE(sim.Prepare(&erreur)) << erreur.toStdString();
  sim.Start();
  TLigneEsclave ligne(sim.CheminEsclave());
  EXPECT_EQ(ligne.Echange("?RPS\r", kEtx), "\x02RPSONX\x03");
  EXPECT_EQ(ligne.Echange("?RPTV\r", kEtx), "\x02RPTV2.10X\x03");
  EXPECT_TRUE(ligne.AttendRaccrochage());
  EXPECT_TRUE(AttendQue([&] { return sim.LigneFermee(); }));
  sim.Attend();  // Run has returned by itself
}

// After a reset the program must not receive the rest of an old reply, or
// it would take it for the answer to its next command.
TEST(Simulateur, ResetDropsTheRestOfAReplyBeingSent) {
  QTemporaryDir dossier;
  TSimOptions o;
  o.baud = 110;  // 91 ms a byte: the reset arrives long before the reply ends
  o.journal = dossier.filePath("sim.log");
  TSimulateur sim(o);
  QString erreur;
  ASSERT_TRUE(sim.Prepare(&erreur)) << erreur.toStdString();
  sim.Start();
  TLigneEsclave ligne(sim.CheminEsclave());
  EXPECT_EQ(ligne.Echange("?RPTi\r", '\x02'), "\x02");
  const QByteArray suite = ligne.Echange("@?RPS\r", kEtx);
  EXPECT_TRUE(suite.endsWith("\x02RPSONX\x03")) << suite.toStdString();
  EXPECT_LT(suite.size(), 8 + 4) << suite.toStdString();  // at most a byte or two of the name went on
  sim.Stop();
  sim.Attend();
  const QByteArrayList lignes = LignesDe(o.journal);
  ASSERT_GE(lignes.size(), 4);
  EXPECT_EQ(lignes[1], R"(RX "\x40")");
  EXPECT_TRUE(lignes[2].startsWith(R"(TX "\x02)") && lignes[2].endsWith(" cut by reset"))
      << lignes[2].toStdString();
  EXPECT_EQ(lignes[3], R"(RX "?RPS\r")");
}

TEST(Simulateur, ServesAMasterItIsGiven) {
  const int maitre = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(maitre, 0);
  ASSERT_EQ(grantpt(maitre), 0);
  ASSERT_EQ(unlockpt(maitre), 0);
  const QString esclave = QString::fromLocal8Bit(ptsname(maitre));
  TSimOptions o;
  o.rapide = true;
  TSimulateur sim(o, maitre);
  QString erreur;
  ASSERT_TRUE(sim.Prepare(&erreur)) << erreur.toStdString();
  sim.Start();
  TLigneEsclave ligne(esclave);
  EXPECT_EQ(ligne.Echange("@?RPS\r", kEtx), "\x02RPSONX\x03");
  EXPECT_EQ(ligne.Echange("?RNGA   \r", kAck), "\x06");
}

// The binary as scripts use it: registration in the device map, the device
// file, the signals, and the clean-up at exit.
class Programme : public testing::Test {
 protected:
  void SetUp() override {
    carte = dossier.filePath("conf/comports");
    fichierPeripherique = dossier.filePath("device");
    journal = dossier.filePath("sim.log");
    QDir().mkpath(dossier.filePath("conf"));
    QFile f(carte);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kCarteAvant);
  }

  void Lance(QStringList arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZELOR_COMPORTS_FILE", carte);
    processus.setProcessEnvironment(env);
    processus.start(ZELOR_SIM_EXE, arguments << "--com"
                                             << "3"
                                             << "--device-file" << fichierPeripherique << "--log" << journal
                                             << "--fast"
                                             << "--seed"
                                             << "2");
    ASSERT_TRUE(processus.waitForStarted(kDelaiMs));
    ASSERT_TRUE(AttendQue([&] { return QFile::exists(fichierPeripherique); }));
    ASSERT_TRUE(processus.waitForReadyRead(kDelaiMs) || processus.canReadLine());
    peripherique = QString::fromLocal8Bit(processus.readLine().trimmed());
  }

  bool JournalContient(const QByteArray& ligne) {
    return AttendQue([&] { return LignesDe(journal).contains(ligne); });
  }

  static constexpr const char* kCarteAvant = "# ports\nCOM1=/dev/ttyS0\nCOM3=/dev/stale\n";
  QTemporaryDir dossier;
  QString carte, fichierPeripherique, journal, peripherique;
  QProcess processus;
};

TEST_F(Programme, RegistersServesAndCleansUpOnSigterm) {
  Lance({});
  EXPECT_TRUE(peripherique.startsWith("/dev/pts/"));
  EXPECT_EQ(LignesDe(fichierPeripherique), QByteArrayList{peripherique.toLocal8Bit()});
  EXPECT_EQ(LignesDe(carte),
            (QByteArrayList{"# ports", "COM1=/dev/ttyS0", "COM3=" + peripherique.toLocal8Bit()}));

  {
    TLigneEsclave ligne(peripherique);
    EXPECT_EQ(ligne.Echange("?GTO260\r?RPTA\r", kEtx).left(6), "\x06\x02RPTA");
    kill(static_cast<pid_t>(processus.processId()), SIGUSR1);
    EXPECT_TRUE(JournalContient("CUVETTE sample"));
    kill(static_cast<pid_t>(processus.processId()), SIGUSR2);
    EXPECT_TRUE(JournalContient("bytes_in 14 bytes_out 14 commands 2"));
  }

  processus.terminate();
  ASSERT_TRUE(processus.waitForFinished(kDelaiMs));
  EXPECT_EQ(processus.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(processus.exitCode(), 0);
  EXPECT_EQ(LignesDe(carte), (QByteArrayList{"# ports", "COM1=/dev/ttyS0"}));
  EXPECT_FALSE(QFile::exists(fichierPeripherique));
}

TEST_F(Programme, ExitsByItselfWhenIdleAndStillCleansUp) {
  Lance({"--exit-when-idle", "0.2"});
  ASSERT_TRUE(processus.waitForFinished(kDelaiMs));
  EXPECT_EQ(processus.exitCode(), 0);
  EXPECT_EQ(LignesDe(carte), (QByteArrayList{"# ports", "COM1=/dev/ttyS0"}));
  EXPECT_EQ(LignesDe(journal).last(), "bytes_in 0 bytes_out 0 commands 0");
}

TEST_F(Programme, BadOptionIsRefusedBeforeTouchingTheMap) {
  processus.start(ZELOR_SIM_EXE, {"--garble", "2", "--com", "3"});
  ASSERT_TRUE(processus.waitForFinished(kDelaiMs));
  EXPECT_EQ(processus.exitCode(), 2);
  EXPECT_TRUE(QString::fromUtf8(processus.readAllStandardError()).contains("--garble"));
  EXPECT_EQ(LignesDe(carte), QByteArray(kCarteAvant).split('\n').mid(0, 3));
}

}  // namespace

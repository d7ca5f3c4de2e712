// zelor-scan against the instrument simulator on a pseudo-terminal: the
// program as a script runs it (exit code, standard output and error, files),
// and the session in-process where the test must act at a precise moment.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <signal.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "export/FichiersSpectre.h"
#include "platform/IniFile.h"
#include "serial/ComPort.h"
#include "tools/zelor-scan/CodesSortie.h"
#include "tools/zelor-scan/SessionScan.h"
#include "tools/zelor-sim/ModeleSpectre.h"
#include "tools/zelor-sim/Simulateur.h"
#include "tools/zelor-sim/tests/JournalSimulateur.h"

namespace {

constexpr int PortDeTest = 45;
const QString NomPort = QStringLiteral("COM45");
// Longest a run of the program may take here before the test gives up.
constexpr int DelaiProgrammeMs = 120000;

// A motor slow enough for a scan to be caught half-way, over the sample.
void MoteurLent(TSimOptions& o) {
  o.rapide = false;
  o.msParNm = 8;
  o.cuvette = TCuvette::Echantillon;
}

struct Sortie {
  int code = -1;
  QString out;
  QString err;
  QJsonObject Json() const {
    QJsonParseError erreur{};
    const QJsonDocument doc = QJsonDocument::fromJson(out.toUtf8(), &erreur);
    EXPECT_EQ(erreur.error, QJsonParseError::NoError) << out.toStdString();
    EXPECT_TRUE(doc.isObject()) << out.toStdString();
    return doc.object();
  }
};

class ScanBoutEnBout : public ::testing::Test {
 protected:
  void Demarre(const std::function<void(TSimOptions&)>& regle = {}) {
    ASSERT_TRUE(dossier.isValid());
    options.rapide = true;
    options.graine = 7;
    options.journal = dossier.filePath("sim.log");
    if (regle) regle(options);
    simulateur = std::make_unique<TSimulateur>(options);
    QString erreur;
    ASSERT_TRUE(simulateur->Prepare(&erreur)) << erreur.toStdString();
    carte = NomPort + "=" + simulateur->CheminEsclave();
    qputenv("ZELOR_COMPORTS_FILE", dossier.filePath("comports").toLocal8Bit());
    qputenv("ZELOR_COMPORTS", carte.toLocal8Bit());
    simulateur->Start();
  }
  void TearDown() override {
    if (simulateur) {
      simulateur->Stop();
      simulateur->Attend();
    }
    qunsetenv("ZELOR_COMPORTS");
    qunsetenv("ZELOR_COMPORTS_FILE");
  }

  QString Ini() const { return dossier.filePath("zelor.INI"); }
  QString Chemin(const QString& nom) const { return dossier.filePath(nom); }

  QStringList Arguments(QStringList arguments) const {
    return arguments << "--port" << NomPort << "--ini" << Ini();
  }

  void Prepare(QProcess& p, const QStringList& arguments) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZELOR_COMPORTS", carte);
    env.insert("ZELOR_COMPORTS_FILE", dossier.filePath("comports"));
    p.setProcessEnvironment(env);
    p.setProgram(ZELOR_SCAN_EXE);
    p.setArguments(Arguments(arguments));
  }

  static Sortie Fin(QProcess& p) {
    Sortie s;
    EXPECT_TRUE(p.waitForFinished(DelaiProgrammeMs)) << "zelor-scan toujours en marche";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    s.code = p.exitCode();
    s.out = QString::fromUtf8(p.readAllStandardOutput());
    s.err = QString::fromUtf8(p.readAllStandardError());
    return s;
  }

  Sortie Lance(const QStringList& arguments) const {
    QProcess p;
    Prepare(p, arguments);
    p.start();
    EXPECT_TRUE(p.waitForStarted());
    return Fin(p);
  }

  // The solvent curve as a recorded baseline, so a test starts at the scan.
  void EcritBlanc() const {
    IniFile ini;
    ini.WriteInteger("Spectro", "BlancDebut", 400);
    ini.WriteInteger("Spectro", "BlancFin", 800);
    for (int w = 200; w <= 1024; ++w)
      ini.WriteString("Blanc", std::to_string(w), std::to_string(TModeleSpectre::Solvant(w)));
    ASSERT_TRUE(ini.Save(Ini()));
  }

  std::string Recu() const { return RecuParSimulateur(options.journal); }

  // Each wavelength of the file against the simulator's model: sample minus
  // solvent, within the noise of two readings, the digits kept and the chord
  // the step rule allows.
  void VerifieModele(const TFichierSpectre& s) const {
    const TModeleSpectre modele(options);
    const double tolerance = 4 * 2 * options.bruit + 0.0005 + 16 * 0.002 / 2;
    for (int w = s.premier; w <= s.dernier; ++w) {
      const double attendu =
          *modele.Absorbance(w, TCuvette::Echantillon) - *modele.Absorbance(w, TCuvette::Blanc);
      ASSERT_NEAR(s.spectre[w], attendu, tolerance) << w;
    }
  }

  QTemporaryDir dossier;
  TSimOptions options;
  std::unique_ptr<TSimulateur> simulateur;
  QString carte;
};

TEST_F(ScanBoutEnBout, IdentifieEnTexteEtEnJson) {
  Demarre();
  const Sortie texte = Lance({"identify"});
  EXPECT_EQ(texte.code, kTermine) << texte.err.toStdString();
  EXPECT_EQ(texte.out, "Nom : ZELOR 1000\nNuméro : 12345\nVersion : 2.10\nGamme : 200 à 1100 nm\nPort : COM45\n");

  const Sortie json = Lance({"identify", "--json"});
  ASSERT_EQ(json.code, kTermine);
  const QJsonObject o = json.Json();
  EXPECT_EQ(o["commande"].toString(), "identify");
  EXPECT_EQ(o["code"].toInt(-1), 0);
  EXPECT_EQ(o["nom"].toString(), "ZELOR 1000");
  EXPECT_EQ(o["numero"].toString(), "12345");
  EXPECT_EQ(o["version"].toString(), "2.10");
  EXPECT_EQ(o["lambda_min"].toInt(), 200);
  EXPECT_EQ(o["lambda_max"].toInt(), 1100);
  // Identification only: nothing moves, no configuration is written.
  EXPECT_EQ(Recu().find("?GTO"), std::string::npos);
  EXPECT_FALSE(QFileInfo::exists(Ini()));
}

TEST_F(ScanBoutEnBout, BlancPuisSpectreDansChaqueFormat) {
  Demarre();
  const Sortie blanc = Lance({"blanc", "--from", "380", "--to", "720", "--json"});
  ASSERT_EQ(blanc.code, kTermine) << blanc.err.toStdString();
  EXPECT_EQ(blanc.Json()["debut"].toInt(), 380);
  EXPECT_EQ(blanc.Json()["fin"].toInt(), 720);
  // Progress on standard error, a line per tenth when it is no terminal.
  EXPECT_TRUE(blanc.err.contains("Blanc : λ=720 nm")) << blanc.err.toStdString();
  IniFile ini;
  ASSERT_TRUE(ini.Load(Ini()));
  EXPECT_EQ(ini.ReadInteger("Spectro", "BlancDebut", 0), 380);
  EXPECT_EQ(ini.ReadInteger("Spectro", "BlancFin", 0), 720);
  for (int w : {380, 500, 720})
    EXPECT_NEAR(std::stod(*ini.ReadString("Blanc", std::to_string(w))), TModeleSpectre::Solvant(w), 0.003) << w;

  simulateur->BasculeCuvette();
  struct Cas {
    const char* nom;
    const char* format;
  };
  for (const Cas& c : {Cas{"e.jdx", "jcamp-dx"}, Cas{"e.csv", "csv"}, Cas{"e.txt", "texte"}}) {
    const QString sortie = Chemin(c.nom);
    const Sortie r = Lance({"spectre", "--from", "400", "--to", "700", "-o", sortie, "--comment", "Essai é",
                            "--param", "Conc", "mol/L", "0,25", "--json", "--quiet"});
    ASSERT_EQ(r.code, kTermine) << c.nom << " " << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QJsonObject o = r.Json();
    EXPECT_EQ(o["fichier"].toString(), sortie);
    EXPECT_EQ(o["format"].toString(), c.format);
    EXPECT_EQ(o["premier"].toInt(), 400);
    EXPECT_EQ(o["dernier"].toInt(), 700);
    EXPECT_GT(o["points"].toInt(), 10);
    EXPECT_LT(o["points"].toInt(), 301 / 2);

    const TLectureSpectre lu = OuvreSpectre(sortie);
    ASSERT_TRUE(lu.spectre) << c.nom << " " << lu.erreur.toStdString();
    EXPECT_EQ(lu.spectre->premier, 400);
    EXPECT_EQ(lu.spectre->dernier, 700);
    EXPECT_EQ(lu.spectre->commentaire, "Essai é");
    EXPECT_EQ(lu.spectre->valeurParam, 0.25);
    VerifieModele(*lu.spectre);
    EXPECT_EQ(QDir(dossier.path()).entryList({"e*"}, QDir::Files).count(QString(c.nom)), 1);
  }
  // No temporary file is left beside the outputs.
  EXPECT_EQ(QDir(dossier.path()).entryList({"e.*"}, QDir::Files).size(), 3);
}

TEST_F(ScanBoutEnBout, CtrlCEcritLesPointsMesures) {
  Demarre(MoteurLent);
  EcritBlanc();
  const QString sortie = Chemin("arrete.csv");
  QProcess p;
  Prepare(p, {"spectre", "--from", "400", "--to", "700", "-o", sortie, "--json"});
  p.start();
  ASSERT_TRUE(p.waitForStarted());
  QString err;
  // The second progress line: a fifth of the range is measured.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        err += QString::fromUtf8(p.readAllStandardError());
        return err.count("Spectre : ") >= 2 || p.state() == QProcess::NotRunning;
      },
      DelaiProgrammeMs));
  ASSERT_EQ(p.state(), QProcess::Running) << err.toStdString();
  ASSERT_EQ(::kill(static_cast<pid_t>(p.processId()), SIGINT), 0);
  const Sortie r = Fin(p);
  EXPECT_EQ(r.code, kArrete) << (err + r.err).toStdString();
  EXPECT_TRUE(r.err.contains("arrêté par l'utilisateur")) << r.err.toStdString();
  const QJsonObject o = r.Json();
  EXPECT_EQ(o["code"].toInt(), kArrete);
  const TLectureSpectre lu = OuvreSpectre(sortie);
  ASSERT_TRUE(lu.spectre) << lu.erreur.toStdString();
  EXPECT_EQ(o["premier"].toInt(), lu.spectre->premier);
  EXPECT_EQ(o["dernier"].toInt(), lu.spectre->dernier);
  // The points so far: a part of the range, from the bound the scan started at.
  EXPECT_GE(lu.spectre->dernier - lu.spectre->premier, 30);
  EXPECT_LT(lu.spectre->dernier - lu.spectre->premier, 300);
  EXPECT_TRUE(lu.spectre->premier == 400 || lu.spectre->dernier == 700);
  VerifieModele(*lu.spectre);
}

TEST_F(ScanBoutEnBout, DeuxCtrlCAbandonnentSansEcrire) {
  // In-process, so both Ctrl+C reach the session at the same moment.
  Demarre(MoteurLent);
  EcritBlanc();
  TDemandeScan demande;
  demande.commande = TCommandeScan::Spectre;
  demande.nomCommande = "spectre";
  demande.debut = 400;
  demande.fin = 700;
  demande.sortie = Chemin("abandon.jdx");
  demande.port = PortDeTest;
  demande.ini = Ini();
  TProgression progression(stderr, false, true);
  TSessionScan session(demande, progression);
  QTimer guet;
  QObject::connect(&guet, &QTimer::timeout, [&] {
    const std::string recu = Recu();
    std::size_t lectures = 0;
    for (std::size_t i = recu.find("?RPTA"); i != std::string::npos; i = recu.find("?RPTA", i + 1)) ++lectures;
    if (lectures < 5) return;
    guet.stop();
    session.Interrompt(1);
    session.Interrompt(2);
  });
  guet.start(20);
  const TIssueScan issue = session.Execute();
  EXPECT_EQ(issue.code, kArrete);
  EXPECT_TRUE(issue.message.contains("rien n'a été écrit")) << issue.message.toStdString();
  EXPECT_FALSE(QFileInfo::exists(demande.sortie));
  EXPECT_TRUE(QDir(dossier.path()).entryList({"abandon*"}).isEmpty());
}

TEST_F(ScanBoutEnBout, ChaqueEchecSonCodeEtSonMessage) {
  struct Cas {
    const char* nom;
    std::function<void(TSimOptions&)> simulateur;
    bool blanc;  // a baseline is recorded beforehand
    QStringList arguments;
    int code;
    const char* message;
    bool instrumentTouche;  // a go-to was sent
  };
  const QString sortie = "sortie.jdx";
  const Cas cas[] = {
      {"spectro muet", [](TSimOptions& o) { o.silencieux = true; }, true, {"spectre", "-o", sortie}, kIntrouvable,
       "Spectro non trouvé sur COM45", false},
      {"ligne perdue", [](TSimOptions& o) { o.deconnecteApres = 30; }, true,
       {"spectre", "--from", "400", "--to", "700", "-o", sortie}, kLiaisonPerdue, "liaison perdue", true},
      {"réponse sans fin", [](TSimOptions& o) { o.tronqueTous = 14; }, true,
       {"spectre", "--from", "400", "--to", "700", "-o", sortie, "--attente", "2"}, kLiaisonPerdue,
       "ne répond plus depuis 2 s", true},
      {"sous la gamme", {}, true, {"spectre", "--from", "150", "--to", "700", "-o", sortie}, kLigneIncorrecte,
       "le spectro mesure de 200 à 1024 nm", false},
      {"bornes trop proches", {}, true, {"spectre", "--from", "400", "--to", "420", "-o", sortie},
       kLigneIncorrecte, "50 nm d'écart", false},
      {"blanc hors limites", {}, false, {"blanc", "--from", "300", "--to", "700"}, kLigneIncorrecte,
       "début de 325 à 549 nm", false},
      {"sans ligne de base", {}, false, {"spectre", "-o", sortie}, kLigneIncorrecte,
       "lancer d'abord « zelor-scan blanc »", false},
      {"aller hors gamme", {}, false, {"aller", "1100"}, kLigneIncorrecte, "hors de la gamme", false},
      {"dossier absent", {}, true, {"spectre", "-o", "absent/sortie.jdx"}, kFichierNonEcrit, "n'existe pas",
       false},
      {"sortie dossier", {}, true, {"spectre", "-o", "dossier.jdx"}, kFichierNonEcrit, "est un dossier", false},
      {"format inconnu", {}, true, {"spectre", "-o", "sortie.pdf"}, kLigneIncorrecte, "extension .jdx", false},
      {"commande inconnue", {}, false, {"balaye"}, kLigneIncorrecte, "commande inconnue", false},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    TearDown();
    ASSERT_TRUE(dossier.remove());
    dossier = QTemporaryDir();
    ASSERT_TRUE(QDir(dossier.path()).mkdir("dossier.jdx"));
    options = TSimOptions();
    Demarre(c.simulateur);
    if (c.blanc) EcritBlanc();
    QStringList arguments;
    for (const QString& a : c.arguments) arguments << (a.endsWith(".jdx") || a.endsWith(".pdf") ? Chemin(a) : a);
    const Sortie r = Lance(arguments << "--json");
    EXPECT_EQ(r.code, c.code) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    const QJsonObject o = r.Json();
    EXPECT_EQ(o["code"].toInt(-1), c.code);
    EXPECT_TRUE(o["message"].toString().contains(QString::fromUtf8(c.message)));
    // Never a file under the name asked for, whole or half-written.
    EXPECT_FALSE(QFileInfo::exists(Chemin(sortie)));
    EXPECT_EQ(Recu().find("?GTO") != std::string::npos, c.instrumentTouche) << Recu();
  }
}

TEST_F(ScanBoutEnBout, LignePerdueGardeLesPointsACote) {
  Demarre([](TSimOptions& o) { o.deconnecteApres = 30; });
  EcritBlanc();
  const Sortie r = Lance({"spectre", "--from", "400", "--to", "700", "-o", Chemin("s.jdx")});
  EXPECT_EQ(r.code, kLiaisonPerdue);
  EXPECT_FALSE(QFileInfo::exists(Chemin("s.jdx")));
  const TLectureSpectre lu = OuvreSpectre(Chemin("s-partiel.jdx"));
  ASSERT_TRUE(lu.spectre) << r.err.toStdString() << lu.erreur.toStdString();
  EXPECT_TRUE(r.err.contains("s-partiel.jdx")) << r.err.toStdString();
}

TEST_F(ScanBoutEnBout, PortTenuParUnAutreProgramme) {
  Demarre();
  EcritBlanc();
  // The window's port object holds the line, as the window would.
  TComPort voie;
  voie.SetComNumber(PortDeTest);
  voie.SetAutoOpen(false);
  voie.SetOpen(true);
  const QString nous = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  const QString pid = QString::number(QCoreApplication::applicationPid());
  for (const QStringList& arguments : {QStringList{"identify"}, QStringList{"spectre", "-o", Chemin("t.jdx")}}) {
    const Sortie r = Lance(arguments);
    EXPECT_EQ(r.code, kIntrouvable);
    EXPECT_TRUE(r.err.contains("COM45 (" + simulateur->CheminEsclave() + ") est déjà utilisé par " + nous +
                               " (pid " + pid + ")"))
        << r.err.toStdString();
  }
  // Nothing reached the instrument, nothing was written.
  EXPECT_TRUE(Recu().empty()) << Recu();
  EXPECT_FALSE(QFileInfo::exists(Chemin("t.jdx")));
  voie.SetOpen(false);

  // And the other way round: while zelor-scan measures, a second one is refused.
  simulateur->Stop();
  simulateur->Attend();
  simulateur.reset();
  Demarre(MoteurLent);
  QProcess premier;
  Prepare(premier, {"spectre", "--from", "400", "--to", "700", "-o", Chemin("u.jdx")});
  premier.start();
  ASSERT_TRUE(premier.waitForStarted());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Recu().find("?GTO") != std::string::npos; }, DelaiProgrammeMs));
  const Sortie second = Lance({"aller", "600"});
  EXPECT_EQ(second.code, kIntrouvable);
  EXPECT_TRUE(second.err.contains("est déjà utilisé par zelor-scan (pid " + QString::number(premier.processId())))
      << second.err.toStdString();
  EXPECT_EQ(Fin(premier).code, kTermine);
}

TEST_F(ScanBoutEnBout, SpectroOccupeApresUnDeplacement) {
  // The instrument answers its status as busy for a while after a move.
  Demarre([](TSimOptions& o) { o.busyMs = 60000; });
  EcritBlanc();
  ASSERT_EQ(Lance({"aller", "600"}).code, kTermine);
  const std::size_t avant = Recu().size();
  QFile ini(Ini());
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QByteArray configuration = ini.readAll();
  ini.close();
  for (const QStringList& arguments :
       {QStringList{"blanc"}, QStringList{"spectre", "--from", "400", "--to", "700", "-o", Chemin("o.jdx")}}) {
    const Sortie r = Lance(arguments);
    EXPECT_EQ(r.code, kIntrouvable);
    EXPECT_TRUE(r.err.contains("Spectro occupé : attendre puis recommencer")) << r.err.toStdString();
  }
  EXPECT_EQ(Recu().find("?GTO", avant), std::string::npos);
  EXPECT_FALSE(QFileInfo::exists(Chemin("o.jdx")));
  // The configuration is left as it was.
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_EQ(ini.readAll(), configuration);
}

TEST_F(ScanBoutEnBout, AllerPuisLire) {
  Demarre([](TSimOptions& o) { o.cuvette = TCuvette::Echantillon; });
  const Sortie aller = Lance({"aller", "420", "--json"});
  ASSERT_EQ(aller.code, kTermine) << aller.err.toStdString();
  EXPECT_EQ(aller.Json()["lambda"].toInt(), 420);
  const Sortie lire = Lance({"lire", "--json"});
  ASSERT_EQ(lire.code, kTermine) << lire.err.toStdString();
  const QJsonObject o = lire.Json();
  EXPECT_EQ(o["lambda"].toInt(), 420);
  const TModeleSpectre modele(options);
  EXPECT_NEAR(o["absorbance"].toDouble(), *modele.Absorbance(420, TCuvette::Echantillon), 0.003);
  EXPECT_NE(Recu().find("?GTO420.0\r"), std::string::npos);
}

}  // namespace

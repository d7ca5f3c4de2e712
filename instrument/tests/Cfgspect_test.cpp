#include "instrument/Cfgspect.h"

#include "app/Labutil.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <csignal>
#include <functional>

namespace {

QByteArray LitFichier(const QString& chemin) {
  QFile f(chemin);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void EcritFichier(const QString& chemin, const QByteArray& contenu) {
  QFile f(chemin);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(contenu), contenu.size());
}

QString Fixture(const char* nom) {
  return QStringLiteral(ZELOR_INSTRUMENT_FIXTURES "/") + nom;
}

class CfgspectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier.isValid());
    chemin = dossier.filePath("zelor.INI");
  }
  // Reads a file holding these lines (LF) into a fresh Tspectro.
  Tspectro Lit(const QByteArray& contenu) {
    EcritFichier(chemin, contenu);
    Tspectro s;
    s.LitIni(chemin);
    return s;
  }
  QStringList Fichiers() const { return QDir(dossier.path()).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir dossier;
  QString chemin;
};

TEST_F(CfgspectTest, FichierAbsentDonneLesValeursParDefaut) {
  Tspectro s;
  s.LitIni(chemin);
  EXPECT_EQ(s.Precision, 4);
  EXPECT_EQ(s.NbreDecimales, 1);
  EXPECT_EQ(s.MiniA, -0.3);
  EXPECT_EQ(s.MaxiA, 3);
  EXPECT_EQ(s.MiniL, 0);
  EXPECT_EQ(s.MaxiL, 1);
  EXPECT_EQ(s.PasMax, 16);
  EXPECT_EQ(s.Yseconde, 0.002);
  EXPECT_EQ(s.BlancDebut, 400);
  EXPECT_EQ(s.BlancFin, 800);
  EXPECT_EQ(s.Debut, 400);
  EXPECT_EQ(s.Fin, 800);
  EXPECT_EQ(s.Com, 1);
  EXPECT_EQ(s.Baud, 9600);
  EXPECT_EQ(s.DataBits, 7);
  EXPECT_EQ(s.Parity, TParite::Paire);
  EXPECT_EQ(s.StopBits, 2);
  EXPECT_TRUE(s.RTS);
  EXPECT_FALSE(s.XonXoff);
  const std::pair<const std::string&, const char*> commandes[] = {
      {s.SetL, "?GTO"},        {s.GetL, "?RPTL"},    {s.GetLmini, "?RPTl"}, {s.GetLmaxi, "?RPTu"},
      {s.GetAbs, "?RPTA"},     {s.AutoZero, "?AZO"}, {s.AffAbs, "?RNGA"},   {s.AffT, "?RNG%T"},
      {s.AffLambda, "?RNGnm"}, {s.Status, "?RPS"},   {s.GetNom, "?RPTi"},   {s.GetVersion, "?RPTV"},
      {s.GetNumero, "?RPTN"},
  };
  for (const auto& [valeur, attendu] : commandes) EXPECT_EQ(valeur, attendu);
  EXPECT_EQ(s.AckCommande, 6);
  EXPECT_EQ(s.FinMessage, 3);
  EXPECT_EQ(s.FinCommande, 13);
  EXPECT_EQ(s.DebutMessage, 2);
  EXPECT_EQ(s.Reset, 64);
  EXPECT_EQ(s.DebutReponse, 4);
  EXPECT_EQ(s.TimeOutTxt, 5);
  EXPECT_EQ(s.TimeOutCtrl, 9);
  // The default range 0..1 reads two missing keys; entry 2 keeps its
  // construction marker and the rest of the table is 0.
  EXPECT_EQ(s.Blanc[0], ValeurIndefinie);
  EXPECT_EQ(s.Blanc[1], ValeurIndefinie);
  EXPECT_EQ(s.Blanc[2], ValeurIndefinie);
  EXPECT_EQ(s.Blanc[3], 0);
  EXPECT_EQ(s.Blanc[LambdaMaxTable], 0);
  EXPECT_TRUE(Fichiers().isEmpty());  // reading never creates the file
}

TEST_F(CfgspectTest, ValeursInvalidesOuHorsLimitesRamenees) {
  struct Cas {
    const char* lignes;
    std::function<double(const Tspectro&)> champ;
    double attendu;
  };
  auto parite = [](const Tspectro& s) { return double(s.Parity); };
  const Cas cas[] = {
      {"Precision=abc", [](auto& s) { return s.Precision; }, 4},
      {"Precision=0", [](auto& s) { return s.Precision; }, 1},
      {"Precision=99", [](auto& s) { return s.Precision; }, 18},
      {"NbreDecimales=-3", [](auto& s) { return s.NbreDecimales; }, 0},
      {"NbreDecimales=40", [](auto& s) { return s.NbreDecimales; }, 18},
      {"PasMax=0", [](auto& s) { return s.PasMax; }, 1},
      {"PasMax=5000", [](auto& s) { return s.PasMax; }, 1024},
      {"Parity=7", parite, 2},
      {"Parity=-1", parite, 2},
      {"Parity=258", parite, 2},
      {"Parity=4", parite, 4},
      {"MiniL=-20", [](auto& s) { return s.MiniL; }, 0},
      {"MiniL=300\nMaxiL=300", [](auto& s) { return s.MaxiL; }, 800},
      {"MiniL=300\nMaxiL=12", [](auto& s) { return s.MaxiL; }, 800},
      {"MiniL=900\nMaxiL=0", [](auto& s) { return s.MaxiL; }, 1024},
      {"MiniL=5000", [](auto& s) { return s.MiniL; }, 1023},
      {"MaxiL=2000", [](auto& s) { return s.MaxiL; }, 1024},
      {"MiniA=x", [](auto& s) { return s.MiniA; }, -0.3},
      {"MaxiA=2,5", [](auto& s) { return s.MaxiA; }, 2.5},
      {"Yseconde=1e-3", [](auto& s) { return s.Yseconde; }, 0.001},
      {"FinCommande=266", [](auto& s) { return s.FinCommande; }, 10},
      {"Reset=0x41", [](auto& s) { return s.Reset; }, 65},
      {"Com=$10", [](auto& s) { return s.Com; }, 16},
      {"Com=65539", [](auto& s) { return s.Com; }, 3},
      {"Com=COM3", [](auto& s) { return s.Com; }, 1},
      {"TimeOutTxt=0X12", [](auto& s) { return s.TimeOutTxt; }, 18},
      {"RTS=0", [](auto& s) { return s.RTS; }, 0},
      {"RTS=oui", [](auto& s) { return s.RTS; }, 1},
      {"XonXoff=-5", [](auto& s) { return s.XonXoff; }, 1},
  };
  for (const auto& c : cas) {
    const Tspectro s = Lit(QByteArray("[Spectro]\n") + c.lignes + "\n");
    EXPECT_EQ(c.champ(s), c.attendu) << c.lignes;
  }
}

TEST_F(CfgspectTest, CommandeCoupeeA20CaracteresEtCasseGardee) {
  const Tspectro s = Lit("[Spectro]\nSetL=?ABCDEFGHIJKLMNOPQRSTUVWXYZ\nGetLmini=?RPTl\nGetL=?RPTL\n");
  EXPECT_EQ(s.SetL, "?ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(s.GetLmini, "?RPTl");
  EXPECT_EQ(s.GetL, "?RPTL");
}

TEST_F(CfgspectTest, LigneHuitBitsSansPariteUnStop) {
  Tspectro s;
  s.LitIni(Fixture("8N1.INI"));
  EXPECT_EQ(s.Parity, TParite::Aucune);
  EXPECT_EQ(s.DataBits, 8);
  EXPECT_EQ(s.StopBits, 1);
  EXPECT_EQ(s.Baud, 19200);
  EXPECT_FALSE(s.RTS);
  EXPECT_TRUE(s.XonXoff);
}

TEST_F(CfgspectTest, LigneDeBaseLueSurLaPlageDuFichier) {
  const Tspectro s =
      Lit("[Spectro]\r\nMiniL=200\r\nMaxiL=207\r\n[Blanc]\r\n200=-7.5\r\n201=-4.9\r\n203=abc\r\n"
          "204=1e300\r\n205=1e999\r\n206=0,25\r\n207=-5\r\n208=1\r\n");
  const std::pair<int, double> attendus[] = {
      {200, ValeurIndefinie},
      {201, -4.9},
      {202, ValeurIndefinie},
      {203, ValeurIndefinie},
      {204, ValeurIndefinie},
      {205, ValeurIndefinie},
      {206, 0.25},
      {207, -5},
      {208, 0},  // outside the file's range: not read
  };
  for (const auto& [lambda, valeur] : attendus) EXPECT_EQ(s.Blanc[lambda], valeur) << lambda;
}

TEST_F(CfgspectTest, PremiereSortieEcritExactementLesClesChangeables) {
  Tspectro s;
  s.LitIni(chemin);
  ASSERT_TRUE(s.EcritIni(chemin));
  EXPECT_EQ(LitFichier(chemin),
            "[Spectro]\r\nCom=1\r\nBlancDebut=400\r\nBlancFin=800\r\nDebut=400\r\nFin=800\r\n"
            "[Blanc]\r\n0=-10\r\n1=-10\r\n");
}

TEST_F(CfgspectTest, FichierDUnAutreProgrammeGardeToutCeQuiNEstPasEcrit) {
  const QByteArray original = LitFichier(Fixture("autre_programme.INI"));
  ASSERT_FALSE(original.isEmpty());
  EcritFichier(chemin, original);
  Tspectro s;
  s.LitIni(chemin);
  EXPECT_EQ(s.Blanc[200], 0.1);
  EXPECT_EQ(s.Blanc[202], ValeurIndefinie);
  s.Com = 4;
  s.Debut = 450;
  s.Blanc[201] = 0.5;
  s.Blanc[203] = -4.9;
  ASSERT_TRUE(s.EcritIni(chemin));

  QByteArray attendu = original;
  attendu.replace("Com=2\r\n", "Com=4\r\n");
  attendu.replace("Baud=9600\r\n", "Baud=9600\r\nBlancDebut=400\r\nBlancFin=800\r\nDebut=450\r\nFin=800\r\n");
  attendu.replace("202=-10\r\n", "202=-10\r\n201=0.5\r\n203=-4.9\r\n");
  EXPECT_EQ(LitFichier(chemin), attendu);

  Tspectro relu;
  relu.LitIni(chemin);
  EXPECT_EQ(relu.Com, 4);
  EXPECT_EQ(relu.Debut, 450);
  for (int lambda = 200; lambda <= 203; ++lambda) EXPECT_EQ(relu.Blanc[lambda], s.Blanc[lambda]) << lambda;
}

TEST_F(CfgspectTest, ValeurIndefinieEcriteMoinsDixEtRelue) {
  Tspectro s = Lit("[Spectro]\nMiniL=300\nMaxiL=302\n");
  s.Blanc[300] = ValeurIndefinie;
  s.Blanc[301] = 1.0 / 3;
  s.Blanc[302] = std::nan("");
  ASSERT_TRUE(s.EcritIni(chemin));
  const QByteArray texte = LitFichier(chemin);
  EXPECT_TRUE(texte.contains("\n300=-10\n"));
  EXPECT_TRUE(texte.contains("\n301=0.333333333333333\n"));
  EXPECT_TRUE(texte.contains("\n302=-10\n"));  // never "nan" in the file
  Tspectro relu;
  relu.LitIni(chemin);
  EXPECT_EQ(relu.Blanc[300], ValeurIndefinie);
  EXPECT_EQ(relu.Blanc[301], 0.333333333333333);
  EXPECT_EQ(relu.Blanc[302], ValeurIndefinie);
}

// An instrument range beyond the table (set at run time from its answer)
// must not make the baseline loops leave it.
TEST_F(CfgspectTest, PlageAuDelaDeLaTableBorneeA1024) {
  Tspectro s = Lit("[Spectro]\nMiniL=1000\nMaxiL=90000\n[Blanc]\n1024=0.5\n1025=0.7\n");
  EXPECT_EQ(s.MaxiL, 1024);
  EXPECT_EQ(s.Blanc[1024], 0.5);
  s.MiniL = -50;
  s.MaxiL = 3000;
  ASSERT_TRUE(s.EcritIni(chemin));
  const QByteArray texte = LitFichier(chemin);
  EXPECT_TRUE(texte.contains("\n0=-10\n"));
  EXPECT_TRUE(texte.contains("\n1024=0.5\n"));
  EXPECT_FALSE(texte.contains("\n-1="));
  EXPECT_EQ(texte.count("\n1025="), 1);  // only the file's own line
}

TEST_F(CfgspectTest, CheminImpossibleSignaleSurLaSortieDErreur) {
  Tspectro s;
  const QString impossible = dossier.filePath("absent/zelor.INI");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(s.EcritIni(impossible));
  const std::string erreur = testing::internal::GetCapturedStderr();
  EXPECT_NE(erreur.find("n'a pas été enregistré"), std::string::npos) << erreur;
  EXPECT_NE(erreur.find(impossible.toStdString()), std::string::npos) << erreur;
  EXPECT_EQ(std::count(erreur.begin(), erreur.end(), '\n'), 1);
  EXPECT_TRUE(Fichiers().isEmpty());
}

// A save that fails half-way (disk full, or a folder that refuses writes)
// keeps the previous file whole and leaves no temporary file.
TEST_F(CfgspectTest, EchecDEnregistrementGardeLAncienFichier) {
  const QByteArray ancien = "; garde-moi\r\n[Spectro]\r\nCom=2\r\nMiniL=0\r\nMaxiL=1024\r\n";
  EcritFichier(chemin, ancien);
  Tspectro s;
  s.LitIni(chemin);
  s.Com = 7;

  rlimit avant{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &avant), 0);
  rlimit limite = avant;
  limite.rlim_cur = 2048;  // far below the 1025 baseline lines
  const auto ancienSignal = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limite), 0);
  testing::internal::CaptureStderr();
  const bool enregistre = s.EcritIni(chemin);
  const std::string erreur = testing::internal::GetCapturedStderr();
  setrlimit(RLIMIT_FSIZE, &avant);
  std::signal(SIGXFSZ, ancienSignal);

  EXPECT_FALSE(enregistre);
  EXPECT_NE(erreur.find("n'a pas été enregistré"), std::string::npos) << erreur;
  EXPECT_EQ(LitFichier(chemin), ancien);
  EXPECT_EQ(Fichiers(), QStringList{"zelor.INI"});
}

TEST_F(CfgspectTest, DossierEnLectureSeuleGardeLAncienFichier) {
  const QByteArray ancien = "[Spectro]\r\nCom=2\r\n";
  EcritFichier(chemin, ancien);
  QFile::setPermissions(dossier.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const bool dossierProtege = !QFile(dossier.filePath("essai")).open(QIODevice::WriteOnly);
  if (dossierProtege) {
    Tspectro s;
    s.Com = 9;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(s.EcritIni(chemin));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(LitFichier(chemin), ancien);
  }
  QFile::remove(dossier.filePath("essai"));
  QFile::setPermissions(dossier.path(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(Fichiers(), QStringList{"zelor.INI"});
  if (!dossierProtege) GTEST_SKIP() << "folder permissions do not stop this user (root)";
}

TEST(NomFichierIniTest, ExtensionRemplaceeEtCheminComplet) {
  const std::pair<QString, QString> cas[] = {
      {"/opt/zelor/bin/zelor", "/opt/zelor/bin/zelor.INI"},
      {"/opt/a.b/zelor.exe", "/opt/a.b/zelor.INI"},
      {"/x/zelor.tar.gz", "/x/zelor.tar.INI"},
      // A path past 255 characters names the same folder, never a cut one.
      {"/" + QString(300, u'd') + "/zelor", "/" + QString(300, u'd') + "/zelor.INI"},
  };
  for (const auto& [executable, attendu] : cas) EXPECT_EQ(NomFichierIniPour(executable), attendu);
}

TEST(NomFichierIniTest, VariableDEnvironnementImposeLeFichier) {
  const QByteArray avant = qgetenv("ZELOR_INI");
  qputenv("ZELOR_INI", "/tmp/ailleurs/zelor.INI");
  EXPECT_EQ(NomFichierIni(), "/tmp/ailleurs/zelor.INI");
  qunsetenv("ZELOR_INI");
  EXPECT_EQ(NomFichierIni(), NomFichierIniPour(QCoreApplication::applicationFilePath()));
  if (!avant.isNull()) qputenv("ZELOR_INI", avant);
}

TEST(ReelVersIniTest, FormatGeneralQuinzeChiffresAvecPoint) {
  const std::pair<double, const char*> cas[] = {
      {0.002, "0.002"},
      {-10, "-10"},
      {0.1, "0.1"},
      {-4.9, "-4.9"},
      {1e-5, "1e-05"},
      {123456789012345678.0, "1.23456789012346e+17"},
      {2.0 / 3, "0.666666666666667"},
  };
  for (const auto& [valeur, attendu] : cas) EXPECT_EQ(ReelVersIni(valeur), attendu);
  EXPECT_EQ(TexteVersReel(ReelVersIni(-7.25)), -7.25);
}

TEST(SpectroTest, InstanceUniqueDuProgramme) {
  EXPECT_EQ(&Spectro(), &Spectro());
}

}  // namespace

#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <csignal>

namespace {

QByteArray LitFichier(const QString& chemin) {
  QFile f(chemin);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << chemin.toStdString();
  return f.readAll();
}

void EcritFichier(const QString& chemin, const QByteArray& contenu) {
  QFile f(chemin);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(contenu), contenu.size());
}

QString Fixture(const char* nom) {
  return QStringLiteral(ZELOR_PLATFORM_FIXTURES "/") + nom;
}

// The same file with CRLF and with LF line endings must read alike.
class IniLectureTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { ASSERT_TRUE(ini.Load(Fixture(GetParam()))); }
  IniFile ini;
};

TEST_P(IniLectureTest, TrouveLesClesCommeLesFonctionsDeProfil) {
  struct Cas {
    const char* section;
    const char* cle;
    std::optional<std::string> attendu;
  };
  const Cas cas[] = {
      {"Spectro", "Com", "3"},                 // section and key without case, blanks removed
      {"spectro", "BAUD", "4800"},             // the first of two equal keys wins
      {"Spectro", "Nom", "Zelor 1000"},        // quotes around a value are removed
      {"Spectro", "Parity", std::nullopt},     // a commented-out key is no key
      {"Spectro", "sans egal", std::nullopt},  // a line without "=" is no key
      {"Spectro", "Version", std::nullopt},    // keys before the first section belong to none
      {"Autre", "Com", "9"},                   // same key in another section
      {"Autre", "Cle", "valeur avec blancs"},  // tabs and spaces trimmed
      {"Blanc", "201", "-7.5"},                // last line
      {"Absente", "Com", std::nullopt},
  };
  for (const auto& c : cas) {
    EXPECT_EQ(ini.ReadString(c.section, c.cle), c.attendu) << c.section << "/" << c.cle;
  }
  // The value never carries the line ending, whatever the style.
  EXPECT_EQ(ini.ReadString("Blanc", "200", "x"), "0.125");
}

INSTANTIATE_TEST_SUITE_P(FinsDeLigne, IniLectureTest,
                         ::testing::Values("autre_programme.ini", "autre_programme_lf.ini"));

TEST(IniEntierTest, LitDecimalEtHexadecimalSinonDefaut) {
  struct Cas {
    const char* texte;
    std::optional<std::int32_t> attendu;
  };
  const Cas cas[] = {
      {"12", 12},
      {"-5", -5},
      {"+7", 7},
      {" 42 ", 42},
      {"0x1A", 26},
      {"0X1a", 26},
      {"$FF", 255},
      {"-$10", -16},
      {"266", 266},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", {}},
      {"$FFFFFFFF", {}},
      {"99999999999999999999", {}},
      {"", {}},
      {"-", {}},
      {"0x", {}},
      {"$", {}},
      {"12abc", {}},
      {"1.5", {}},
      {"abc", {}},
      {"0x-1", {}},
      {"--1", {}},
      {"1 2", {}},
  };
  for (const auto& c : cas) EXPECT_EQ(LitEntierIni(c.texte), c.attendu) << '"' << c.texte << '"';

  IniFile ini;
  ini.Parse("[S]\r\nA=0x10\r\nB=douze\r\n");
  EXPECT_EQ(ini.ReadInteger("s", "a", -1), 16);
  EXPECT_EQ(ini.ReadInteger("S", "B", -1), -1);
  EXPECT_EQ(ini.ReadInteger("S", "C", -1), -1);
}

TEST(IniEcritureTest, RemplaceEnPlaceEtGardeToutLeReste) {
  const QByteArray original = LitFichier(Fixture("autre_programme.ini"));
  IniFile ini;
  ini.Parse(original);
  ini.WriteString("spectro", "COM", "5");  // spelling of the file kept
  ini.WriteString("Spectro", "baud", "19200");
  ini.WriteString("Autre", "Cle", "x");

  QByteArray attendu = original;
  attendu.replace("  Com = 3\r\n", "  Com = 5\r\n");
  attendu.replace("baud=4800\r\n", "baud=19200\r\n");
  attendu.replace("Cle=\t valeur avec blancs \t\r\n", "Cle=\t x\r\n");
  EXPECT_EQ(ini.Text(), attendu);
  // The second "Baud" line, a duplicate nobody reads, is left alone.
  EXPECT_TRUE(ini.Text().contains("Baud=1200\r\n"));
}

TEST(IniEcritureTest, AjouteCleEnFinDeSectionEtSectionEnFinDeFichier) {
  struct Cas {
    const char* nom;
    QByteArray avant;
    QByteArray apres;
  };
  const Cas cas[] = {
      {"CRLF, key after the last key, before blank line and comment",
       "[A]\r\nx=1\r\n\r\n; B\r\n[B]\r\ny=2\r\n",
       "[A]\r\nx=1\r\nk=v\r\n\r\n; B\r\n[B]\r\ny=2\r\n[N]\r\nk=v\r\n"},
      {"LF file stays LF", "[A]\nx=1\n", "[A]\nx=1\nk=v\n[N]\nk=v\n"},
      {"section without keys", "[A]\r\n; rien\r\n", "[A]\r\nk=v\r\n; rien\r\n[N]\r\nk=v\r\n"},
      {"last line without line ending", "[A]\r\nx=1", "[A]\r\nx=1\r\nk=v\r\n[N]\r\nk=v\r\n"},
      {"new file uses CRLF", "", "[N]\r\nk=v\r\n"},
  };
  for (const auto& c : cas) {
    IniFile ini;
    ini.Parse(c.avant);
    if (c.avant.contains("[A]")) ini.WriteString("a", "k", "v");
    ini.WriteString("N", "k", "v");
    EXPECT_EQ(ini.Text(), c.apres) << c.nom;
  }
}

TEST(IniEcritureTest, UnSautDeLigneNeCreePasDeCle) {
  IniFile ini;
  ini.WriteString("S", "A", "1\r\n[T]\r\nB=2");
  EXPECT_EQ(ini.ReadString("T", "B"), std::nullopt);
  EXPECT_EQ(ini.ReadString("S", "A"), "1  [T]  B=2");
}

class IniSauvegardeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier.isValid());
    chemin = dossier.filePath("zelor.INI");
  }
  QStringList Contenu() const { return QDir(dossier.path()).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir dossier;
  QString chemin;
};

TEST_F(IniSauvegardeTest, EnregistreEtRelit) {
  IniFile ini;
  EXPECT_FALSE(ini.Load(chemin));  // missing: empty
  ini.WriteInteger("Spectro", "Com", 2);
  ASSERT_TRUE(ini.Save(chemin));
  EXPECT_EQ(LitFichier(chemin), "[Spectro]\r\nCom=2\r\n");
  IniFile relu;
  ASSERT_TRUE(relu.Load(chemin));
  EXPECT_EQ(relu.ReadInteger("SPECTRO", "com", 0), 2);
  EXPECT_EQ(Contenu(), QStringList{"zelor.INI"});
}

TEST_F(IniSauvegardeTest, DossierAbsentRenvoieFaux) {
  IniFile ini;
  ini.WriteInteger("Spectro", "Com", 2);
  EXPECT_FALSE(ini.Save(dossier.filePath("absent/zelor.INI")));
  EXPECT_TRUE(Contenu().isEmpty());
}

// A full disk: the write fails half-way. The old file must stay whole and
// the temporary file must be gone. A file size limit gives that failure even
// to root, whom folder permissions would not stop.
TEST_F(IniSauvegardeTest, EcritureInterrompueGardeLAncienFichier) {
  const QByteArray ancien = "[Spectro]\r\nCom=1\r\n";
  // A text smaller than the device's write buffer and one larger: the error
  // must be caught whether it comes from a write or from the final flush.
  for (const int cles : {300, 2000}) {
    EcritFichier(chemin, ancien);
    IniFile ini;
    ASSERT_TRUE(ini.Load(chemin));
    for (int i = 0; i < cles; ++i) ini.WriteString("Blanc", std::to_string(i), "0.123456789012345");
    ASSERT_GT(ini.Text().size(), 4096);

    rlimit avant{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &avant), 0);
    rlimit limite = avant;
    limite.rlim_cur = 4096;
    const auto ancienSignal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limite), 0);
    const bool enregistre = ini.Save(chemin);
    setrlimit(RLIMIT_FSIZE, &avant);
    std::signal(SIGXFSZ, ancienSignal);

    EXPECT_FALSE(enregistre) << cles;
    EXPECT_EQ(LitFichier(chemin), ancien) << cles;
    EXPECT_EQ(Contenu(), QStringList{"zelor.INI"}) << cles;
  }
}

}  // namespace

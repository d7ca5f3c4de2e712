#include "platform/Registre.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

class Registre : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier_.isValid());
    fichier_ = dossier_.filePath("sous/registre.ini");
    qputenv("ZELOR_REGISTRY_FILE", fichier_.toLocal8Bit());
  }
  void TearDown() override { qunsetenv("ZELOR_REGISTRY_FILE"); }
  QTemporaryDir dossier_;
  QString fichier_;
};

TEST_F(Registre, EcritureLectureParCheminDeCle) {
  EXPECT_EQ(LitValeurRegistre("Software\\Mesurial\\Mesurial", "Path"), "");
  const QString chemin = "/opt/Mesurial 3/bin/mesurial, v2";
  ASSERT_TRUE(EcritValeurRegistre("Software\\Mesurial\\Mesurial", "Path", chemin));
  ASSERT_TRUE(EcritValeurRegistre("Software\\Mesurial", "Path", "/autre"));
  EXPECT_EQ(FichierRegistre(), fichier_);
  EXPECT_EQ(LitValeurRegistre("Software\\Mesurial\\Mesurial", "Path"), chemin);
  EXPECT_EQ(LitValeurRegistre("Software\\Mesurial", "Path"), "/autre");
  EXPECT_EQ(LitValeurRegistre("Software\\Autre", "Path"), "");
}

TEST_F(Registre, FichierEcritALaMainEtValeurNonTexte) {
  ASSERT_TRUE(EcritValeurRegistre("Software", "x", "y"));  // creates the folder
  QFile f(fichier_);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write("[Software]\nMesurial\\Path=/usr/local/bin/mesurial\nMesurial\\Mesurial\\Path=a, b\n");
  f.close();
  EXPECT_EQ(LitValeurRegistre("Software\\Mesurial", "Path"), "/usr/local/bin/mesurial");
  // A list is not one string: treated as missing rather than guessed at.
  EXPECT_EQ(LitValeurRegistre("Software\\Mesurial\\Mesurial", "Path"), "");
}

TEST(RegistreEmplacement, DossierDeConfigurationDeLUtilisateur) {
  qunsetenv("ZELOR_REGISTRY_FILE");
  qputenv("XDG_CONFIG_HOME", "/tmp/cfg-essai");
  EXPECT_EQ(FichierRegistre(), "/tmp/cfg-essai/zelor/registre.ini");
  qunsetenv("XDG_CONFIG_HOME");
  EXPECT_TRUE(FichierRegistre().endsWith("/.config/zelor/registre.ini"));
}

}  // namespace

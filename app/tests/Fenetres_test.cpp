#include "app/Fenetres.h"
#include "app/Demarrage.h"
#include "instrument/Cfgspect.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(SpectreMainTest, FermerEnregistreLaConfiguration) {
  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  const QString ini = dossier.filePath("zelor.INI");
  qputenv("ZELOR_INI", ini.toLocal8Bit());
  Spectro().Com = 5;
  Spectro().Debut = 321;

  TSpectreMain fenetre(Spectro());
  fenetre.show();
  fenetre.close();

  QFile f(ini);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray texte = f.readAll();
  EXPECT_TRUE(texte.contains("\r\nCom=5\r\n")) << texte.toStdString();
  EXPECT_TRUE(texte.contains("\r\nDebut=321\r\n")) << texte.toStdString();
  qunsetenv("ZELOR_INI");
}

TEST(RestaureFenetreTest, RevientCommeAvantLaMiseEnIcone) {
  for (const bool maximisee : {true, false}) {
    TSpectreMain fenetre(Spectro());
    if (maximisee) {
      fenetre.showMaximized();
    } else {
      fenetre.showNormal();
    }
    fenetre.showMinimized();
    ASSERT_TRUE(fenetre.isMinimized());
    RestaureFenetre(&fenetre);
    EXPECT_FALSE(fenetre.isMinimized()) << maximisee;
    EXPECT_EQ(fenetre.isMaximized(), maximisee);
    EXPECT_TRUE(fenetre.isVisible());
    fenetre.hide();  // not close(): no configuration to save here
  }
}

}  // namespace

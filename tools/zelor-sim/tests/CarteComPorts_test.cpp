#include "tools/zelor-sim/CarteComPorts.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

struct TCasCarte {
  const char* nom;
  QByteArray avant;
  QByteArray apresInscription;  // COM3 -> /dev/pts/7
  QByteArray apresRetrait;
};

const TCasCarte kCartes[] = {
    {"empty", "", "COM3=/dev/pts/7\n", ""},
    {"others_and_comments_kept", "# ports\nCOM1=/dev/ttyS0\n\nCOM4=/dev/ttyUSB0\n",
     "# ports\nCOM1=/dev/ttyS0\n\nCOM4=/dev/ttyUSB0\nCOM3=/dev/pts/7\n",
     "# ports\nCOM1=/dev/ttyS0\n\nCOM4=/dev/ttyUSB0\n"},
    {"every_old_line_of_the_port_replaced", "COM3=/dev/old\nCOM1=/dev/ttyS0\n com3 = /dev/older\n",
     "COM1=/dev/ttyS0\nCOM3=/dev/pts/7\n", "COM1=/dev/ttyS0\n"},
    {"commented_port_line_kept", "#COM3=/dev/x\nCOM13=/dev/y",
     "#COM3=/dev/x\nCOM13=/dev/y\nCOM3=/dev/pts/7\n", "#COM3=/dev/x\nCOM13=/dev/y\n"},
};

TEST(CarteComPorts, RegisterReplacesThePortLineAndRemovalRestoresTheRest) {
  for (const TCasCarte& c : kCartes) {
    SCOPED_TRACE(c.nom);
    const QByteArray inscrit = TCarteComPorts::AvecPort(c.avant, 3, "/dev/pts/7");
    EXPECT_EQ(inscrit, c.apresInscription);
    EXPECT_EQ(TCarteComPorts::SansPort(inscrit, 3, "/dev/pts/7"), c.apresRetrait);
  }
}

TEST(CarteComPorts, RemovalLeavesALineSomeoneElseWroteSince) {
  const QByteArray carte = "COM3=/dev/pts/9\n";
  EXPECT_EQ(TCarteComPorts::SansPort(carte, 3, "/dev/pts/7"), carte);
}

QByteArray Contenu(const QString& chemin) {
  QFile f(chemin);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

TEST(CarteComPorts, FileIsWrittenInANewFolderAndCleanedOnDestruction) {
  QTemporaryDir dossier;
  const QString chemin = dossier.filePath("zelor/comports");
  {
    TCarteComPorts carte(chemin);
    QString erreur;
    ASSERT_TRUE(carte.Inscrit(2, "/dev/pts/4", &erreur)) << erreur.toStdString();
    EXPECT_EQ(Contenu(chemin), "COM2=/dev/pts/4\n");
  }
  EXPECT_EQ(Contenu(chemin), "");
  EXPECT_FALSE(QFile::exists(chemin + ".lock"));
}

TEST(CarteComPorts, DefaultPathFollowsTheEnvironment) {
  const QByteArray fichier = qgetenv("ZELOR_COMPORTS_FILE"), config = qgetenv("XDG_CONFIG_HOME");
  qputenv("ZELOR_COMPORTS_FILE", "/tmp/x/ports");
  EXPECT_EQ(TCarteComPorts::CheminParDefaut(), "/tmp/x/ports");
  qunsetenv("ZELOR_COMPORTS_FILE");
  qputenv("XDG_CONFIG_HOME", "/tmp/cfg");
  EXPECT_EQ(TCarteComPorts::CheminParDefaut(), "/tmp/cfg/zelor/comports");
  qunsetenv("XDG_CONFIG_HOME");
  EXPECT_TRUE(TCarteComPorts::CheminParDefaut().endsWith("/.config/zelor/comports"));
  if (!fichier.isNull()) qputenv("ZELOR_COMPORTS_FILE", fichier);
  if (!config.isNull()) qputenv("XDG_CONFIG_HOME", config);
}

}  // namespace

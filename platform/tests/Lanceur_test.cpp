#include "platform/Lanceur.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/tests/WaitFor.h"

namespace {

// A program that leaves a file named after its first argument (or "sans")
// in the folder given by the environment.
void EcritProgramme(const QString& chemin) {
  QFile f(chemin);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("#!/bin/sh\ntouch \"$LANCEUR_SORTIE/${1:-sans}\"\n");
  f.close();
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class Lanceur : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier_.isValid());
    QDir(dossier_.path()).mkpath("avec espace");
    QDir(dossier_.path()).mkpath("bin");
    QDir(dossier_.path()).mkpath("courant");
    QDir(dossier_.path()).mkpath("sortie");
    EcritProgramme(dossier_.filePath("avec espace/mon prog"));
    EcritProgramme(dossier_.filePath("bin/surpath"));
    EcritProgramme(dossier_.filePath("courant/icionly"));
    ancienPath_ = qgetenv("PATH");
    qputenv("PATH", dossier_.filePath("bin").toLocal8Bit() + ":.::/usr/bin:/bin");
    qputenv("LANCEUR_SORTIE", dossier_.filePath("sortie").toLocal8Bit());
    ancienDossier_ = QDir::currentPath();
    QDir::setCurrent(dossier_.filePath("courant"));
  }
  void TearDown() override {
    QDir::setCurrent(ancienDossier_);
    qputenv("PATH", ancienPath_);
  }
  QString Sortie(const QString& nom) const { return dossier_.filePath("sortie/" + nom); }

  QTemporaryDir dossier_;
  QByteArray ancienPath_;
  QString ancienDossier_;
};

TEST_F(Lanceur, ProgrammesAcceptesEtRefuses) {
  struct Cas {
    QString ligne;
    bool lance;
    QString trace;  // file the program leaves when it runs
  };
  const Cas cas[] = {
      {dossier_.filePath("avec espace/mon prog"), true, "sans"},
      {"surpath arg1", true, "arg1"},
      {"\"" + dossier_.filePath("avec espace/mon prog") + "\" cite", true, "cite"},
      {"icionly relatif", false, "relatif"},
      {"./icionly pointslash", false, "pointslash"},
      {"courant/icionly sousdossier", false, "sousdossier"},
      {"absent", false, ""},
      {"", false, ""},
      {"   ", false, ""},
  };
  for (const Cas& c : cas) {
    EXPECT_EQ(LanceCommande(c.ligne), c.lance) << c.ligne.toStdString();
    if (c.lance) {
      EXPECT_TRUE(AttendsQue([&] { return QFile::exists(Sortie(c.trace)); })) << c.ligne.toStdString();
    }
  }
  // Refused lines started nothing, even later.
  for (const Cas& c : cas) {
    if (!c.lance && !c.trace.isEmpty()) {
      EXPECT_FALSE(QFile::exists(Sortie(c.trace))) << c.ligne.toStdString();
    }
  }
}

TEST_F(Lanceur, ResolutionDuProgramme) {
  const CommandeResolue r = ResoudCommande("surpath --a \"b c\"");
  EXPECT_EQ(r.programme, dossier_.filePath("bin/surpath"));
  EXPECT_EQ(r.arguments, QStringList({"--a", "b c"}));
  const CommandeResolue entier = ResoudCommande(dossier_.filePath("avec espace/mon prog"));
  EXPECT_EQ(entier.programme, dossier_.filePath("avec espace/mon prog"));
  EXPECT_TRUE(entier.arguments.isEmpty());
}

}  // namespace

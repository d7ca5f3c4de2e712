#include <gtest/gtest.h>

#include <QFile>

#include "export/tests/MesurialFixture.h"
#include "platform/Registre.h"

namespace {

TEST_F(LienMesurial, AbsentEtImpossibleADemarrer) {
  TFormDDE form(capture_, [] { return true; });
  EXPECT_TRUE(form.ServiceApplication.isEmpty());
  form.EnvoieMacro("CLIP|LOAD");
  EXPECT_EQ(messages_, QStringList{"Impossible de lancer Mesurial"});
  // A registered path that does not exist starts nothing either.
  messages_.clear();
  form.ServiceApplication = dossier_.filePath("pas-de-mesurial");
  form.EnvoieMacro("CLIP|ADD");
  EXPECT_EQ(messages_, QStringList{"Impossible de lancer Mesurial"});
}

TEST_F(LienMesurial, DejaLanceRienNestDemarre) {
  DemarreStandin();
  // A program that would leave a trace if the link started it.
  const QString trace = dossier_.filePath("demarre");
  const QString script = dossier_.filePath("faux-mesurial");
  QFile f(script);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("#!/bin/sh\ntouch '" + trace.toLocal8Bit() + "'\n");
  f.close();
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  ASSERT_TRUE(EcritValeurRegistre("Software\\Mesurial", "Path", script));

  TFormDDE form(capture_, [] { return true; });
  EXPECT_EQ(form.ServiceApplication, script);
  form.EnvoieMacro("CLIP|ADD");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("|").toStdString();
  ASSERT_TRUE(AttendsQue([&] { return Recu().startsWith("CLIP|ADD\n"); })) << Recu().toStdString();
  EXPECT_FALSE(QFile::exists(trace));
}

TEST_F(LienMesurial, CheminDuRegistreUtilise) {
  // The subkey's value wins over the key's own.
  ASSERT_TRUE(EcritValeurRegistre("Software\\Mesurial\\Mesurial", "Path", LigneStandin()));
  ASSERT_TRUE(EcritValeurRegistre("Software\\Mesurial", "Path", dossier_.filePath("autre")));
  TFormDDE form(capture_, [] { return true; });
  EXPECT_EQ(form.ServiceApplication, LigneStandin());
  // Enough time for the start on a loaded machine.
  form.delais.demarrageMs = 10000;
  form.EnvoieMacro("CLIP|LOAD");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("|").toStdString();
  ASSERT_TRUE(AttendsQue([&] { return Recu().startsWith("CLIP|LOAD\n"); })) << Recu().toStdString();
}

TEST_F(LienMesurial, MesurialLanceParUneSessionPrecedenteRetrouve) {
  // The registered path starts the stand-in and counts its starts.
  const QString demarrages = dossier_.filePath("demarrages");
  const QString script = dossier_.filePath("mesurial");
  QFile f(script);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("#!/bin/sh\necho >> '" + demarrages.toLocal8Bit() + "'\nexec " + LigneStandin().toLocal8Bit() +
          "\n");
  f.close();
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  ASSERT_TRUE(EcritValeurRegistre("Software\\Mesurial", "Path", script));
  auto nbDemarrages = [&] {
    QFile d(demarrages);
    return d.open(QIODevice::ReadOnly) ? d.readAll().count('\n') : 0;
  };

  // Start the program, export, quit; start again, export: one Mesurial.
  for (const QByteArray& commande : {QByteArray("CLIP|LOAD"), QByteArray("CLIP|ADD")}) {
    TFormDDE form(capture_, [] { return true; });
    form.delais.demarrageMs = 5000;  // enough for the start on a loaded machine
    form.EnvoieMacro(commande);
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join("|").toStdString();
    ASSERT_TRUE(AttendsQue([&] { return Recu().contains(commande + "\n"); })) << Recu().toStdString();
  }
  EXPECT_EQ(nbDemarrages(), 1);
}

}  // namespace

#include "platform/NamedMarker.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

namespace {

TEST(NamedMarker, CreeUneFoisPuisPresentJusquALaDestruction) {
  const QString nom = "Mesurial-test-" + QString::number(getpid());
  {
    NamedMarker premier;
    EXPECT_EQ(premier.CreateOrOpen(nom), NamedMarker::Etat::CreeMaintenant);
    EXPECT_TRUE(premier.Detenu());
    NamedMarker second;
    EXPECT_EQ(second.CreateOrOpen(nom), NamedMarker::Etat::DejaPresent);
    EXPECT_FALSE(second.Detenu());
    NamedMarker autreNom;
    EXPECT_EQ(autreNom.CreateOrOpen(nom + "x"), NamedMarker::Etat::CreeMaintenant);
  }
  NamedMarker apres;
  EXPECT_EQ(apres.CreateOrOpen(nom), NamedMarker::Etat::CreeMaintenant);
}

TEST(NamedMarker, DisparaitAvecUnProcessusTue) {
  const QString nom = "Mesurial-tue-" + QString::number(getpid());
  int tube[2];
  ASSERT_EQ(pipe(tube), 0);
  const pid_t enfant = fork();
  ASSERT_GE(enfant, 0);
  if (enfant == 0) {
    NamedMarker m;
    const char etat = m.CreateOrOpen(nom) == NamedMarker::Etat::CreeMaintenant ? 'c' : 'e';
    (void)!write(tube[1], &etat, 1);
    pause();  // held until the parent kills us
    _exit(0);
  }
  char etat = 0;
  ASSERT_EQ(read(tube[0], &etat, 1), 1);
  EXPECT_EQ(etat, 'c');
  {
    NamedMarker pendant;
    EXPECT_EQ(pendant.CreateOrOpen(nom), NamedMarker::Etat::DejaPresent);
  }
  kill(enfant, SIGKILL);
  waitpid(enfant, nullptr, 0);
  close(tube[0]);
  close(tube[1]);
  NamedMarker apres;
  EXPECT_EQ(apres.CreateOrOpen(nom), NamedMarker::Etat::CreeMaintenant);
}

TEST(NamedMarker, NomLongEtEspaceDeNoms) {
  const QString longNom(400, QLatin1Char('m'));
  EXPECT_LE(NamedMarker::NomAbstrait(longNom).size(), 107);
  EXPECT_NE(NamedMarker::NomAbstrait(longNom), NamedMarker::NomAbstrait(longNom + "n"));
  NamedMarker m;
  EXPECT_EQ(m.CreateOrOpen(longNom), NamedMarker::Etat::CreeMaintenant);

  const QByteArray sans = NamedMarker::NomAbstrait("Mesurial");
  qputenv("ZELOR_MARKER_NAMESPACE", "essai42");
  EXPECT_NE(NamedMarker::NomAbstrait("Mesurial"), sans);
  EXPECT_TRUE(NamedMarker::NomAbstrait("Mesurial").contains("essai42"));
  qunsetenv("ZELOR_MARKER_NAMESPACE");
}

}  // namespace

// The holder of a locked device, from the kernel's lock table.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/DetenteurPort.h"

namespace {

void Ecrit(const QString& chemin, const QByteArray& contenu) {
  QDir().mkpath(QFileInfo(chemin).path());
  QFile f(chemin);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(contenu);
}

TEST(DetenteurPort, LuDansLaTableDesVerrous) {
  QTemporaryDir dossier;
  const QString device = dossier.filePath("ttyUSB0");
  Ecrit(device, "");
  struct stat etat {};
  ASSERT_EQ(::stat(device.toLocal8Bit().constData(), &etat), 0);
  char cle[64];
  std::snprintf(cle, sizeof cle, "%02x:%02x:%lu", major(etat.st_dev), minor(etat.st_dev),
                static_cast<unsigned long>(etat.st_ino));
  const QString table = dossier.filePath("locks");
  const QString proc = dossier.filePath("proc");
  Ecrit(proc + "/4242/cmdline", QByteArray("/usr/local/bin/zelor\0--x\0", 25));
  Ecrit(proc + "/77/comm", "zelor-scan\n");

  struct Cas {
    QByteArray lignes;
    int pid;  // 0: nobody
    const char* programme;
  };
  const Cas cas[] = {
      {"1: FLOCK  ADVISORY  WRITE 4242 " + QByteArray(cle) + " 0 EOF\n", 4242, "zelor"},
      // Only the short name is left: it is used.
      {"1: POSIX  ADVISORY  WRITE 9 00:01:2 0 EOF\n2: FLOCK  ADVISORY  WRITE 77 " + QByteArray(cle) + " 0 EOF\n", 77,
       "zelor-scan"},
      // A request waiting for the lock holds nothing; another file's lock is not ours.
      {"1: -> FLOCK  ADVISORY  WRITE 4242 " + QByteArray(cle) + " 0 EOF\n", 0, ""},
      {"1: FLOCK  ADVISORY  WRITE 4242 00:01:999999 0 EOF\n", 0, ""},
      {"", 0, ""},
  };
  for (const Cas& c : cas) {
    Ecrit(table, c.lignes);
    const auto d = DetenteurPort(device.toStdString(), table.toStdString(), proc.toStdString());
    if (c.pid == 0) {
      EXPECT_FALSE(d) << c.lignes.toStdString();
      continue;
    }
    ASSERT_TRUE(d) << c.lignes.toStdString();
    EXPECT_EQ(d->pid, c.pid);
    EXPECT_EQ(d->programme, c.programme);
  }
  EXPECT_FALSE(DetenteurPort(dossier.filePath("absent").toStdString(), table.toStdString(), proc.toStdString()));
}

TEST(DetenteurPort, VerrouDeCeProgramme) {
  // The real table: a lock this test takes names this test.
  QTemporaryDir dossier;
  const QString chemin = dossier.filePath("verrou");
  Ecrit(chemin, "");
  const int fd = ::open(chemin.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  const auto d = DetenteurPort(chemin.toStdString());
  ::close(fd);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->pid, ::getpid());
  EXPECT_EQ(QString::fromStdString(d->programme), QFileInfo(QCoreApplication::applicationFilePath()).fileName());
  EXPECT_FALSE(DetenteurPort(chemin.toStdString()));
}

}  // namespace

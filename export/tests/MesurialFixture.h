// Starts and stops the stand-in Mesurial of tools/ for the link tests; each
// test program runs on a private session bus, so the stand-in it starts is
// the only Mesurial there.
#pragma once

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "export/TFormDDE.h"
#include "platform/Dde.h"
#include "platform/tests/WaitFor.h"

class LienMesurial : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier_.isValid());
    sortie_ = dossier_.filePath("recu.txt");
    qputenv("ZELOR_REGISTRY_FILE", dossier_.filePath("registre.ini").toLocal8Bit());
  }
  void TearDown() override {
    // The stand-in may have been started detached by the link: find it by
    // its bus name.
    const auto pid = QDBusConnection::sessionBus().interface()->servicePid(dde::NomBus("Mesurial"));
    if (pid.isValid() && pid.value() > 0) ::kill(static_cast<pid_t>(pid.value()), SIGTERM);
    AttendsQue([] {
      return !QDBusConnection::sessionBus().interface()->isServiceRegistered(dde::NomBus("Mesurial"));
    });
  }

  static QString Standin() { return QStringLiteral(ZELOR_MESURIAL_STANDIN); }
  QString LigneStandin() const { return Standin() + " --output " + sortie_; }

  void DemarreStandin() {
    ASSERT_TRUE(QProcess::startDetached(Standin(), {"--output", sortie_}));
    DdeClient client;
    ASSERT_TRUE(AttendsQue([&] { return client.Connecte("Mesurial", "ServeurDDE"); }));
  }
  QByteArray Recu() const {
    QFile f(sortie_);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dossier_;
  QString sortie_;
  QStringList messages_;
  TFormDDE::AfficheMessage capture_ = [this](TFormDDE::GenreMessage, const QString& t) { messages_ << t; };
};

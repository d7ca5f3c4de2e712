// The adapter pulled out mid-session and plugged back: the simulator's line
// goes away, a new one takes its COM number, and the port choice ("Config.
// voie série", OK) finds the instrument again without a restart.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>

#include "app/Fenetres.h"
#include "instrument/Cfgspect.h"
#include "tools/zelor-sim/Simulateur.h"

namespace {

constexpr uint16_t PortDeTest = 46;
constexpr int DelaiMs = 30000;

class Rebranchement : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier.isValid());
    qputenv("ZELOR_INI", dossier.filePath("zelor.INI").toLocal8Bit());
    qputenv("ZELOR_COMPORTS_FILE", dossier.filePath("comports").toLocal8Bit());
  }
  void TearDown() override {
    fenetres.reset();
    Debranche();
    qunsetenv("ZELOR_INI");
    qunsetenv("ZELOR_COMPORTS");
    qunsetenv("ZELOR_COMPORTS_FILE");
  }

  // A simulated instrument on a new pseudo-terminal, under the test's number.
  void Branche() {
    TSimOptions options;
    options.rapide = true;
    options.journal = dossier.filePath("sim.log");
    simulateur = std::make_unique<TSimulateur>(options);
    QString erreur;
    ASSERT_TRUE(simulateur->Prepare(&erreur)) << erreur.toStdString();
    qputenv("ZELOR_COMPORTS", ("COM" + std::to_string(PortDeTest) + "=").c_str() +
                                  simulateur->CheminEsclave().toLocal8Bit());
    simulateur->Start();
  }

  // The line goes away as a pulled adapter's does.
  void Debranche() {
    if (!simulateur) return;
    simulateur->Stop();
    simulateur->Attend();
    simulateur.reset();
  }

  TSpectreMain& Principale() { return *fenetres->SpectreMain; }

  bool MessageRecu(const QString& debut) const {
    for (const QString& m : messages)
      if (m.contains(debut)) return true;
    return false;
  }

  QTemporaryDir dossier;
  std::unique_ptr<TSimulateur> simulateur;
  std::unique_ptr<Fenetres> fenetres;
  QStringList messages;
};

TEST_F(Rebranchement, LeSpectroRebrancheEstRetrouveParLeChoixDeLaVoie) {
  Branche();
  Spectro() = Tspectro();
  Spectro().Com = PortDeTest;
  fenetres = std::make_unique<Fenetres>([this](TFormDDE::GenreMessage, const QString& t) { messages << t; });
  Principale().Message = [this](const QString& texte) { messages << texte; };
  Principale().VoieSerie.SetTracing(tlOff);
  Principale().VoieSerie.SetLogging(tlOff);
  Principale().InitAppareil();
  ASSERT_TRUE(Principale().AppareilTrouve);

  Debranche();
  ASSERT_TRUE(QTest::qWaitFor([&] { return MessageRecu("La voie série ne répond plus"); }, DelaiMs));
  EXPECT_TRUE(Principale().VoieSerie.DeviceLost());

  Branche();
  TChoixSpectroDlg& choix = *fenetres->ChoixSpectroDlg;
  QStringList proposes;
  // Runs inside the dialog's own loop, once it is shown and its list built.
  QTimer::singleShot(0, &choix, [&] {
    proposes = choix.Items();
    choix.OKBtnClick();
  });
  Principale().RS232ItemClick();
  EXPECT_TRUE(proposes.contains(QString("COM%1").arg(PortDeTest))) << proposes.join(' ').toStdString();
  EXPECT_FALSE(Principale().VoieSerie.DeviceLost());
  EXPECT_TRUE(Principale().AppareilTrouve) << "the instrument plugged back was not identified";
}

}  // namespace

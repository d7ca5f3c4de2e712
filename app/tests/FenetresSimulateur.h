// The program's windows against the instrument simulator on a pseudo-terminal,
// with the configuration, device map and registry of the test only; the
// messages the program would show are collected instead.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Fenetres.h"
#include "instrument/Cfgspect.h"
#include "tools/zelor-sim/Simulateur.h"
#include "tools/zelor-sim/tests/JournalSimulateur.h"

// Runs an action each time the watched object is shown, on the next turn of
// the event loop; with `uneFois`, the first time only.
class SurAffichage : public QObject {
 public:
  SurAffichage(QObject* cible, std::function<void()> action, bool uneFois = false)
      : action_(std::move(action)), uneFois_(uneFois) {
    if (cible != nullptr) cible->installEventFilter(this);
  }
  bool eventFilter(QObject* objet, QEvent* evenement) override {
    if (evenement->type() == QEvent::Show && action_) {
      QTimer::singleShot(0, objet, uneFois_ ? std::exchange(action_, nullptr) : action_);
    }
    return false;
  }

 private:
  std::function<void()> action_;
  bool uneFois_;
};

class FenetresSimulateur : public ::testing::Test {
 protected:
  // Longest a measurement may take here before the test gives up on it.
  static constexpr int DelaiMesureMs = 120000;

  // Starts the simulator (its options set by `regle`) on COM `port`, then
  // creates the windows; `identifie` runs the identification at once.
  void DemarreSur(uint16_t port, const std::function<void(TSimOptions&)>& regle, bool identifie = true) {
    ASSERT_TRUE(dossier.isValid());
    options.journal = dossier.filePath("sim.log");
    if (regle) regle(options);
    simulateur = std::make_unique<TSimulateur>(options);
    QString erreur;
    ASSERT_TRUE(simulateur->Prepare(&erreur)) << erreur.toStdString();
    qputenv("ZELOR_INI", dossier.filePath("zelor.INI").toLocal8Bit());
    qputenv("ZELOR_REGISTRY_FILE", dossier.filePath("registre.ini").toLocal8Bit());
    qputenv("ZELOR_COMPORTS_FILE", dossier.filePath("comports").toLocal8Bit());
    qputenv("ZELOR_COMPORTS",
            ("COM" + std::to_string(port) + "=").c_str() + simulateur->CheminEsclave().toLocal8Bit());
    simulateur->Start();
    Spectro() = Tspectro();
    Spectro().Com = port;
    if (reglesSpectro) reglesSpectro(Spectro());
    fenetres = std::make_unique<Fenetres>(
        [this](TFormDDE::GenreMessage, const QString& texte) { messages.push_back(texte); });
    Principale().Message = [this](const QString& texte) { messages.push_back(texte); };
    Principale().VoieSerie.SetTracing(tlOff);
    Principale().VoieSerie.SetLogging(tlOff);
    if (identifie) {
      ASSERT_TRUE(Principale().InitAppareil());
      ASSERT_TRUE(Principale().AppareilTrouve);
    }
  }
  void TearDown() override {
    fenetres.reset();
    if (simulateur) {
      simulateur->Stop();
      simulateur->Attend();
    }
    for (const char* variable : {"ZELOR_INI", "ZELOR_REGISTRY_FILE", "ZELOR_COMPORTS", "ZELOR_COMPORTS_FILE"})
      qunsetenv(variable);
  }

  TSpectreMain& Principale() { return *fenetres->SpectreMain; }
  std::string Recu() const { return RecuParSimulateur(options.journal); }

  // Runs `action` once `dialogue` is shown by `ouvre` and active, then waits
  // for the dialog to close; a dialog still open after the limit is rejected.
  void Execute(TDialogueMesure& dialogue, const std::function<void()>& ouvre,
               const std::function<void()>& action) {
    // The status request before the dialog runs the event loop too: the
    // action waits for the dialog to be shown and its activation to be over
    // (it sets the controls from the configuration).
    SurAffichage quand(
        &dialogue,
        [&dialogue, action] {
          if (QTest::qWaitFor([&] { return dialogue.Actif(); }, DelaiMesureMs)) action();
        },
        true);
    QTimer garde;
    garde.setSingleShot(true);
    QObject::connect(&garde, &QTimer::timeout, &dialogue, [&] {
      ADD_FAILURE() << "dialogue resté ouvert";
      dialogue.reject();
    });
    garde.start(DelaiMesureMs);
    ouvre();
  }

  QTemporaryDir dossier;
  TSimOptions options;
  // Settings of the configuration for the test, applied before the windows exist.
  std::function<void(Tspectro&)> reglesSpectro;
  std::unique_ptr<TSimulateur> simulateur;
  std::unique_ptr<Fenetres> fenetres;
  std::vector<QString> messages;
};

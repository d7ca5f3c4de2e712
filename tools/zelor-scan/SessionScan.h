// One run of zelor-scan: reads the configuration, opens the instrument's port
// (saying which program holds it when another one does), identifies the
// instrument, runs the asked command with the window's own procedures and
// says how it ended: an exit code, a French message and a JSON object.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "instrument/Cfgspect.h"
#include "instrument/Protocole.h"
#include "serial/ComPort.h"
#include "tools/zelor-scan/CodesSortie.h"
#include "tools/zelor-scan/LigneCommande.h"
#include "tools/zelor-scan/PiloteConsole.h"
#include "tools/zelor-scan/Progression.h"

class QEventLoop;

struct TIssueScan {
  int code = kTermine;
  QString message;  // French: what was done, or why not
  QJsonObject json;
};

class TSessionScan : public QObject {
  Q_OBJECT
 public:
  TSessionScan(TDemandeScan demande, TProgression& progression);
  ~TSessionScan() override;

  TIssueScan Execute();
  // Ctrl+C: the first stops the measurement (a scan keeps its points, a
  // baseline is not saved), the second abandons without writing anything.
  void Interrompt(int nombre);

  // Side notes for the user (standard error), left out with --quiet.
  std::function<void(const QString&)> Remarque;

 private:
  TIssueScan Commande();
  TIssueScan Identifie();
  TIssueScan Blanc();
  TIssueScan Spectre();
  TIssueScan Aller();
  TIssueScan Lire();

  TIssueScan Echec(int code, const QString& message);
  TIssueScan PortInutilisable(const ESerialError& erreur);
  bool SpectroPret();
  void PrepareVoie();
  // Runs the event loop until the procedure ends, the link is lost or the
  // user abandons; `arret` stops the procedure for a Ctrl+C or a lost link.
  void Attend(std::function<void()> arret, std::function<void(std::uint16_t)> donnee);
  void Fin();
  void PerteLiaison(const QString& pourquoi);
  // The issue of a run that did not end normally; nothing when it did.
  std::optional<TIssueScan> Interrompue(const QString& quoi);
  QString NomPort() const;

  TDemandeScan demande_;
  TProgression& progression_;
  QString ini_;
  Tspectro spectro_;
  TComPort voie_;
  TProtocole protocole_{voie_, spectro_};
  TPiloteConsole pilote_{protocole_, voie_, spectro_};
  TProtocole::TIdentification identification_;

  QEventLoop* boucle_ = nullptr;
  QTimer garde_;  // no answer from the instrument for this long: link lost
  std::function<void()> arret_;
  std::function<void(std::uint16_t)> donnee_;
  bool termine_ = false;
  bool interrompu_ = false;  // first Ctrl+C
  bool abandonne_ = false;   // second Ctrl+C
  bool perdue_ = false;
  QString pourquoiPerdue_;
};

// The configuration file: --ini, else ZELOR_INI, else the window's zelor.INI
// beside this program.
QString FichierIniScan(const QString& option);

// One run of zelor-scan: reads the configuration, opens the instrument's port
// (saying which program holds it when another one does), identifies the
// instrument, runs the asked command with the window's own procedures and
// says how it ended: an exit code, a French message and a JSON object.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>

#include "export/FichierSpectre.h"
#include "export/TexteSpectre.h"
#include "instrument/Cfgspect.h"
#include "instrument/Protocole.h"
#include "measure/Tables.h"
#include "serial/ComPort.h"
#include "tools/zelor-scan/CodesSortie.h"
#include "tools/zelor-scan/LigneCommande.h"
#include "tools/zelor-scan/PiloteConsole.h"
#include "tools/zelor-scan/Progression.h"

class QEventLoop;
class TBalayage;

// The points and the spectrum of a scan, as the window's graph holds them.
struct TSpectreMesure {
  std::array<double, NbCases> pointX{};
  std::array<double, NbCases> pointY{};
  std::array<double, NbCases> spectre{};
  std::uint16_t premier = 0;
  std::uint16_t dernier = 0;
  double valeurParam = ValeurIndefinie;

  TVueSpectre Vue() { return {pointX, pointY, spectre, premier, dernier, valeurParam}; }
  bool Vide() const { return dernier < premier; }
};

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
  // Refuses bounds the scan dialog would not take, or without a baseline;
  // sets the bounds to scan (the configuration's last ones by default).
  std::optional<TIssueScan> BornesSpectre(TBalayage& balayage, int& debut, int& fin);
  // What the file keeps of a scan: the spectrum, the user's texts, the
  // instrument, the scan's and the baseline's ranges, the date.
  TFichierSpectre FichierMesure(const TSpectreMesure& mesure, TPlage balayage) const;
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

#include "tools/zelor-scan/SessionScan.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <optional>

#include "app/Labutil.h"
#include "export/FichiersSpectre.h"
#include "export/FormatExport.h"
#include "graph/TexteMesurial.h"
#include "measure/Balayage.h"
#include "measure/BlancProcedure.h"
#include "measure/Commande.h"
#include "measure/Reglages.h"
#include "measure/Tables.h"
#include "platform/DetenteurPort.h"
#include "platform/DeviceMap.h"

namespace {

// The port's queues, as the window sets them.
constexpr uint16_t TailleFilesVoie = 1024;
constexpr int MillisecondesParSeconde = 1000;

const QString MessageOccupe = QStringLiteral("Spectro occupé : attendre puis recommencer");

QString NomFormat(FormatSpectre format) {
  switch (format) {
    case FormatSpectre::Jcamp:
      return QStringLiteral("jcamp-dx");
    case FormatSpectre::Csv:
      return QStringLiteral("csv");
    case FormatSpectre::Texte:
      break;
  }
  return QStringLiteral("texte");
}

// A bound given on the command line must be one its spin edit can hold.
bool Dans(const std::optional<int>& valeur, const TBorne& borne) {
  return !valeur || (*valeur >= borne.Mini() && *valeur <= borne.Maxi());
}

// Refuses, before anything is measured, a file that could not be written.
QString SortieInscriptible(const QString& chemin) {
  const QFileInfo fichier(chemin);
  if (fichier.isDir()) return QStringLiteral("%1 est un dossier, pas un fichier").arg(chemin);
  const QFileInfo dossier(fichier.absolutePath());
  if (!dossier.isDir()) return QStringLiteral("le dossier %1 n'existe pas").arg(dossier.filePath());
  if (!dossier.isWritable()) return QStringLiteral("pas le droit d'écrire dans le dossier %1").arg(dossier.filePath());
  if (fichier.exists() && !fichier.isWritable())
    return QStringLiteral("%1 est protégé en écriture").arg(chemin);
  return {};
}

// "echantillon.jdx" → "echantillon-partiel.jdx", beside it.
QString CheminPartiel(const QString& chemin) {
  const QFileInfo f(chemin);
  const QString suffixe = f.suffix().isEmpty() ? QString() : "." + f.suffix();
  return f.dir().filePath(f.completeBaseName() + QStringLiteral("-partiel") + suffixe);
}

}  // namespace

QString FichierIniScan(const QString& option) {
  if (!option.isEmpty()) return QFileInfo(option).absoluteFilePath();
  if (qEnvironmentVariableIsSet("ZELOR_INI")) return NomFichierIni();
  return NomFichierIniPour(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zelor")));
}

TSessionScan::TSessionScan(TDemandeScan demande, TProgression& progression)
    : demande_(std::move(demande)), progression_(progression) {
  garde_.setSingleShot(true);
  garde_.setInterval(demande_.attente * MillisecondesParSeconde);
  connect(&garde_, &QTimer::timeout, this, [this] {
    PerteLiaison(QStringLiteral("le spectro ne répond plus depuis %1 s").arg(demande_.attente));
  });
  pilote_.SurErreur = [this](const std::string& erreur) { PerteLiaison(QString::fromLocal8Bit(erreur)); };
  pilote_.SurFin = [this](bool) { Fin(); };
  pilote_.SurLecture = [this](int lambda, const std::string& absorbance) {
    progression_.Point(lambda, VersUnicode(absorbance));
  };
}

TSessionScan::~TSessionScan() {
  try {
    voie_.SetOpen(false);
  } catch (const ESerialError&) {
    // Closing a port whose device is gone: nothing more to do.
  }
}

QString TSessionScan::NomPort() const {
  return QString::fromStdString(DeviceLabel(spectro_.Com));
}

TIssueScan TSessionScan::Echec(int code, const QString& message) {
  TIssueScan issue;
  issue.code = code;
  issue.message = message;
  return issue;
}

void TSessionScan::PrepareVoie() {
  voie_.SetInSize(TailleFilesVoie);
  voie_.SetOutSize(TailleFilesVoie);
  voie_.SetAutoOpen(false);
  voie_.SetPromptForPort(false);
  voie_.SetTracing(tlOff);
  voie_.SetLogging(tlOff);
  voie_.SetOnTriggerAvail([this](TCustomComPort& voie, uint16_t count) { protocole_.TriggerAvail(voie, count); });
  voie_.SetOnTriggerData([this](TCustomComPort&, uint16_t handle) {
    if (garde_.isActive()) garde_.start();
    if (donnee_) donnee_(handle);
  });
  voie_.SetOnDeviceGone([this](TCustomComPort&) {
    PerteLiaison(QStringLiteral("la voie série ne répond plus (câble ou adaptateur débranché ?)"));
  });
}

TIssueScan TSessionScan::Execute() {
  ini_ = FichierIniScan(demande_.ini);
  spectro_.LitIni(ini_);
  const std::uint16_t comFichier = spectro_.Com;

  if (demande_.commande == TCommandeScan::Spectre) {
    if (!FormatDuNom(demande_.sortie))
      return Echec(kLigneIncorrecte, QStringLiteral("format de %1 inconnu : extension .jdx, .csv ou .txt attendue")
                                         .arg(demande_.sortie));
    if (const QString pourquoi = SortieInscriptible(demande_.sortie); !pourquoi.isEmpty())
      return Echec(kFichierNonEcrit, pourquoi);
  }
  if (demande_.commande == TCommandeScan::Blanc) {
    // The procedure's own bound limits, fixed whatever the instrument.
    TBlancProcedure blanc(pilote_, TVueBlanc{spectro_.BlancDebut, spectro_.BlancFin, spectro_.Blanc});
    const TBorne& d = blanc.DebutSE();
    const TBorne& f = blanc.FinSE();
    if (!Dans(demande_.debut, d) || !Dans(demande_.fin, f))
      return Echec(kLigneIncorrecte, QStringLiteral("bornes du blanc hors limites : début de %1 à %2 nm, fin de %3 à %4 nm")
                                         .arg(d.Mini())
                                         .arg(d.Maxi())
                                         .arg(f.Mini())
                                         .arg(f.Maxi()));
  }

  if (demande_.port) spectro_.Com = static_cast<std::uint16_t>(*demande_.port);
  if (spectro_.Com == 0)
    return Echec(kIntrouvable, QStringLiteral("aucun port choisi dans %1 : indiquer --port COMn").arg(ini_));
  PrepareVoie();
  try {
    identification_ = protocole_.Identifie();
  } catch (const ESerialError& erreur) {
    return PortInutilisable(erreur);
  }
  if (interrompu_ || abandonne_) return Echec(kArrete, QStringLiteral("arrêté avant toute mesure"));
  if (!identification_.trouve)
    return Echec(kIntrouvable, QStringLiteral("Spectro non trouvé sur %1 : pas de réponse à la demande d'état")
                                   .arg(NomPort()));
  // The baseline stored for the instrument's whole range, not only for the
  // range the file's own keys name.
  spectro_.LitBlanc(ini_);

  TIssueScan issue = Commande();
  spectro_.Com = comFichier;
  if (issue.code == kTermine && demande_.commande == TCommandeScan::Blanc && !spectro_.EcritIni(ini_))
    return Echec(kFichierNonEcrit, QStringLiteral("ligne de base mesurée mais %1 n'a pas pu être enregistré").arg(ini_));
  return issue;
}

TIssueScan TSessionScan::Commande() {
  switch (demande_.commande) {
    case TCommandeScan::Identifie:
      return Identifie();
    case TCommandeScan::Blanc:
      return Blanc();
    case TCommandeScan::Spectre:
      return Spectre();
    case TCommandeScan::Aller:
      return Aller();
    case TCommandeScan::Lire:
      return Lire();
    case TCommandeScan::Aide:
      break;
  }
  return {};
}

TIssueScan TSessionScan::PortInutilisable(const ESerialError& erreur) {
  if (erreur.ErrorCode() == ecAlreadyOpen)
    return Echec(kIntrouvable, QString::fromStdString(MessagePortTenu(spectro_.Com)));
  const std::optional<std::string> chemin = DevicePathFor(spectro_.Com);
  if (!chemin) {
    return Echec(kIntrouvable,
                 QStringLiteral("le port %1 n'existe pas sur cette machine (voir docs/device-map.md)").arg(NomPort()));
  }
  return Echec(kIntrouvable, QStringLiteral("%1 (%2) inutilisable : %3")
                                 .arg(NomPort(), QString::fromStdString(*chemin), QString::fromLocal8Bit(erreur.what())));
}

bool TSessionScan::SpectroPret() {
  try {
    return protocole_.SpectroPret();
  } catch (const ESerialError&) {
    return false;
  }
}

// ---------------------------------------------------------------- waiting

void TSessionScan::Attend(std::function<void()> arret, std::function<void(std::uint16_t)> donnee) {
  arret_ = std::move(arret);
  donnee_ = std::move(donnee);
  if (!termine_ && !perdue_ && !abandonne_) {
    QEventLoop boucle;
    boucle_ = &boucle;
    garde_.start();
    boucle.exec();
    boucle_ = nullptr;
  }
  garde_.stop();
  arret_ = nullptr;
  donnee_ = nullptr;
  progression_.Fin();
}

void TSessionScan::Fin() {
  termine_ = true;
  if (boucle_) boucle_->quit();
}

void TSessionScan::PerteLiaison(const QString& pourquoi) {
  protocole_.LiaisonOk = false;
  if (perdue_) return;
  perdue_ = true;
  pourquoiPerdue_ = pourquoi;
  // Outside the call that met the error: the procedure is stopped from the
  // event loop, keeping what it measured.
  QTimer::singleShot(0, this, [this] {
    if (arret_) arret_();
    Fin();
  });
}

void TSessionScan::Interrompt(int nombre) {
  // The flags are set at once: two Ctrl+C read together abandon, whatever
  // the deferred stop of the first one does before the loop ends.
  interrompu_ = true;
  if (nombre >= 2) abandonne_ = true;
  QTimer::singleShot(0, this, [this] {
    if (abandonne_) {
      Fin();
    } else if (arret_) {
      arret_();
    }
  });
}

std::optional<TIssueScan> TSessionScan::Interrompue(const QString& quoi) {
  if (abandonne_) return Echec(kArrete, QStringLiteral("%1 abandonné : rien n'a été écrit").arg(quoi));
  if (perdue_) return Echec(kLiaisonPerdue, QStringLiteral("liaison perdue pendant la mesure : %1").arg(pourquoiPerdue_));
  if (interrompu_) return Echec(kArrete, QStringLiteral("%1 arrêté par l'utilisateur").arg(quoi));
  return std::nullopt;
}

// ---------------------------------------------------------------- commands

TIssueScan TSessionScan::Identifie() {
  TIssueScan issue;
  const QString nom = VersUnicode(identification_.nom);
  const QString numero = VersUnicode(identification_.numero);
  const QString version = VersUnicode(identification_.version);
  issue.json["nom"] = nom;
  issue.json["numero"] = numero;
  issue.json["version"] = version;
  issue.json["lambda_min"] = spectro_.MiniL;
  issue.json["lambda_max"] = spectro_.MaxiL;
  issue.message = QStringLiteral("Nom : %1\nNuméro : %2\nVersion : %3\nGamme : %4 à %5 nm\nPort : %6")
                      .arg(nom, numero, version)
                      .arg(spectro_.MiniL)
                      .arg(spectro_.MaxiL)
                      .arg(NomPort());
  return issue;
}

TIssueScan TSessionScan::Blanc() {
  if (!SpectroPret()) return Echec(kIntrouvable, MessageOccupe);
  TBlancProcedure blanc(pilote_, TVueBlanc{spectro_.BlancDebut, spectro_.BlancFin, spectro_.Blanc});
  blanc.FormActivate(ReglagesDe(spectro_));
  if (demande_.debut) blanc.DebutSE().FixeValeur(*demande_.debut);
  if (demande_.fin) blanc.FinSE().FixeValeur(*demande_.fin);
  const int debut = blanc.DebutSE().Valeur();
  const int fin = blanc.FinSE().Valeur();
  if (auto arret = Interrompue(QStringLiteral("blanc"))) return *arret;
  progression_.Debut(QStringLiteral("Blanc"), debut, fin, debut);
  blanc.OKBtnClick();
  Attend([&blanc] { blanc.EscBtnClick(); }, [&blanc](std::uint16_t h) { blanc.DonneeRecue(h); });
  if (auto arret = Interrompue(QStringLiteral("blanc"))) {
    arret->message += QStringLiteral(" ; ligne de base non enregistrée");
    return *arret;
  }
  if (!pilote_.BlancFait()) return Echec(kArrete, QStringLiteral("blanc annulé : ligne de base non enregistrée"));
  TIssueScan issue;
  issue.json["debut"] = debut;
  issue.json["fin"] = fin;
  issue.json["ini"] = ini_;
  issue.message = QStringLiteral("Ligne de base enregistrée de %1 à %2 nm dans %3").arg(debut).arg(fin).arg(ini_);
  return issue;
}

std::optional<TIssueScan> TSessionScan::BornesSpectre(TBalayage& balayage, int& debut, int& fin) {
  // The bounds as the dialog takes them: inside the instrument's range and
  // apart by the dialog's gap; the configuration's last ones by default.
  balayage.LimitesInstrument(spectro_.MiniL, spectro_.MaxiL);
  const int voulu = demande_.debut.value_or(spectro_.Debut);
  balayage.ChangeDebut(voulu);
  balayage.ChangeFin(demande_.fin.value_or(spectro_.Fin));
  balayage.ChangeDebut(voulu);
  debut = balayage.DebutSE().Valeur();
  fin = balayage.FinSE().Valeur();
  if ((demande_.debut && *demande_.debut != debut) || (demande_.fin && *demande_.fin != fin)) {
    return Echec(kLigneIncorrecte,
                 QStringLiteral("bornes %1 à %2 nm refusées : le spectro mesure de %3 à %4 nm, "
                                "avec %5 nm d'écart au moins entre les bornes")
                     .arg(demande_.debut.value_or(debut))
                     .arg(demande_.fin.value_or(fin))
                     .arg(balayage.DebutSE().Mini())
                     .arg(balayage.FinSE().Maxi())
                     .arg(balayage.FinSE().Mini() - debut));
  }
  for (int w = debut; w <= fin; ++w) {
    if (spectro_.Blanc[w] == ValeurIndefinie) {
      return Echec(kLigneIncorrecte,
                   QStringLiteral("pas de ligne de base à %1 nm dans %2 : lancer d'abord « zelor-scan blanc »")
                       .arg(w)
                       .arg(ini_));
    }
  }
  if ((debut < spectro_.BlancDebut || fin > spectro_.BlancFin) && Remarque) {
    Remarque(QStringLiteral("la ligne de base a été mesurée de %1 à %2 nm ; au-delà, elle est prolongée")
                 .arg(spectro_.BlancDebut)
                 .arg(spectro_.BlancFin));
  }
  spectro_.Debut = debut;
  spectro_.Fin = fin;
  return std::nullopt;
}

TIssueScan TSessionScan::Spectre() {
  TSpectreMesure mesure;
  TBalayage balayage(pilote_, mesure.Vue(), TVueSpectroBalayage{spectro_.Debut, spectro_.Fin, spectro_.Blanc});
  int debut = 0;
  int fin = 0;
  if (auto refus = BornesSpectre(balayage, debut, fin)) return *refus;
  if (!SpectroPret()) return Echec(kIntrouvable, MessageOccupe);

  balayage.FormActivate(ReglagesDe(spectro_));
  if (auto arret = Interrompue(QStringLiteral("spectre"))) return *arret;
  if (demande_.parametre) pilote_.FixeValeurParam(OctetsSaisis(demande_.parametre->valeur).toStdString());
  balayage.OKBtnClick();
  progression_.Debut(QStringLiteral("Spectre"), debut, fin, balayage.Croissant() ? debut : fin);
  Attend([&balayage] { balayage.StopBtnClick(); }, [&balayage](std::uint16_t h) { balayage.DonneeRecue(h); });
  if (abandonne_) return *Interrompue(QStringLiteral("spectre"));
  if (!balayage.Statut().empty() && Remarque) Remarque(VersUnicode(balayage.Statut()));

  TFichierSpectre fichier = FichierMesure(mesure, {debut, fin});
  std::optional<TIssueScan> arret = Interrompue(QStringLiteral("spectre"));
  if (fichier.Vide()) return arret.value_or(Echec(kArrete, QStringLiteral("aucun point mesuré : rien à écrire")));
  // A spectrum cut short by a lost link is kept beside the file asked for,
  // never under its name: a script must not take it for a whole one.
  const QString chemin = perdue_ ? CheminPartiel(demande_.sortie) : demande_.sortie;
  const FormatSpectre format = *FormatDuNom(chemin);
  QString erreur;
  if (!EnregistreSpectre(chemin, fichier, format, ContexteDuProgramme(fichier.date), erreur)) {
    TIssueScan echec = Echec(kFichierNonEcrit, erreur);
    if (arret) echec.message = arret->message + " ; " + erreur;
    return echec;
  }
  TIssueScan issue = arret.value_or(TIssueScan{});
  issue.json["fichier"] = chemin;
  issue.json["format"] = NomFormat(format);
  issue.json["debut"] = debut;
  issue.json["fin"] = fin;
  issue.json["premier"] = fichier.premier;
  issue.json["dernier"] = fichier.dernier;
  issue.json["points"] = balayage.NbPoints();
  const QString ecrit = QStringLiteral("spectre de %1 à %2 nm (%3 points mesurés) écrit dans %4")
                            .arg(fichier.premier)
                            .arg(fichier.dernier)
                            .arg(balayage.NbPoints())
                            .arg(chemin);
  issue.message = arret ? arret->message + " ; " + ecrit : ecrit.left(1).toUpper() + ecrit.mid(1);
  return issue;
}

TFichierSpectre TSessionScan::FichierMesure(const TSpectreMesure& mesure, TPlage balayage) const {
  TFichierSpectre fichier;
  if (!mesure.Vide()) {
    fichier.premier = mesure.premier;
    fichier.dernier = mesure.dernier;
    std::copy(mesure.spectre.begin() + mesure.premier, mesure.spectre.begin() + mesure.dernier + 1,
              fichier.spectre.begin() + mesure.premier);
  }
  fichier.commentaire = demande_.commentaire;
  if (demande_.parametre) {
    fichier.nomParam = demande_.parametre->nom;
    fichier.uniteParam = demande_.parametre->unite;
  }
  fichier.valeurParam = mesure.valeurParam;
  FixeProvenance(fichier, identification_.nom, identification_.numero, identification_.version, balayage,
                 {spectro_.BlancDebut, spectro_.BlancFin});
  fichier.precision = spectro_.Precision;
  return fichier;
}

TIssueScan TSessionScan::Aller() {
  const int mini = LambdaDansTable(spectro_.MiniL);
  const int maxi = LambdaDansTable(spectro_.MaxiL);
  if (demande_.lambda < mini || demande_.lambda > maxi) {
    return Echec(kLigneIncorrecte, QStringLiteral("%1 nm hors de la gamme du spectro (%2 à %3 nm)")
                                       .arg(demande_.lambda)
                                       .arg(mini)
                                       .arg(maxi));
  }
  TCommande commande(pilote_);
  commande.FormActivate(ReglagesDe(spectro_));
  commande.LambdaSBChange(demande_.lambda);
  if (auto arret = Interrompue(QStringLiteral("déplacement"))) return *arret;
  commande.GOTOBtnClick();
  if (!commande.GOTOBtnVisible()) {
    Attend([&commande] { commande.FormClose(); },
           [this, &commande](std::uint16_t h) {
             commande.DonneeRecue(h);
             if (commande.GOTOBtnVisible()) Fin();
           });
    commande.FormClose();
  }
  if (auto arret = Interrompue(QStringLiteral("déplacement"))) return *arret;
  TIssueScan issue;
  issue.json["lambda"] = demande_.lambda;
  issue.message = QStringLiteral("Spectro à %1 nm").arg(demande_.lambda);
  return issue;
}

TIssueScan TSessionScan::Lire() {
  double lambda = ValeurIndefinie;
  std::string reponse;
  try {
    lambda = protocole_.LitValeur(spectro_.GetL);
    if (protocole_.LiaisonOk) reponse = protocole_.LitTexte(spectro_.GetAbs);
  } catch (const ESerialError& erreur) {
    return Echec(kLiaisonPerdue, QStringLiteral("liaison perdue : %1").arg(QString::fromLocal8Bit(erreur.what())));
  }
  if (!protocole_.LiaisonOk) return Echec(kLiaisonPerdue, QStringLiteral("le spectro ne répond pas à la demande de mesure"));
  double absorbance = ValeurIndefinie;
  const bool lue = spectro_.DecodeMesure(reponse, absorbance);
  TIssueScan issue;
  issue.json["lambda"] = ArrondiEntier(lambda);
  const QString lambdaTexte = QStringLiteral("λ=%1 nm").arg(ArrondiEntier(lambda));
  if (lue) {
    issue.json["absorbance"] = absorbance;
    issue.message = QStringLiteral("%1  A=%2").arg(lambdaTexte, QString::number(absorbance, 'g', spectro_.Precision));
  } else {
    // "UNDER", "OVER" or "***": an answer, but no reading.
    issue.json["absorbance"] = QJsonValue();
    issue.json["reponse"] = VersUnicode(reponse);
    issue.message = QStringLiteral("%1  pas de lecture (%2)").arg(lambdaTexte, VersUnicode(reponse));
  }
  return issue;
}

// zelor-scan: the instrument from the command line, for scripted labs.
//   zelor-scan identify | blanc | spectre -o f.jdx | aller N | lire  [options]
// See docs/zelor-scan.md; `zelor-scan --help` lists the options.
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <cstdio>

#include "app/Labutil.h"
#include "tools/zelor-scan/CodesSortie.h"
#include "tools/zelor-scan/Interruption.h"
#include "tools/zelor-scan/LigneCommande.h"
#include "tools/zelor-scan/Progression.h"
#include "tools/zelor-scan/SessionScan.h"

namespace {

void Ligne(std::FILE* flux, const QString& texte) {
  std::fprintf(flux, "%s\n", texte.toUtf8().constData());
  std::fflush(flux);
}

int Termine(const TDemandeScan& demande, TIssueScan issue) {
  const bool reussi = issue.code == kTermine;
  // With --json the result is in the object; a failure is still told on
  // standard error, for the script's log.
  if (!issue.message.isEmpty()) {
    if (!reussi) {
      Ligne(stderr, QStringLiteral("zelor-scan : ") + issue.message);
    } else if (!demande.json) {
      Ligne(stdout, issue.message);
    }
  }
  if (demande.json) {
    QJsonObject objet = issue.json;
    objet["commande"] = demande.nomCommande;
    objet["code"] = issue.code;
    objet["message"] = issue.message;
    std::fputs(QJsonDocument(objet).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
  }
  return issue.code;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  InitialiseSeparateurs();
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  const TAnalyseLigne analyse = AnalyseLigne(arguments);
  if (!analyse.erreur.isEmpty()) {
    TIssueScan issue;
    issue.code = kLigneIncorrecte;
    issue.message = analyse.erreur + QStringLiteral(" (zelor-scan --help pour l'aide)");
    return Termine(analyse.demande, issue);
  }
  if (analyse.demande.commande == TCommandeScan::Aide) {
    std::fputs(AideScan().toUtf8().constData(), stdout);
    return kTermine;
  }

  const TDemandeScan& demande = analyse.demande;
  TProgression progression(stderr, ::isatty(STDERR_FILENO) != 0, demande.silencieux);
  TSessionScan session(demande, progression);
  if (!demande.silencieux) session.Remarque = [](const QString& texte) { Ligne(stderr, "zelor-scan : " + texte); };
  TInterruption interruption;
  interruption.SurInterruption = [&session](int nombre) { session.Interrompt(nombre); };
  return Termine(demande, session.Execute());
}

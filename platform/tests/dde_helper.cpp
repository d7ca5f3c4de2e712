// Serves a DDE topic in a process of its own, so tests can talk to a server
// across processes. Each execute is appended to the log; the command "LENT"
// makes the handler wait until the release file exists (or its own deadline
// passes) and records which of the two ended the wait.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include "platform/Dde.h"

namespace {
constexpr int kAttenteMaxMs = 30000;

void Ajoute(const QString& journal, const QByteArray& ligne) {
  QFile f(journal);
  if (f.open(QIODevice::Append)) f.write(ligne + "\n");
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 5) return 2;
  const QString service = args[1], topic = args[2], liberation = args[3], journal = args[4];

  DdeServeur serveur;
  serveur.SurExecute([&](const QString&, const QByteArray& commande) {
    Ajoute(journal, commande);
    if (commande == "LENT") {
      QDeadlineTimer limite(kAttenteMaxMs);
      while (!QFile::exists(liberation) && !limite.hasExpired()) QThread::msleep(10);
      Ajoute(journal, QFile::exists(liberation) ? "libere" : "delai");
    }
    if (commande == "QUITTE") QCoreApplication::quit();
    return DdeServeur::Acquittement::Positif;
  });
  if (!serveur.Enregistre(service, {topic})) return 1;
  return app.exec();
}

#include "export/FormatExport.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

#include "export/ReelVersTexte.h"

namespace {

constexpr char kFinLigne[] = "\r\n";

bool ParametrePresent(const SpectreExport& s) {
  return !s.nomParam.isEmpty() && s.valeurParam != ValeurIndefinie && !std::isnan(s.valeurParam);
}

QByteArray Valeur(const SpectreExport& s, double x) {
  return QByteArray::fromStdString(ReelVersTexte(s.precision, x, s.separateur));
}

}  // namespace

QByteArray TexteExport(const SpectreExport& s) {
  QByteArray t;
  auto ligne = [&t](const QByteArray& contenu) { t += contenu + kFinLigne; };
  ligne(s.cheminExecutable);
  ligne("Spectre Zelor " + s.dateHeure);
  ligne(s.commentaire);
  ligne(s.nomX + '\t' + s.nomY);
  ligne("nm\t");
  // Never past the table, whatever `dernier` says.
  if (!s.spectre.empty()) {
    const int dernier =
        std::min<int>({s.dernier, kDernierIndexSpectre, static_cast<int>(s.spectre.size()) - 1});
    for (int w = s.premier; w <= dernier; ++w) ligne(QByteArray::number(w) + '\t' + Valeur(s, s.spectre[w]));
  }
  if (ParametrePresent(s)) {
    ligne("");
    ligne(s.nomParam);
    ligne(s.uniteParam);
    ligne(Valeur(s, s.valeurParam));
  }
  ligne("&1 NOMX");
  ligne(s.nomX);
  ligne("&1 NOMY");
  ligne(s.nomY);
  ligne("&1 ZEROX");
  ligne("1");
  return t;
}

QByteArray DateHeureExport(const QDateTime& moment, const QLocale& locale) {
  QString texte = locale.toString(moment.date(), QLocale::ShortFormat);
  const QTime h = moment.time();
  if (h.hour() != 0 || h.minute() != 0 || h.second() != 0) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    texte += QLatin1Char(' ') + locale.toString(moment.time(), format.trimmed());
  }
  return texte.toLatin1();
}

QByteArray CheminExecutableExport() {
  return QCoreApplication::applicationFilePath().toLatin1();
}

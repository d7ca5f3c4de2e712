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

QString FormatHeureExport(const QString& format) {
  auto ouvrante = [](QChar c) { return c == QLatin1Char('(') || c == QLatin1Char('['); };
  auto fermante = [](QChar c) { return c == QLatin1Char(')') || c == QLatin1Char(']'); };
  auto espace = [](QChar c) { return c == QLatin1Char(' ') || c == QChar(0x00a0) || c == QChar(0x202f); };
  QString sortie;
  bool cite = false;
  for (qsizetype i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c == QLatin1Char('\'')) cite = !cite;
    if (!cite && (c == QLatin1Char('B') || c == QLatin1Char('b'))) {
      while (i + 1 < format.size() && format[i + 1] == c) ++i;
      sortie += QLatin1String("AP");
      continue;
    }
    if (cite || c != QLatin1Char('t')) {
      sortie += c;
      continue;
    }
    while (i + 1 < format.size() && format[i + 1] == QLatin1Char('t')) ++i;
    qsizetype suite = i + 1;
    while (suite < format.size() && espace(format[suite])) ++suite;
    while (!sortie.isEmpty() && espace(sortie.back())) sortie.chop(1);
    if (!sortie.isEmpty() && ouvrante(sortie.back()) && suite < format.size() && fermante(format[suite])) {
      sortie.chop(1);
      while (!sortie.isEmpty() && espace(sortie.back())) sortie.chop(1);
      ++suite;
      while (suite < format.size() && espace(format[suite])) ++suite;
    }
    // One space still separates what stood on both sides.
    if (!sortie.isEmpty() && suite < format.size()) sortie += QLatin1Char(' ');
    i = suite - 1;
  }
  return sortie.trimmed();
}

QByteArray DateHeureExport(const QDateTime& moment, const QLocale& locale) {
  QString texte = locale.toString(moment.date(), QLocale::ShortFormat);
  const QTime h = moment.time();
  if (h.hour() != 0 || h.minute() != 0 || h.second() != 0) {
    texte += QLatin1Char(' ') +
             locale.toString(moment.time(), FormatHeureExport(locale.timeFormat(QLocale::LongFormat)));
  }
  return texte.toLatin1();
}

QByteArray CheminExecutableExport() {
  return QCoreApplication::applicationFilePath().toLatin1();
}

#include "app/Demarrage.h"

#include "app/Labutil.h"

#include <QLocale>
#include <QWidget>

#include <clocale>
#include <cstdio>

void InitialiseFormatNombres() {
  InitialiseSeparateurs();
  // The GUI toolkit adopted the user's locale when it started; the program's
  // own numbers must not follow it.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
}

QString NomMarqueurInstance() {
  const QString impose = qEnvironmentVariable("ZELOR_MARQUEUR");
  return impose.isEmpty() ? MarqueurInstance : impose;
}

void RestaureFenetre(QWidget* fenetre) {
  if (fenetre->windowState().testFlag(Qt::WindowMaximized)) {
    fenetre->showMaximized();
  } else {
    fenetre->showNormal();
  }
  fenetre->raise();
  fenetre->activateWindow();
}

void SignaleInstance(const char* evenement) {
  if (qEnvironmentVariableIsEmpty("ZELOR_TEMOIN_INSTANCE")) return;
  std::printf("%s\n", evenement);
  std::fflush(stdout);
}

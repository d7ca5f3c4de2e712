#include "export/BoiteMessage.h"

#include <QApplication>
#include <QMessageBox>

namespace {

// The application title, kept by the start-up as a property of the
// application object (a display name would be appended to every caption).
QString TitreBoites() {
  const QString titre = qApp->property(ProprieteTitreApplication).toString();
  return titre.isEmpty() ? QCoreApplication::applicationName() : titre;
}

}  // namespace

TFormDDE::AfficheMessage BoiteMessage() {
  return [](TFormDDE::GenreMessage genre, const QString& texte) {
    if (genre == TFormDDE::GenreMessage::Erreur) {
      QMessageBox::critical(nullptr, QStringLiteral("Erreur"), texte, QMessageBox::Ok);
    } else {
      QMessageBox::information(nullptr, TitreBoites(), texte, QMessageBox::Ok);
    }
  };
}

#include "export/BoiteMessage.h"

#include <QApplication>
#include <QMessageBox>

TFormDDE::AfficheMessage BoiteMessage() {
  return [](TFormDDE::GenreMessage genre, const QString& texte) {
    if (genre == TFormDDE::GenreMessage::Erreur) {
      QMessageBox::critical(nullptr, QStringLiteral("Erreur"), texte, QMessageBox::Ok);
    } else {
      QMessageBox::information(nullptr, QApplication::applicationDisplayName(), texte, QMessageBox::Ok);
    }
  };
}

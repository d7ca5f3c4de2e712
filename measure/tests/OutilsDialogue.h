// Helpers of the dialog tests: showing a dialog as the main window does, and
// the ways a user can close one.
#pragma once

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// Shows the dialog and lets the event loop run its activation.
inline void Ouvre(QDialog& dialogue) {
  dialogue.show();
  QCoreApplication::processEvents();
}

inline void Echap(QDialog& dialogue) {
  QKeyEvent touche(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&dialogue, &touche);
}

// Number of journal lines that start with `debut`.
inline long Compte(const std::vector<std::string>& journal, const std::string& debut) {
  return std::count_if(journal.begin(), journal.end(),
                       [&](const std::string& ligne) { return ligne.rfind(debut, 0) == 0; });
}

struct TFacon {
  const char* nom;
  std::function<void(QDialog&)> ferme;
};

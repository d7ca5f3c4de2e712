// Program-wide keyboard filter: Ctrl+letter types a Greek letter of the
// "Mesurial" font in any edit box, so formulas and units can be typed without a
// Greek keyboard. Installed once on the application by the main window.
#pragma once

#include <QObject>
#include <array>

class QKeyEvent;
class QWidget;

// Code typed for Ctrl+letter, indexed by letter (0 = A ... 25 = Z). Ctrl+V is
// never translated, so pasting still works: its entry is not used.
extern const std::array<unsigned char, 26> GrecMinuscule;
// Code typed for Ctrl+Shift+letter.
extern const std::array<unsigned char, 26> GrecMajuscule;

class FiltreClavier : public QObject {
  Q_OBJECT
 public:
  explicit FiltreClavier(QObject* parent = nullptr);

  // What one Ctrl+letter does: nothing, copy or cut the selection, or type a code.
  enum class Geste { Passe, Copie, Coupe, Tape };
  struct Decision {
    Geste geste = Geste::Passe;
    unsigned char code = 0;
  };
  // lettre: 1 = A ... 26 = Z, as the control character of the key.
  static Decision Decide(int lettre, bool majuscule, bool selection);

  // The letter (1..26) of a Ctrl+key event, Ctrl+Enter counting as Ctrl+J;
  // 0 when the event is no such key.
  static int LettreControle(const QKeyEvent& evenement);

 protected:
  bool eventFilter(QObject* objet, QEvent* evenement) override;

 private:
  static QWidget* EditeurCible(QObject* objet);
  static bool ASelection(QWidget* editeur);
  static void CopieOuCoupe(QWidget* editeur, bool couper);
  static void Tape(QWidget* editeur, unsigned char code);
};

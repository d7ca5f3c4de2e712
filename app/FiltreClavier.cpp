#include "app/FiltreClavier.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/TexteAffiche.h"

const std::array<unsigned char, 26> GrecMinuscule = {
    128, 129, 130, 131, 132, 133, 134, 135, 105, 148, 107, 136, 181,  // A..M
    138, 248, 139, 140, 141, 142, 143, 117, 0,   144, 147, 121, 149,  // N..Z
};

const std::array<unsigned char, 26> GrecMajuscule = {
    65, 66,  67,  150, 69, 151, 152, 72, 73, 159, 75,  153, 77,  // A..M
    78, 216, 154, 155, 82, 156, 84,  85, 86, 157, 158, 89,  90,  // N..Z
};

namespace {

constexpr int LettreC = 3;
constexpr int LettreJ = 10;
constexpr int LettreV = 22;
constexpr int LettreX = 24;
constexpr int NombreLettres = 26;

}  // namespace

FiltreClavier::FiltreClavier(QObject* parent) : QObject(parent) {}

FiltreClavier::Decision FiltreClavier::Decide(int lettre, bool majuscule, bool selection) {
  if (lettre < 1 || lettre > NombreLettres) return {};
  if (majuscule) return {Geste::Tape, GrecMajuscule[lettre - 1]};
  if (lettre == LettreV) return {};
  if (selection && lettre == LettreC) return {Geste::Copie, 0};
  if (selection && lettre == LettreX) return {Geste::Coupe, 0};
  return {Geste::Tape, GrecMinuscule[lettre - 1]};
}

int FiltreClavier::LettreControle(const QKeyEvent& evenement) {
  const Qt::KeyboardModifiers mods = evenement.modifiers();
  if (!(mods & Qt::ControlModifier) || (mods & (Qt::AltModifier | Qt::MetaModifier))) return 0;
  const int touche = evenement.key();
  if (touche >= Qt::Key_A && touche <= Qt::Key_Z) return touche - Qt::Key_A + 1;
  // Ctrl+Enter sends the line feed, the control character of J.
  if (touche == Qt::Key_Return || touche == Qt::Key_Enter) return LettreJ;
  return 0;
}

QWidget* FiltreClavier::EditeurCible(QObject* objet) {
  // The line edit inside a spin box is driven through its spin box, which
  // validates what is typed.
  if (auto* ligne = qobject_cast<QLineEdit*>(objet)) {
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(ligne->parentWidget())) return spin;
    return ligne;
  }
  if (qobject_cast<QAbstractSpinBox*>(objet) || qobject_cast<QTextEdit*>(objet) ||
      qobject_cast<QPlainTextEdit*>(objet)) {
    return static_cast<QWidget*>(objet);
  }
  return nullptr;
}

bool FiltreClavier::ASelection(QWidget* editeur) {
  if (auto* ligne = qobject_cast<QLineEdit*>(editeur)) return ligne->hasSelectedText();
  if (auto* texte = qobject_cast<QTextEdit*>(editeur)) return texte->textCursor().hasSelection();
  if (auto* plat = qobject_cast<QPlainTextEdit*>(editeur)) return plat->textCursor().hasSelection();
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(editeur)) {
    auto* ligne = spin->findChild<QLineEdit*>();
    return ligne && ligne->hasSelectedText();
  }
  return false;
}

void FiltreClavier::CopieOuCoupe(QWidget* editeur, bool couper) {
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(editeur)) editeur = spin->findChild<QLineEdit*>();
  if (auto* ligne = qobject_cast<QLineEdit*>(editeur)) {
    couper ? ligne->cut() : ligne->copy();
  } else if (auto* texte = qobject_cast<QTextEdit*>(editeur)) {
    couper ? texte->cut() : texte->copy();
  } else if (auto* plat = qobject_cast<QPlainTextEdit*>(editeur)) {
    couper ? plat->cut() : plat->copy();
  }
}

void FiltreClavier::Tape(QWidget* editeur, unsigned char code) {
  // A plain key press carrying the character: the editor inserts it as if it
  // had been typed, with its own validation and undo.
  QKeyEvent frappe(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(CodeVersUnicode(code)));
  QCoreApplication::sendEvent(editeur, &frappe);
}

bool FiltreClavier::eventFilter(QObject* objet, QEvent* evenement) {
  const QEvent::Type type = evenement->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) return false;
  auto* touche = static_cast<QKeyEvent*>(evenement);
  const int lettre = LettreControle(*touche);
  if (lettre == 0) return false;
  QWidget* editeur = EditeurCible(objet);
  if (editeur == nullptr) return false;

  // Caps Lock held down also counts in the keyboard's own rule, but Qt does not
  // report that key's state, so only Shift selects the upper-case table.
  const bool majuscule = touche->modifiers() & Qt::ShiftModifier;
  const Decision decision = Decide(lettre, majuscule, ASelection(editeur));
  if (decision.geste == Geste::Passe) return false;
  if (type == QEvent::ShortcutOverride) {
    // Claim the key so no shortcut (select all, undo...) takes it first.
    touche->accept();
    return true;
  }
  if (decision.geste == Geste::Tape) {
    Tape(editeur, decision.code);
  } else {
    CopieOuCoupe(editeur, decision.geste == Geste::Coupe);
  }
  return true;
}

#include "app/FiltreClavier.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* TextePresse = "presse-papiers";

// A window with one line edit and the filter installed on the application, as
// the main window installs it; keys go through the toolkit's whole key path
// (shortcut override, shortcuts, then the key press).
class FiltreClavierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qApp->installEventFilter(&filtre);
    fenetre = std::make_unique<QWidget>();
    auto* colonne = new QVBoxLayout(fenetre.get());
    ligne = new QLineEdit(fenetre.get());
    colonne->addWidget(ligne);
    fenetre->show();
    ligne->setFocus();
    QApplication::clipboard()->setText(TextePresse);
  }
  void TearDown() override { qApp->removeEventFilter(&filtre); }

  FiltreClavier filtre;
  std::unique_ptr<QWidget> fenetre;
  QLineEdit* ligne = nullptr;
};

struct Lettre {
  char touche;
  unsigned char code;
  const char16_t* affiche;
  unsigned char codeMajuscule;
  const char16_t* afficheMajuscule;
};

// Ctrl+V has no lower-case code: it pastes (shown here as the clipboard text).
constexpr Lettre Lettres[] = {
    {'A', 128, u"α", 65, u"A"},  {'B', 129, u"β", 66, u"B"},
    {'C', 130, u"χ", 67, u"C"},  {'D', 131, u"δ", 150, u"Δ"},
    {'E', 132, u"ε", 69, u"E"},  {'F', 133, u"φ", 151, u"Φ"},
    {'G', 134, u"γ", 152, u"Γ"}, {'H', 135, u"η", 72, u"H"},
    {'I', 105, u"i", 73, u"I"},  {'J', 148, u"ϕ", 159, u"ϑ"},
    {'K', 107, u"k", 75, u"K"},  {'L', 136, u"λ", 153, u"Λ"},
    {'M', 181, u"µ", 77, u"M"},  {'N', 138, u"ν", 78, u"N"},
    {'O', 248, u"ø", 216, u"Ø"}, {'P', 139, u"π", 154, u"Π"},
    {'Q', 140, u"θ", 155, u"Θ"}, {'R', 141, u"ρ", 82, u"R"},
    {'S', 142, u"σ", 156, u"Σ"}, {'T', 143, u"τ", 84, u"T"},
    {'U', 117, u"u", 85, u"U"},  {'V', 0, u"presse-papiers", 86, u"V"},
    {'W', 144, u"ω", 157, u"Ω"}, {'X', 147, u"ξ", 158, u"Ξ"},
    {'Y', 121, u"y", 89, u"Y"},  {'Z', 149, u"ζ", 90, u"Z"},
};

Qt::Key Touche(char lettre) {
  return static_cast<Qt::Key>(Qt::Key_A + (lettre - 'A'));
}

TEST_F(FiltreClavierTest, EveryLetterWithAndWithoutShiftTypesItsTableEntry) {
  for (const Lettre& l : Lettres) {
    const int index = l.touche - 'A';
    SCOPED_TRACE(std::string("Ctrl+") + l.touche);
    if (l.touche != 'V') {
      EXPECT_EQ(GrecMinuscule[static_cast<size_t>(index)], l.code);
    }
    EXPECT_EQ(GrecMajuscule[static_cast<size_t>(index)], l.codeMajuscule);

    ligne->clear();
    QTest::keyClick(ligne, Touche(l.touche), Qt::ControlModifier);
    EXPECT_EQ(ligne->text(), QString::fromUtf16(l.affiche));

    ligne->clear();
    QTest::keyClick(ligne, Touche(l.touche), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(ligne->text(), QString::fromUtf16(l.afficheMajuscule));
  }
}

TEST_F(FiltreClavierTest, CtrlEnterTypesTheJEntry) {
  QTest::keyClick(ligne, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(ligne->text(), QString("ϕ"));
  QTest::keyClick(ligne, Qt::Key_Enter, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(ligne->text(), QString("ϕϑ"));
}

TEST_F(FiltreClavierTest, TypingGoesAtTheCursorAndKeepsTheRest) {
  ligne->setText("A=");
  ligne->setCursorPosition(0);
  QTest::keyClick(ligne, Qt::Key_L, Qt::ControlModifier);
  EXPECT_EQ(ligne->text(), QString("λA="));
}

TEST_F(FiltreClavierTest, ShortcutsOfTheWindowDoNotStealTranslatedKeys) {
  int declenchements = 0;
  auto* action = new QAction(fenetre.get());
  action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  fenetre->addAction(action);
  QObject::connect(action, &QAction::triggered, [&] { ++declenchements; });
  QTest::keyClick(ligne, Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(ligne->text(), QString("β"));
  EXPECT_EQ(declenchements, 0);
}

// A widget that is no editor, recording the keys it gets.
class Espion : public QWidget {
 public:
  using QWidget::QWidget;
  std::vector<std::pair<int, Qt::KeyboardModifiers>> touches;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() != Qt::Key_Control) touches.emplace_back(e->key(), e->modifiers());
  }
};

TEST_F(FiltreClavierTest, KeysOutsideEditorsAndOtherCombinationsPassUnchanged) {
  auto* espion = new Espion(fenetre.get());
  espion->setFocusPolicy(Qt::StrongFocus);
  espion->show();
  espion->setFocus();
  QTest::keyClick(espion, Qt::Key_L, Qt::ControlModifier);
  ASSERT_EQ(espion->touches.size(), 1u);
  EXPECT_EQ(espion->touches[0].first, Qt::Key_L);
  EXPECT_EQ(espion->touches[0].second, Qt::ControlModifier);

  ligne->setFocus();
  QTest::keyClick(ligne, Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
  QTest::keyClick(ligne, Qt::Key_1, Qt::ControlModifier);
  QTest::keyClick(ligne, Qt::Key_L);
  // Ctrl+Alt is AltGr on many layouts: the editor's own rule applies, no Greek.
  EXPECT_FALSE(ligne->text().contains(QString("λ")));
  EXPECT_TRUE(ligne->text().endsWith('l'));
}

// The edit boxes of the program, with the calls the test needs on each.
struct Editeur {
  const char* nom;
  std::function<QWidget*(QWidget*)> cree;
  std::function<void(QWidget*, const QString&)> remplit;  // sets the text, selects "BC"
  std::function<void(QWidget*)> deselectionne;            // cursor at the end
  std::function<QString(QWidget*)> texte;
};

template <class T>
Editeur EditeurTexte(const char* nom) {
  return {nom, [](QWidget* p) -> QWidget* { return new T(p); },
          [](QWidget* w, const QString& t) {
            auto* e = static_cast<T*>(w);
            e->setPlainText(t);
            QTextCursor c = e->textCursor();
            c.setPosition(1);
            c.setPosition(3, QTextCursor::KeepAnchor);
            e->setTextCursor(c);
          },
          [](QWidget* w) { static_cast<T*>(w)->moveCursor(QTextCursor::End); },
          [](QWidget* w) { return static_cast<T*>(w)->toPlainText(); }};
}

const Editeur Editeurs[] = {
    {"QLineEdit", [](QWidget* p) -> QWidget* { return new QLineEdit(p); },
     [](QWidget* w, const QString& t) {
       static_cast<QLineEdit*>(w)->setText(t);
       static_cast<QLineEdit*>(w)->setSelection(1, 2);
     },
     [](QWidget* w) { static_cast<QLineEdit*>(w)->end(false); },
     [](QWidget* w) { return static_cast<QLineEdit*>(w)->text(); }},
    EditeurTexte<QTextEdit>("QTextEdit"),
    EditeurTexte<QPlainTextEdit>("QPlainTextEdit"),
};

TEST_F(FiltreClavierTest, CopyAndCutWorkOnASelectionAndTypeWithout) {
  struct Cas {
    Qt::Key touche;
    bool selection;
    const char16_t* texteApres;
    const char16_t* pressePapiersApres;
  };
  const Cas cas[] = {
      {Qt::Key_C, true, u"ABCD", u"BC"},
      {Qt::Key_X, true, u"AD", u"BC"},
      {Qt::Key_C, false, u"ABCDχ", u"presse-papiers"},
      {Qt::Key_X, false, u"ABCDξ", u"presse-papiers"},
      {Qt::Key_V, false, u"ABCDpresse-papiers", u"presse-papiers"},
  };
  for (const Editeur& e : Editeurs) {
    QWidget* editeur = e.cree(fenetre.get());
    fenetre->layout()->addWidget(editeur);
    editeur->setFocus();
    for (const Cas& c : cas) {
      SCOPED_TRACE(std::string(e.nom) + " key " + QKeySequence(c.touche).toString().toStdString() +
                   (c.selection ? " with selection" : " without selection"));
      QApplication::clipboard()->setText(TextePresse);
      e.remplit(editeur, "ABCD");
      if (!c.selection) e.deselectionne(editeur);
      QTest::keyClick(editeur, c.touche, Qt::ControlModifier);
      EXPECT_EQ(e.texte(editeur), QString::fromUtf16(c.texteApres));
      EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf16(c.pressePapiersApres));
    }
  }
}

TEST_F(FiltreClavierTest, SpinBoxesKeepTheirValidation) {
  auto* spin = new QSpinBox(fenetre.get());
  spin->setRange(0, 1000);
  spin->setValue(12);
  fenetre->layout()->addWidget(spin);
  spin->setFocus();
  spin->selectAll();
  // Ctrl+A would select all; here it types alpha, which a number refuses.
  QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(spin->text(), QString("12"));
  QTest::keyClick(spin, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QString("12"));
}

}  // namespace

#include "platform/SaisieRetenue.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "platform/tests/SaisieDifferee.h"

namespace {

constexpr int DelaiMs = 10000;
// Long enough for the posted input to reach the loop several times over.
constexpr int AttenteMs = 200;

struct Fenetre {
  Fenetre() {
    bouton = new QPushButton("OK", &widget);
    bouton->setGeometry(10, 10, 80, 30);
    widget.resize(200, 100);
    QObject::connect(bouton, &QPushButton::clicked, [this] { ++clics; });
    widget.show();
  }
  QWidget widget;
  QPushButton* bouton;
  int clics = 0;
};

// Runs the event loop for a while with the input held, after `pendant` ran
// from a timer inside the wait.
void Attends(const std::function<void()>& pendant) {
  const TSaisieRetenue retenue;
  QEventLoop boucle;
  QTimer::singleShot(0, pendant);
  QTimer::singleShot(AttenteMs, &boucle, &QEventLoop::quit);
  boucle.exec();
}

TEST(SaisieRetenue, ClicsEtTouchesDUneAttenteAgissentApres) {
  Fenetre f;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.widget));
  f.widget.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f.widget));
  f.bouton->setFocus();
  struct Cas {
    const char* nom;
    std::function<void()> saisie;
  };
  const Cas cas[] = {
      {"clic", [&] { PosteClic(f.bouton); }},
      {"touche", [&] { PosteTouche(f.bouton, Qt::Key_Space, " "); }},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    const int avant = f.clics;
    bool activeDansLAttente = false;
    Attends([&] {
      activeDansLAttente = TSaisieRetenue::Active();
      c.saisie();
    });
    EXPECT_TRUE(activeDansLAttente);
    EXPECT_EQ(f.clics, avant);  // nothing acted inside the wait
    EXPECT_FALSE(TSaisieRetenue::Active());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.clics == avant + 1; }, DelaiMs));
  }
}

TEST(SaisieRetenue, AttentesEnChaineGardentLaSaisieJusquALaDerniere) {
  Fenetre f;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.widget));
  Attends([&] { PosteClic(f.bouton); });
  // A second wait begins before the loop took the input back: held again.
  Attends([] {});
  EXPECT_EQ(f.clics, 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return f.clics == 1; }, DelaiMs));
  QCoreApplication::processEvents();
  EXPECT_EQ(f.clics, 1);  // once, not once per wait
}

TEST(SaisieRetenue, FenetreOuverteDansLAttenteRecoitSaSaisie) {
  Fenetre derriere;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&derriere.widget));
  int clicsBoite = -1;
  Attends([&] {
    // A message box of the wait: the user can still close it.
    Fenetre boite;
    if (!QTest::qWaitForWindowExposed(&boite.widget)) return;
    PosteClic(boite.bouton);
    (void)QTest::qWaitFor([&] { return boite.clics == 1; }, DelaiMs);
    clicsBoite = boite.clics;
  });
  EXPECT_EQ(clicsBoite, 1);
}

TEST(SaisieRetenue, RaccourciRefusePendantLAttente) {
  Fenetre f;
  auto* action = new QAction(&f.widget);
  action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
  f.widget.addAction(action);
  int declenchements = 0;
  QObject::connect(action, &QAction::triggered, [&] { ++declenchements; });
  f.widget.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f.widget));
  Attends([&] {
    using QWSI = QWindowSystemInterface;
    QWSI::handleKeyEvent<QWSI::SynchronousDelivery>(f.widget.windowHandle(), QEvent::KeyPress, Qt::Key_K,
                                                    Qt::ControlModifier);
  });
  QCoreApplication::processEvents();
  EXPECT_EQ(declenchements, 0);
  // Outside a wait the same keys run the action.
  QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::SynchronousDelivery>(
      f.widget.windowHandle(), QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier);
  EXPECT_EQ(declenchements, 1);
}

}  // namespace

// Clicks and keys as the window system hands them to the program: queued, and
// taken by the event loop when it next accepts user input. (The toolkit's test
// helpers deliver at once, which no user can do while the program waits.)
#pragma once

#include <qpa/qwindowsysteminterface.h>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

// A left click at the centre of `cible`.
inline void PosteClic(QWidget* cible) {
  QWidget* fenetre = cible->window();
  QWindow* surface = fenetre->windowHandle();
  const QPoint centre = cible->rect().center();
  const QPointF local = cible->mapTo(fenetre, centre);
  const QPointF global = cible->mapToGlobal(centre);
  using QWSI = QWindowSystemInterface;
  QWSI::handleMouseEvent<QWSI::AsynchronousDelivery>(surface, local, global, Qt::LeftButton, Qt::LeftButton,
                                                     QEvent::MouseButtonPress);
  QWSI::handleMouseEvent<QWSI::AsynchronousDelivery>(surface, local, global, Qt::NoButton, Qt::LeftButton,
                                                     QEvent::MouseButtonRelease);
}

// A key pressed and released in the window of `cible`.
inline void PosteTouche(QWidget* cible, Qt::Key touche, const QString& texte = {}) {
  QWindow* surface = cible->window()->windowHandle();
  using QWSI = QWindowSystemInterface;
  QWSI::handleKeyEvent<QWSI::AsynchronousDelivery>(surface, QEvent::KeyPress, touche, Qt::NoModifier, texte);
  QWSI::handleKeyEvent<QWSI::AsynchronousDelivery>(surface, QEvent::KeyRelease, touche, Qt::NoModifier,
                                                   texte);
}

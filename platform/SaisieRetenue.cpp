#include "platform/SaisieRetenue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace {

bool EstSaisie(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

// The application's filter: it sees every event of the user-interface thread
// before its receiver. Input reaches a window first and only then the
// widget under the pointer or with the focus, so holding it at the window
// holds it whole.
class Retenue : public QObject {
 public:
  int profondeur = 0;

  bool eventFilter(QObject* objet, QEvent* evenement) override {
    if (profondeur == 0) return false;
    if (evenement->type() == QEvent::Shortcut) return true;
    if (!objet->isWindowType()) return false;
    if (evenement->type() == QEvent::Show) {
      nouvelles_.insert(objet);
      return false;
    }
    if (!EstSaisie(evenement->type()) || nouvelles_.count(objet) != 0) return false;
    retenues_.emplace_back(objet, evenement->clone());
    return true;
  }

  // Posted, not sent: each acts once the code that waited has returned to
  // the event loop. A wait that starts before then holds them again.
  void Rend() {
    nouvelles_.clear();
    for (auto& [fenetre, evenement] : std::exchange(retenues_, {})) {
      if (fenetre) QCoreApplication::postEvent(fenetre, evenement.release());
    }
  }

 private:
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> retenues_;
  std::set<QObject*> nouvelles_;
};

// Only the user-interface thread has windows; the filter lives as long as the
// application object.
Retenue* RetenueDuFil() {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr || QThread::currentThread() != application->thread()) return nullptr;
  static QPointer<Retenue> retenue;
  if (!retenue) {
    retenue = new Retenue;
    retenue->setParent(application);
    application->installEventFilter(retenue);
  }
  return retenue;
}

}  // namespace

TSaisieRetenue::TSaisieRetenue() {
  if (Retenue* r = RetenueDuFil()) ++r->profondeur;
}

TSaisieRetenue::~TSaisieRetenue() {
  Retenue* r = RetenueDuFil();
  if (r == nullptr || r->profondeur == 0) return;
  if (--r->profondeur == 0) r->Rend();
}

bool TSaisieRetenue::Active() {
  const Retenue* r = RetenueDuFil();
  return r != nullptr && r->profondeur > 0;
}

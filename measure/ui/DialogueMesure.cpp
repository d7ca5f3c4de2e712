#include "measure/ui/DialogueMesure.h"

#include <QHideEvent>
#include <QShowEvent>

TDialogueMesure::TDialogueMesure(QWidget* parent) : QDialog(parent) {}

void TDialogueMesure::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Spontaneous show events come from the window system (restore after
  // minimise): the same showing goes on.
  if (event->spontaneous() || phase_ != Phase::Cache) return;
  phase_ = Phase::AActiver;
  const unsigned affichage = ++affichage_;
  // The activation asks the instrument for its wavelength and waits for the
  // answer: it runs once the window is on screen, not inside show().
  QMetaObject::invokeMethod(
      this,
      [this, affichage] {
        if (affichage == affichage_) AssureActive();
      },
      Qt::QueuedConnection);
}

bool TDialogueMesure::AssureActive() {
  if (phase_ == Phase::AActiver) {
    phase_ = Phase::EnActivation;
    FormActivate();
    if (phase_ == Phase::EnActivation) phase_ = Phase::Actif;
  }
  return phase_ == Phase::Actif;
}

void TDialogueMesure::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous() || phase_ == Phase::Cache) return;
  const bool active = phase_ != Phase::AActiver;
  phase_ = Phase::Cache;
  if (active) FormClose();
}

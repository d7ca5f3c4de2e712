// A measurement dialog created once and shown again for every use. Its
// activation runs once per showing, whatever re-activates the window in
// between (a message box closing over it, a restore from the task bar), and
// its closing runs whenever it is hidden, by any button, key or close box, so
// that no trigger of the instrument outlives the showing.
#pragma once

#include <QDialog>

class TDialogueMesure : public QDialog {
  Q_OBJECT

 public:
  explicit TDialogueMesure(QWidget* parent = nullptr);

  // True from the end of this showing's activation until the dialog hides.
  bool Actif() const { return phase_ == Phase::Actif; }

 protected:
  virtual void FormActivate() = 0;
  virtual void FormClose() = 0;

  // Runs this showing's activation at once when it is still due (a click or
  // an instrument event may come before the queued activation). False while
  // hidden or while the activation itself waits for the instrument: the
  // caller must then leave the procedure alone.
  bool AssureActive();

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  enum class Phase { Cache, AActiver, EnActivation, Actif };
  Phase phase_ = Phase::Cache;
  unsigned affichage_ = 0;  // numbers the showings, so a stale queued activation is dropped
};

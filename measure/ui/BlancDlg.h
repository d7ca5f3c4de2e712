// "Enregistrement de la ligne de base": the widgets of the baseline
// recording. Every control hands its event to TBlancProcedure and shows the
// procedure's state back.
#pragma once

#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <functional>

#include "measure/BlancProcedure.h"
#include "measure/ui/DialogueMesure.h"
#include "measure/ui/PiloteDialogue.h"

class TBlancDlg : public TDialogueMesure {
  Q_OBJECT

 public:
  // `pilote`: the main window's link, port and panels; `spectro`: the
  // configuration's baseline fields; `reglages`: the current settings, read
  // at each activation.
  TBlancDlg(TPilote& pilote, TVueBlanc spectro, std::function<TReglages()> reglages,
            QWidget* parent = nullptr);

  // The port's data-trigger event; handles of other dialogs are ignored.
  void DonneeRecue(THandle handle);

  const TBlancProcedure& Procedure() const { return blanc_; }

  void OKBtnClick();
  void LambdaBtnClick();
  void SpeedButton2Click();
  // Escape and the cancel button: the recording is abandoned.
  void reject() override;

  QPushButton* OKBtn = nullptr;
  QProgressBar* Gauge = nullptr;
  QSpinBox* DebutSE = nullptr;
  QSpinBox* FinSE = nullptr;
  QToolButton* LambdaBtn = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QPushButton* EscBtn = nullptr;

 protected:
  void FormActivate() override;
  void FormClose() override;

 private:
  void CreeControles();
  void Rafraichit();

  std::function<TReglages()> reglages_;
  TPiloteDialogue pilote_;
  TBlancProcedure blanc_;
};

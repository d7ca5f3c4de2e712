// "Commande du spectrophotomètre": the widgets of the manual control. Every
// control hands its event to TCommande and shows the procedure's state back.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <functional>

#include "measure/Commande.h"
#include "measure/ui/DialogueMesure.h"
#include "measure/ui/PiloteDialogue.h"

class TCommandeDlg : public TDialogueMesure {
  Q_OBJECT

 public:
  // `pilote`: the main window's link and port; `reglages`: the current
  // settings, read at each activation.
  TCommandeDlg(TPilote& pilote, std::function<TReglages()> reglages, QWidget* parent = nullptr);

  // The port's data-trigger event; handles of other dialogs are ignored.
  void DonneeRecue(THandle handle);

  const TCommande& Procedure() const { return commande_; }

  void GOTOBtnClick();
  void AffLambdaBtnClick();
  void AffAbsBtnClick();

  QPushButton* AffAbsBtn = nullptr;
  QPushButton* AffLambdaBtn = nullptr;
  QPushButton* GOTOBtn = nullptr;
  QLineEdit* LambdaEdit = nullptr;
  QScrollBar* LambdaSB = nullptr;
  QPushButton* CloseBtn = nullptr;

 protected:
  void FormActivate() override;
  void FormClose() override;

 private:
  void CreeControles();
  void Rafraichit();

  std::function<TReglages()> reglages_;
  TPiloteDialogue pilote_;
  TCommande commande_;
};

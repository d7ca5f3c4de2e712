// "Balayage du spectre": the widgets of the spectrum scan. Every control hands
// its event to TBalayage and shows the procedure's state back; the parameter
// and comment boxes are read by the export.
#pragma once

#include <QByteArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <functional>

#include "measure/Balayage.h"
#include "measure/ui/DialogueMesure.h"
#include "measure/ui/PiloteDialogue.h"

class TSpectreDlg : public TDialogueMesure {
  Q_OBJECT

 public:
  // `pilote`: the main window's link, port, panels and graph drawing;
  // `graphe`: the graph's spectrum fields; `spectro`: the configuration's
  // scan bounds and baseline; `reglages`: the current settings, read at each
  // activation.
  TSpectreDlg(TPilote& pilote, TVueSpectre graphe, TVueSpectroBalayage spectro,
              std::function<TReglages()> reglages, QWidget* parent = nullptr);

  // The identified instrument's range; the bounds offered never pass the
  // tables' 1024 nm.
  void LimitesInstrument(int miniL, int maxiL);

  // The port's data-trigger event; handles of other dialogs are ignored.
  void DonneeRecue(THandle handle);

  // What the export reads, as the program's 8-bit text.
  QByteArray Commentaire() const;  // the "Commentaire" box, at most 255 characters
  QByteArray NomParam() const;
  QByteArray UniteParam() const;
  // Why the last scan ended before its end bound; empty when it did not.
  QString Statut() const;

  const TBalayage& Procedure() const { return balayage_; }

  void OKBtnClick();
  void StopBtnClick();
  void CancelBtnClick();
  // Escape works as the cancel button.
  void reject() override;

  QLineEdit* EditNom = nullptr;
  QLineEdit* EditUnite = nullptr;
  QLineEdit* EditValeur = nullptr;
  QLineEdit* EditTitre = nullptr;
  QSpinBox* DebutSE = nullptr;
  QSpinBox* FinSE = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
  QPushButton* StopBtn = nullptr;
  QLabel* StatutLbl = nullptr;

 protected:
  void FormActivate() override;
  void FormClose() override;
  // The close box abandons a scan in progress but keeps a finished spectrum.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreeControles();
  void Rafraichit();

  std::function<TReglages()> reglages_;
  TPiloteDialogue pilote_;
  TBalayage balayage_;
};

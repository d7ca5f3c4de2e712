// The serial port choice dialog: lists the serial ports present on the
// machine, preselects the one in use, and on OK hands the choice to the
// configuration and to the port object. What it needs from the machine and
// from the rest of the program is given to it as functions, so it can be
// shown and tested without hardware.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;

class TChoixSpectroDlg : public QDialog {
  Q_OBJECT
 public:
  // Highest port number offered (COM1..COM50).
  static constexpr int DernierPort = 50;

  explicit TChoixSpectroDlg(QWidget* parent = nullptr);

  // Whether port n exists on the machine (an open attempt). Default: none.
  std::function<bool(int n)> PortPresent;
  // Reads a string value under "\Hardware\DeviceMap\SerialComm"; a missing
  // value reads as empty. Default: no values.
  std::function<QString(const QString& nom)> LitRegistre;
  // The port number the port object uses now (ComNumber).
  std::function<int()> PortEnService;
  // Applies the choice: the configuration's Com, then the port object's
  // ComNumber. The second may fail when the port cannot be opened.
  std::function<void(int n)> FixeCom;
  std::function<void(int n)> FixeComNumber;

  // Rebuilds the list; runs on every showing so newly plugged ports appear.
  void FormActivate();
  void OKBtnClick();

  // The listed items and the selected index (-1 when none), for the caller.
  QStringList Items() const;
  int ItemIndex() const;
  void SetItemIndex(int index);

  QGroupBox* Comports;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QPlainTextEdit* Memo1;

 protected:
  void showEvent(QShowEvent* evenement) override;

 private:
  void VideComports();
  void AjouteItem(int n);

  QGridLayout* grilleComports;
  QButtonGroup* groupeComports;
  std::vector<unsigned char> NumeroPort;
};

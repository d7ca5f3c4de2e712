// The about box: version, product name and the companion program it serves.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QLabel* ProgramIcon;
  QLabel* Version;
  QLabel* ProductName;
  QLabel* Comments;
  QPushButton* OKButton;
};

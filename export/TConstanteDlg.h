// "Renseignements sur la page courante": before an export, the user chooses
// whether Mesurial opens a new file or adds a page to the current one.
#pragma once

#include <QButtonGroup>
#include <QDialog>

class TConstanteDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kNouveauFichier = 0;
  static constexpr int kNouvellePage = 1;

  explicit TConstanteDlg(QWidget* parent = nullptr);

  int ItemIndex() const { return NewPageCB->checkedId(); }
  void SetItemIndex(int index);
  bool NouvellePage() const { return ItemIndex() == kNouvellePage; }
  // After an export the next one proposes a new page of the same file.
  void ApresExport() { SetItemIndex(kNouvellePage); }

  QButtonGroup* NewPageCB;
};

#include "export/TConstanteDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
constexpr int kLargeur = 337;
constexpr int kHauteur = 84;
constexpr int kHauteurPolice = 13;
}  // namespace

TConstanteDlg::TConstanteDlg(QWidget* parent) : QDialog(parent), NewPageCB(new QButtonGroup(this)) {
  setWindowTitle(QStringLiteral("Renseignements sur la page courante"));
  setModal(true);
  QFont police(QStringLiteral("Mesurial"));
  police.setPixelSize(kHauteurPolice);
  setFont(police);

  auto* cadre = new QGroupBox(QStringLiteral("Données vers &Mesurial"), this);
  auto* fichier = new QRadioButton(QStringLiteral("Nouveau &fichier"), cadre);
  auto* page = new QRadioButton(QStringLiteral("Nouvelle &page"), cadre);
  NewPageCB->addButton(fichier, kNouveauFichier);
  NewPageCB->addButton(page, kNouvellePage);
  auto* colonnes = new QHBoxLayout(cadre);
  colonnes->addWidget(fichier);
  colonnes->addWidget(page);

  auto* boutons = new QDialogButtonBox(this);
  QPushButton* ok = boutons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
  boutons->addButton(QStringLiteral("&Abandon"), QDialogButtonBox::RejectRole);
  ok->setDefault(true);
  ok->setFocus();
  connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* pile = new QVBoxLayout(this);
  pile->addWidget(cadre);
  pile->addWidget(boutons);
  resize(kLargeur, kHauteur);
  SetItemIndex(kNouveauFichier);
}

void TConstanteDlg::SetItemIndex(int index) {
  if (QAbstractButton* bouton = NewPageCB->button(index)) bouton->setChecked(true);
}

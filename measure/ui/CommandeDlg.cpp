#include "measure/ui/CommandeDlg.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSizeGrip>
#include <QVBoxLayout>
#include <utility>

#include "graph/TexteMesurial.h"

namespace {
constexpr int GrandPas = 10;
constexpr int PetitPas = 1;
constexpr int TaillePoliceLambda = 16;
}  // namespace

TCommandeDlg::TCommandeDlg(TPilote& pilote, std::function<TReglages()> reglages, QWidget* parent)
    : TDialogueMesure(parent),
      reglages_(std::move(reglages)),
      pilote_(pilote, nullptr, [this](bool ok) { QDialog::done(ok ? Accepted : Rejected); }),
      commande_(pilote_) {
  setWindowTitle(QStringLiteral("Commande du spectrophotomètre"));
  setModal(true);
  setSizeGripEnabled(true);
  CreeControles();
  Rafraichit();
}

void TCommandeDlg::CreeControles() {
  AffAbsBtn = new QPushButton(QStringLiteral("Affichage Absorbance"), this);
  AffLambdaBtn = new QPushButton(QStringLiteral("Affichage Longueur d'onde"), this);
  GOTOBtn = new QPushButton(QStringLiteral("Aller à "), this);
  QSizePolicy politique = GOTOBtn->sizePolicy();
  politique.setRetainSizeWhenHidden(true);
  GOTOBtn->setSizePolicy(politique);
  LambdaEdit = new QLineEdit(this);
  // The wavelength is chosen on the scroll bar; the box only shows it.
  LambdaEdit->setReadOnly(true);
  QFont police(QString::fromLatin1(NomPoliceMesurial));
  police.setPixelSize(TaillePoliceLambda);
  police.setBold(true);
  LambdaEdit->setFont(police);
  LambdaSB = new QScrollBar(Qt::Horizontal, this);
  LambdaSB->setPageStep(GrandPas);
  LambdaSB->setSingleStep(PetitPas);
  CloseBtn = new QPushButton(QStringLiteral("Fermer"), this);
  for (QPushButton* bouton : {AffAbsBtn, AffLambdaBtn, GOTOBtn, CloseBtn}) bouton->setAutoDefault(false);

  auto* affichage = new QHBoxLayout;
  affichage->addWidget(AffAbsBtn);
  affichage->addWidget(AffLambdaBtn);
  auto* aller = new QHBoxLayout;
  aller->addWidget(GOTOBtn);
  aller->addWidget(LambdaEdit);
  auto* bas = new QHBoxLayout;
  bas->addStretch();
  bas->addWidget(CloseBtn);
  auto* pile = new QVBoxLayout(this);
  pile->addLayout(affichage);
  pile->addLayout(aller);
  pile->addWidget(LambdaSB);
  pile->addLayout(bas);

  connect(AffAbsBtn, &QPushButton::clicked, this, &TCommandeDlg::AffAbsBtnClick);
  connect(AffLambdaBtn, &QPushButton::clicked, this, &TCommandeDlg::AffLambdaBtnClick);
  connect(GOTOBtn, &QPushButton::clicked, this, &TCommandeDlg::GOTOBtnClick);
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(LambdaSB, &QScrollBar::valueChanged, this, [this](int position) {
    commande_.LambdaSBChange(position);
    Rafraichit();
  });
}

void TCommandeDlg::Rafraichit() {
  {
    const QSignalBlocker bloque(LambdaSB);
    LambdaSB->setRange(commande_.LambdaSB().Mini(), commande_.LambdaSB().Maxi());
    LambdaSB->setValue(commande_.LambdaSB().Valeur());
  }
  LambdaEdit->setText(VersUnicode(commande_.LambdaEdit()));
  GOTOBtn->setVisible(commande_.GOTOBtnVisible());
}

void TCommandeDlg::FormActivate() {
  commande_.FormActivate(reglages_());
  Rafraichit();
}

void TCommandeDlg::FormClose() {
  commande_.FormClose();
  Rafraichit();
}

void TCommandeDlg::DonneeRecue(THandle handle) {
  if (!AssureActive()) return;
  commande_.DonneeRecue(handle);
  Rafraichit();
}

void TCommandeDlg::GOTOBtnClick() {
  if (!AssureActive()) return;
  commande_.GOTOBtnClick();
  Rafraichit();
}

void TCommandeDlg::AffLambdaBtnClick() {
  if (AssureActive()) commande_.AffLambdaBtnClick();
}

void TCommandeDlg::AffAbsBtnClick() {
  if (AssureActive()) commande_.AffAbsBtnClick();
}

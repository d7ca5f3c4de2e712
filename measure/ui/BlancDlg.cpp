#include "measure/ui/BlancDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <utility>

#include "graph/TexteMesurial.h"
#include "measure/Affichage.h"

namespace {
constexpr int IncrementBornes = 10;
constexpr int TaillePoliceBoutons = 16;

void Reflete(QSpinBox* spin, const TBorne& borne) {
  const QSignalBlocker bloque(spin);
  spin->setRange(borne.Mini(), borne.Maxi());
  spin->setValue(borne.Valeur());
}

QToolButton* BoutonAffichage(const QString& texte, const QString& aide, QWidget* parent) {
  auto* bouton = new QToolButton(parent);
  QFont police(QString::fromLatin1(NomPoliceMesurial));
  police.setPixelSize(TaillePoliceBoutons);
  police.setBold(true);
  bouton->setFont(police);
  bouton->setText(texte);
  bouton->setToolTip(aide);
  bouton->setStatusTip(aide);
  return bouton;
}
}  // namespace

TBlancDlg::TBlancDlg(TPilote& pilote, TVueBlanc spectro, std::function<TReglages()> reglages, QWidget* parent)
    : TDialogueMesure(parent),
      reglages_(std::move(reglages)),
      pilote_(pilote, nullptr, [this](bool ok) { QDialog::done(ok ? Accepted : Rejected); }),
      blanc_(pilote_, spectro) {
  setWindowTitle(QStringLiteral("Enregistrement de la ligne de base"));
  // No title-bar buttons: the dialog ends by itself or through "Annuler".
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  setFont(QFont(QString::fromLatin1(NomPoliceMesurial)));
  CreeControles();
  Rafraichit();
}

void TBlancDlg::CreeControles() {
  OKBtn = new QPushButton(QStringLiteral("Mettre la cuve avec le solvant puis cliquer ici"), this);
  OKBtn->setDefault(true);
  // Hidden during a recording without the other controls moving.
  QSizePolicy politique = OKBtn->sizePolicy();
  politique.setRetainSizeWhenHidden(true);
  OKBtn->setSizePolicy(politique);

  Gauge = new QProgressBar(this);
  Gauge->setFormat(QStringLiteral("%v nm"));

  auto* bornes = new QGroupBox(QStringLiteral("Bornes en nm"), this);
  DebutSE = new QSpinBox(bornes);
  FinSE = new QSpinBox(bornes);
  for (QSpinBox* spin : {DebutSE, FinSE}) {
    spin->setSingleStep(IncrementBornes);
    spin->setKeyboardTracking(false);
  }
  auto* grille = new QGridLayout(bornes);
  grille->addWidget(new QLabel(QStringLiteral("Début:"), bornes), 0, 0);
  grille->addWidget(DebutSE, 0, 1);
  grille->addWidget(new QLabel(QStringLiteral("Fin:"), bornes), 1, 0);
  grille->addWidget(FinSE, 1, 1);

  LambdaBtn = BoutonAffichage(QStringLiteral("?"),
                              QStringLiteral("Affichage de la longueur d'onde sur le spectro"), this);
  SpeedButton2 =
      BoutonAffichage(QStringLiteral("A"), QStringLiteral("Affichage de l'absorbance sur le spectro"), this);
  EscBtn = new QPushButton(QStringLiteral("Annuler"), this);
  EscBtn->setAutoDefault(false);

  auto* bas = new QHBoxLayout;
  bas->addWidget(bornes);
  bas->addWidget(LambdaBtn);
  bas->addWidget(SpeedButton2);
  bas->addStretch();
  bas->addWidget(EscBtn);
  auto* pile = new QVBoxLayout(this);
  pile->addWidget(OKBtn);
  pile->addWidget(Gauge);
  pile->addLayout(bas);

  connect(OKBtn, &QPushButton::clicked, this, &TBlancDlg::OKBtnClick);
  connect(LambdaBtn, &QToolButton::clicked, this, &TBlancDlg::LambdaBtnClick);
  connect(SpeedButton2, &QToolButton::clicked, this, &TBlancDlg::SpeedButton2Click);
  connect(EscBtn, &QPushButton::clicked, this, &TBlancDlg::reject);
  connect(DebutSE, &QSpinBox::valueChanged, this, [this](int valeur) {
    blanc_.DebutSE().FixeValeur(valeur);
    Rafraichit();
  });
  connect(FinSE, &QSpinBox::valueChanged, this, [this](int valeur) {
    blanc_.FinSE().FixeValeur(valeur);
    Rafraichit();
  });
}

void TBlancDlg::Rafraichit() {
  OKBtn->setVisible(blanc_.OKBtnVisible());
  Reflete(DebutSE, blanc_.DebutSE());
  Reflete(FinSE, blanc_.FinSE());
  // The bounds are taken when the recording starts; changing them afterwards
  // would only mislead.
  const bool modifiable = !EnCours(blanc_.Etat());
  DebutSE->setEnabled(modifiable);
  FinSE->setEnabled(modifiable);
  Gauge->setRange(blanc_.Gauge().Mini(), blanc_.Gauge().Maxi());
  Gauge->setValue(blanc_.Gauge().Valeur());
  LambdaBtn->setEnabled(blanc_.AffichageAutorise());
  SpeedButton2->setEnabled(blanc_.AffichageAutorise());
}

void TBlancDlg::FormActivate() {
  LambdaBtn->setText(VersUnicode(std::string(1, CaractereLambda)));
  blanc_.FormActivate(reglages_());
  Rafraichit();
}

void TBlancDlg::FormClose() {
  blanc_.FormClose();
  Rafraichit();
}

void TBlancDlg::DonneeRecue(THandle handle) {
  if (!AssureActive()) return;
  blanc_.DonneeRecue(handle);
  Rafraichit();
}

void TBlancDlg::OKBtnClick() {
  if (!AssureActive()) return;
  blanc_.OKBtnClick();
  Rafraichit();
}

void TBlancDlg::LambdaBtnClick() {
  if (!AssureActive()) return;
  blanc_.LambdaBtnClick();
}

void TBlancDlg::SpeedButton2Click() {
  if (!AssureActive()) return;
  blanc_.SpeedButton2Click();
}

void TBlancDlg::reject() {
  if (!isVisible()) return;
  blanc_.EscBtnClick();  // closes through the pilot, which hides the dialog
  Rafraichit();
}

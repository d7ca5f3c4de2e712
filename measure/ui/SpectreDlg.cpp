#include "measure/ui/SpectreDlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <utility>

#include "graph/TexteMesurial.h"

namespace {
constexpr int IncrementBornes = 10;
// The graph's comment line is a short string.
constexpr qsizetype LongueurCommentaireMaxi = 255;

void Reflete(QSpinBox* spin, const TBorne& borne, bool modifiable) {
  const QSignalBlocker bloque(spin);
  spin->setRange(borne.Mini(), borne.Maxi());
  spin->setValue(borne.Valeur());
  spin->setEnabled(modifiable);
}

QSpinBox* SpinBorne(QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setSingleStep(IncrementBornes);
  // Only a finished entry moves the other bound's limit, not every keystroke.
  spin->setKeyboardTracking(false);
  return spin;
}
}  // namespace

TSpectreDlg::TSpectreDlg(TPilote& pilote, TVueSpectre graphe, TVueSpectroBalayage spectro,
                         std::function<TReglages()> reglages, QWidget* parent)
    : TDialogueMesure(parent),
      reglages_(std::move(reglages)),
      pilote_(
          pilote, [this] { return OctetsSaisis(EditValeur->text()).toStdString(); },
          [this](bool ok) { QDialog::done(ok ? Accepted : Rejected); }),
      balayage_(pilote_, graphe, spectro) {
  setWindowTitle(QStringLiteral("Balayage du spectre"));
  setModal(true);
  setFont(QFont(QString::fromLatin1(NomPoliceMesurial)));
  CreeControles();
  Rafraichit();
}

void TSpectreDlg::CreeControles() {
  auto* parametre = new QGroupBox(QStringLiteral("Paramètre"), this);
  EditNom = new QLineEdit(parametre);
  EditUnite = new QLineEdit(parametre);
  EditValeur = new QLineEdit(parametre);
  auto* grilleParametre = new QGridLayout(parametre);
  grilleParametre->addWidget(new QLabel(QStringLiteral("Nom"), parametre), 0, 0);
  grilleParametre->addWidget(new QLabel(QStringLiteral("Unité"), parametre), 0, 1);
  grilleParametre->addWidget(new QLabel(QStringLiteral("Valeur"), parametre), 0, 2);
  grilleParametre->addWidget(EditNom, 1, 0);
  grilleParametre->addWidget(EditUnite, 1, 1);
  grilleParametre->addWidget(EditValeur, 1, 2);

  auto* commentaire = new QGroupBox(QStringLiteral("Commentaire"), this);
  EditTitre = new QLineEdit(commentaire);
  EditTitre->setMaxLength(LongueurCommentaireMaxi);
  (new QVBoxLayout(commentaire))->addWidget(EditTitre);

  auto* bornes = new QGroupBox(QStringLiteral("Bornes du spectre en nm"), this);
  DebutSE = SpinBorne(bornes);
  FinSE = SpinBorne(bornes);
  auto* ligneBornes = new QHBoxLayout(bornes);
  ligneBornes->addWidget(new QLabel(QStringLiteral("Début:"), bornes));
  ligneBornes->addWidget(DebutSE);
  ligneBornes->addWidget(new QLabel(QStringLiteral("Fin:"), bornes));
  ligneBornes->addWidget(FinSE);

  OKBtn = new QPushButton(QStringLiteral("Mettre la cuve avec l'échantillon puis cliquer ici"), this);
  OKBtn->setDefault(true);
  QSizePolicy politique = OKBtn->sizePolicy();
  politique.setRetainSizeWhenHidden(true);
  OKBtn->setSizePolicy(politique);
  CancelBtn = new QPushButton(QStringLiteral("Annuler"), this);
  StopBtn = new QPushButton(QStringLiteral("Stop"), this);
  for (QPushButton* bouton : {CancelBtn, StopBtn}) bouton->setAutoDefault(false);
  StatutLbl = new QLabel(this);
  StatutLbl->setWordWrap(true);

  auto* boutons = new QHBoxLayout;
  boutons->addWidget(StopBtn);
  boutons->addStretch();
  boutons->addWidget(CancelBtn);
  auto* pile = new QVBoxLayout(this);
  pile->addWidget(parametre);
  pile->addWidget(commentaire);
  pile->addWidget(bornes);
  pile->addWidget(OKBtn);
  pile->addWidget(StatutLbl);
  pile->addLayout(boutons);

  connect(OKBtn, &QPushButton::clicked, this, &TSpectreDlg::OKBtnClick);
  connect(StopBtn, &QPushButton::clicked, this, &TSpectreDlg::StopBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &TSpectreDlg::CancelBtnClick);
  connect(DebutSE, &QSpinBox::valueChanged, this, [this](int valeur) {
    balayage_.ChangeDebut(valeur);
    Rafraichit();
  });
  connect(FinSE, &QSpinBox::valueChanged, this, [this](int valeur) {
    balayage_.ChangeFin(valeur);
    Rafraichit();
  });
}

void TSpectreDlg::Rafraichit() {
  OKBtn->setVisible(balayage_.OKBtnVisible());
  Reflete(DebutSE, balayage_.DebutSE(), balayage_.BornesModifiables());
  Reflete(FinSE, balayage_.FinSE(), balayage_.BornesModifiables());
  StatutLbl->setText(Statut());
  StatutLbl->setVisible(!balayage_.Statut().empty());
}

void TSpectreDlg::LimitesInstrument(int miniL, int maxiL) {
  balayage_.LimitesInstrument(miniL, maxiL);
  Rafraichit();
}

QByteArray TSpectreDlg::Commentaire() const {
  return OctetsSaisis(EditTitre->text().left(LongueurCommentaireMaxi));
}

QByteArray TSpectreDlg::NomParam() const {
  return OctetsSaisis(EditNom->text());
}

QByteArray TSpectreDlg::UniteParam() const {
  return OctetsSaisis(EditUnite->text());
}

QString TSpectreDlg::Statut() const {
  return VersUnicode(balayage_.Statut());
}

void TSpectreDlg::FormActivate() {
  balayage_.FormActivate(reglages_());
  Rafraichit();
}

void TSpectreDlg::FormClose() {
  balayage_.FormClose();
  Rafraichit();
}

void TSpectreDlg::DonneeRecue(THandle handle) {
  if (!AssureActive()) return;
  balayage_.DonneeRecue(handle);
  Rafraichit();
}

void TSpectreDlg::OKBtnClick() {
  if (!AssureActive()) return;
  balayage_.OKBtnClick();
  Rafraichit();
}

void TSpectreDlg::StopBtnClick() {
  if (!AssureActive()) return;
  balayage_.StopBtnClick();  // closes through the pilot with the OK result
  Rafraichit();
}

void TSpectreDlg::CancelBtnClick() {
  if (!isVisible()) return;
  balayage_.CancelBtnClick();  // closes through the pilot with the cancel result
  Rafraichit();
}

void TSpectreDlg::reject() {
  CancelBtnClick();
}

void TSpectreDlg::closeEvent(QCloseEvent* event) {
  event->accept();
  if (isVisible()) QDialog::done(Rejected);  // hiding runs FormClose
}

#include "instrument/ChoixSpectro.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <exception>

namespace {

constexpr int ColonnesComports = 3;
constexpr const char* PrefixeValeurRegistre = "\\Device\\porte";

// Width that shows every line of an unwrapped text box without scrolling.
int LargeurTexte(const QPlainTextEdit& memo) {
  int ligneMax = 0;
  for (const QString& ligne : memo.toPlainText().split('\n')) {
    ligneMax = std::max(ligneMax, memo.fontMetrics().horizontalAdvance(ligne));
  }
  const int marges = 2 * (memo.frameWidth() + static_cast<int>(memo.document()->documentMargin())) +
                     memo.contentsMargins().left() + memo.contentsMargins().right();
  return ligneMax + marges + memo.verticalScrollBar()->sizeHint().width();
}

}  // namespace

TChoixSpectroDlg::TChoixSpectroDlg(QWidget* parent)
    : QDialog(parent),
      PortPresent([](int) { return false; }),
      LitRegistre([](const QString&) { return QString(); }),
      PortEnService([] { return 0; }),
      FixeCom([](int) {}),
      FixeComNumber([](int) {}) {
  setWindowTitle("Spectrophotomètre");

  Comports = new QGroupBox("Voie série: ", this);
  grilleComports = new QGridLayout(Comports);
  groupeComports = new QButtonGroup(this);
  groupeComports->setExclusive(true);

  OKBtn = new QPushButton("OK", this);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton("Annuler", this);
  connect(OKBtn, &QPushButton::clicked, this, &TChoixSpectroDlg::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setReadOnly(true);
  Memo1->setPlainText(
      "Appuyer plusieurs fois sur la touche Peak Seek\n"
      "du spectro jusqu'à l'obtention de PC sur l'écran \n"
      "du spectro puis attendre la fin du clignotement \n"
      "des LED.\n");
  // The text is broken into lines already: wrapped again at the box's edge
  // it would read as ragged fragments. The box is made wide enough instead.
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setMinimumWidth(LargeurTexte(*Memo1));

  auto* boutons = new QVBoxLayout;
  boutons->addWidget(OKBtn);
  boutons->addWidget(CancelBtn);
  boutons->addStretch(1);
  auto* haut = new QHBoxLayout;
  haut->addWidget(Comports, 1);
  haut->addLayout(boutons);
  auto* colonne = new QVBoxLayout(this);
  colonne->addLayout(haut, 1);
  colonne->addWidget(Memo1);
}

void TChoixSpectroDlg::showEvent(QShowEvent* evenement) {
  FormActivate();
  QDialog::showEvent(evenement);
}

void TChoixSpectroDlg::VideComports() {
  for (QAbstractButton* bouton : groupeComports->buttons()) {
    groupeComports->removeButton(bouton);
    delete bouton;
  }
  NumeroPort.clear();
}

void TChoixSpectroDlg::AjouteItem(int n) {
  const int index = static_cast<int>(NumeroPort.size());
  auto* bouton = new QRadioButton(QString("COM%1").arg(n), Comports);
  groupeComports->addButton(bouton, index);
  NumeroPort.push_back(static_cast<unsigned char>(n));
  // Filled row by row; the grid keeps three columns whatever the count.
  grilleComports->addWidget(bouton, index / ColonnesComports, index % ColonnesComports);
}

void TChoixSpectroDlg::FormActivate() {
  VideComports();
  const int enService = PortEnService();
  int selection = -1;
  for (int n = 1; n <= DernierPort; ++n) {
    const bool sansValeur = LitRegistre(PrefixeValeurRegistre + QString::number(n)).isEmpty();
    if (!sansValeur || !PortPresent(n)) continue;
    AjouteItem(n);
    if (n == enService) selection = static_cast<int>(NumeroPort.size()) - 1;
  }
  if (selection < 0 && !NumeroPort.empty()) selection = 0;
  SetItemIndex(selection);
}

void TChoixSpectroDlg::OKBtnClick() {
  const int i = ItemIndex();
  if (i >= 0) {
    const int n = NumeroPort[static_cast<size_t>(i)];
    FixeCom(n);
    // A port that cannot be opened must not break out of the dialog: the
    // caller's instrument initialisation then reports the instrument missing.
    try {
      FixeComNumber(n);
    } catch (const std::exception& erreur) {
      std::fprintf(stderr, "zelor: COM%d: %s\n", n, erreur.what());
    }
  }
  accept();
}

QStringList TChoixSpectroDlg::Items() const {
  QStringList items;
  for (int i = 0; i < static_cast<int>(NumeroPort.size()); ++i) items << groupeComports->button(i)->text();
  return items;
}

int TChoixSpectroDlg::ItemIndex() const {
  return groupeComports->checkedId();
}

void TChoixSpectroDlg::SetItemIndex(int index) {
  if (QAbstractButton* bouton = groupeComports->button(index)) bouton->setChecked(true);
}

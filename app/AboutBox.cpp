#include "app/AboutBox.h"

#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int LargeurClient = 298;
constexpr int HauteurClient = 197;
constexpr int LargeurOK = 145;
constexpr int HauteurOK = 33;
constexpr int TailleIcone = 32;
constexpr int TaillePolice = 13;
constexpr int TailleNomProduit = 16;

// The program icon: a small spectrum curve in a frame, drawn here so the
// program carries no image files.
QPixmap IconeProgramme() {
  QPixmap image(TailleIcone, TailleIcone);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::gray, 1));
  p.drawRect(0, 0, TailleIcone - 1, TailleIcone - 1);
  p.setPen(QPen(Qt::blue, 2));
  const QPointF courbe[] = {{3, 27}, {8, 24}, {12, 12}, {15, 5}, {18, 12}, {22, 22}, {28, 26}};
  p.drawPolyline(courbe, std::size(courbe));
  return image;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle("A propos");
  QFont police = font();
  police.setPixelSize(TaillePolice);
  setFont(police);

  auto* panneau = new QFrame(this);
  panneau->setFrameStyle(QFrame::Panel | QFrame::Sunken);

  ProgramIcon = new QLabel(panneau);
  ProgramIcon->setPixmap(IconeProgramme());
  Version = new QLabel("Version du 09/05/2006", panneau);
  ProductName = new QLabel("Spectrophotomètre Zelor 1000", panneau);
  QFont gras = police;
  gras.setBold(true);
  gras.setPixelSize(TailleNomProduit);
  ProductName->setFont(gras);
  Comments = new QLabel("pour Mesurial", panneau);
  Comments->setWordWrap(true);

  auto* grille = new QGridLayout(panneau);
  grille->addWidget(ProgramIcon, 0, 0, Qt::AlignTop | Qt::AlignLeft);
  grille->addWidget(ProductName, 0, 1);
  grille->addWidget(Version, 1, 1);
  grille->addWidget(Comments, 2, 1);
  grille->setColumnStretch(1, 1);

  OKButton = new QPushButton("OK", this);
  OKButton->setFixedSize(LargeurOK, HauteurOK);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  auto* colonne = new QVBoxLayout(this);
  colonne->addWidget(panneau, 1);
  colonne->addWidget(OKButton, 0, Qt::AlignHCenter);
  // The designed size, widened when the fonts at hand make the product
  // name longer than it allows.
  setFixedSize(sizeHint().expandedTo(QSize(LargeurClient, HauteurClient)));
}

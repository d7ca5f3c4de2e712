#include "app/FichiersFenetre.h"

#include <QAction>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QToolBar>

#include <algorithm>
#include <cmath>

#include "app/IconesActions.h"
#include "app/Specmain.h"
#include "export/ImageSpectre.h"
#include "graph/Graphe.h"
#include "graph/TexteMesurial.h"
#include "instrument/Cfgspect.h"

namespace {

// A printed page is drawn at about this many device pixels high, so the
// graph's text and lines keep their screen proportions on any printer.
constexpr double kHauteurLogiquePage = 900;

constexpr char kFiltreJcamp[] = "JCAMP-DX (*.jdx *.dx *.jcm)";
constexpr char kFiltreCsv[] = "CSV (*.csv)";
constexpr char kFiltreTexte[] = "Texte de l'export Mesurial (*.txt)";
constexpr char kFiltrePng[] = "Image PNG (*.png)";
constexpr char kFiltreSvg[] = "Image SVG (*.svg)";
constexpr char kFiltrePdf[] = "Document PDF (*.pdf)";

QString Filtres(std::initializer_list<const char*> filtres) {
  QStringList l;
  for (const char* f : filtres) l << QString::fromUtf8(f);
  return l.join(QStringLiteral(";;"));
}

// The suffix of the chosen filter when the name has none of its own.
QString AvecSuffixe(const QString& chemin, const QString& filtre) {
  if (chemin.isEmpty() || !QFileInfo(chemin).suffix().isEmpty()) return chemin;
  const qsizetype etoile = filtre.indexOf(QLatin1String("*."));
  if (etoile < 0) return chemin;
  const qsizetype fin = filtre.indexOf(QRegularExpression(QStringLiteral("[ )]")), etoile);
  return chemin + filtre.mid(etoile + 1, fin - etoile - 1);
}

QString DialogueFichier(QWidget* parent, TFichiersFenetre::Choix choix, const QString& dossier) {
  QString filtre;
  switch (choix) {
    case TFichiersFenetre::Choix::Enregistrer: {
      const QString chemin = QFileDialog::getSaveFileName(parent, TFichiersFenetre::TitreEnregistrer, dossier,
                                                          Filtres({kFiltreJcamp, kFiltreCsv, kFiltreTexte}), &filtre);
      return AvecSuffixe(chemin, filtre);
    }
    case TFichiersFenetre::Choix::Ouvrir:
      return QFileDialog::getOpenFileName(
          parent, TFichiersFenetre::TitreOuvrir, dossier,
          Filtres({"Spectres (*.jdx *.dx *.jcm *.csv *.txt)", kFiltreJcamp, kFiltreCsv, kFiltreTexte,
                   "Tous les fichiers (*)"}));
    case TFichiersFenetre::Choix::Image: {
      const QString chemin = QFileDialog::getSaveFileName(parent, TFichiersFenetre::TitreImage, dossier,
                                                          Filtres({kFiltrePng, kFiltreSvg, kFiltrePdf}), &filtre);
      return AvecSuffixe(chemin, filtre);
    }
  }
  return {};
}

std::optional<QSize> DialogueTaille(QWidget* parent, QSize initiale) {
  QDialog dialogue(parent);
  dialogue.setWindowTitle(QStringLiteral("Taille de l'image"));
  auto* formulaire = new QFormLayout(&dialogue);
  auto cote = [&dialogue](int valeur) {
    auto* boite = new QSpinBox(&dialogue);
    boite->setRange(kCoteMinImage, kCoteMaxImage);
    boite->setSuffix(QStringLiteral(" px"));
    boite->setValue(std::clamp(valeur, kCoteMinImage, kCoteMaxImage));
    return boite;
  };
  QSpinBox* largeur = cote(initiale.width());
  QSpinBox* hauteur = cote(initiale.height());
  formulaire->addRow(QStringLiteral("&Largeur :"), largeur);
  formulaire->addRow(QStringLiteral("&Hauteur :"), hauteur);
  auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialogue);
  boutons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Abandon"));
  QObject::connect(boutons, &QDialogButtonBox::accepted, &dialogue, &QDialog::accept);
  QObject::connect(boutons, &QDialogButtonBox::rejected, &dialogue, &QDialog::reject);
  formulaire->addRow(boutons);
  if (dialogue.exec() != QDialog::Accepted) return std::nullopt;
  return QSize(largeur->value(), hauteur->value());
}

bool MemesDonnees(const TFichierSpectre& s, const Tgraphe& g) {
  if (g.modeTrace != mtCourbe || g.premier != s.premier || g.dernier != s.dernier) return false;
  return std::equal(g.spectre.begin() + g.premier, g.spectre.begin() + g.dernier + 1, s.spectre.begin() + s.premier);
}

QString Nom(const QString& chemin) {
  return QFileInfo(chemin).fileName();
}

}  // namespace

TFichiersFenetre::TFichiersFenetre(TSpectreMain& principale, Tspectro& spectro)
    : principale_(principale), spectro_(spectro) {
  ChoisitFichier = [this](Choix choix, const QString& dossier) { return DialogueFichier(&principale_, choix, dossier); };
  ChoisitTaille = [this](QSize initiale) { return DialogueTaille(&principale_, initiale); };
  ChoisitImprimante = [this](QPrinter& imprimante) {
    QPrintDialog dialogue(&imprimante, &principale_);
    return dialogue.exec() == QDialog::Accepted;
  };

  EnregistrerAction = CreeAction(QStringLiteral("Enregistrer…"), QStringLiteral("&Enregistrer…"), ImageEnregistrer,
                                 QKeySequence(Qt::CTRL | Qt::Key_S), &TFichiersFenetre::Enregistrer);
  OuvrirAction = CreeAction(QStringLiteral("Ouvrir…"), QStringLiteral("O&uvrir…"), ImageOuvrir,
                            QKeySequence(Qt::CTRL | Qt::Key_O), &TFichiersFenetre::Ouvrir);
  ImageAction = CreeAction(QStringLiteral("Image…"), QStringLiteral("&Image…"), ImageImage, QKeySequence(),
                           &TFichiersFenetre::Image);
  ImprimerAction = CreeAction(QStringLiteral("Imprimer…"), QStringLiteral("Im&primer…"), ImageImprimer,
                              QKeySequence(Qt::CTRL | Qt::Key_P), &TFichiersFenetre::Imprimer);
  for (QAction* action : {EnregistrerAction, ImageAction, ImprimerAction}) {
    action->setEnabled(principale_.MesSaveAction->isEnabled());
    connect(principale_.MesSaveAction, &QAction::enabledChanged, action, &QAction::setEnabled);
  }
  for (QAction* action : {EnregistrerAction, OuvrirAction, ImageAction, ImprimerAction}) {
    principale_.ActionToolBar1->addAction(action);
  }
  // The restored window still shows every button of the toolbar.
  principale_.resize(std::max(principale_.width(), principale_.ActionToolBar1->sizeHint().width()),
                     principale_.height());
}

QAction* TFichiersFenetre::CreeAction(const QString& legende, const QString& legendeBarre, int image,
                                      const QKeySequence& touches, void (TFichiersFenetre::*gestionnaire)()) {
  auto* action = new QAction(IconeAction(image), legende, &principale_);
  action->setIconText(legendeBarre);
  action->setShortcut(touches);
  connect(action, &QAction::triggered, this, gestionnaire);
  return action;
}

QString TFichiersFenetre::Dossier() const {
  const QString dossier = QString::fromStdString(spectro_.DossierFichiers);
  return !dossier.isEmpty() && QDir(dossier).exists() ? dossier : QDir::homePath();
}

void TFichiersFenetre::RetientDossier(const QString& chemin) {
  spectro_.DossierFichiers = QFileInfo(chemin).absolutePath().toStdString();
}

void TFichiersFenetre::Signale(const QString& texte) const {
  if (principale_.Message) principale_.Message(texte);
}

bool TFichiersFenetre::EstLeSpectreOuvert(const Tgraphe& graphe) const {
  return ouvert_ && MemesDonnees(*ouvert_, graphe);
}

TFichierSpectre TFichiersFenetre::SpectreCourant() const {
  const Tgraphe& g = *principale_.Graphe;
  TFichierSpectre s;
  if (EstLeSpectreOuvert(g)) {
    s = *ouvert_;
  } else {
    const TProtocole::TIdentification& id = principale_.Identification;
    FixeProvenance(s, id.nom, id.numero, id.version, {spectro_.Debut, spectro_.Fin},
                   {spectro_.BlancDebut, spectro_.BlancFin});
  }
  s.spectre = g.spectre;
  s.premier = g.premier;
  s.dernier = g.dernier;
  const TTextesBalayage textes = TextesBalayage ? TextesBalayage() : TTextesBalayage{};
  s.commentaire = g.commentaire.empty() ? textes.commentaire : VersUnicode(g.commentaire.Vue());
  s.nomParam = textes.nomParam;
  s.uniteParam = textes.uniteParam;
  s.valeurParam = g.valeurParam;
  s.precision = spectro_.Precision;
  return s;
}

bool TFichiersFenetre::EnregistreSous(const QString& chemin) {
  const FormatSpectre format = FormatDuNom(chemin).value_or(FormatSpectre::Jcamp);
  QString erreur;
  if (!EnregistreSpectre(chemin, SpectreCourant(), format, ContexteDuProgramme(QDateTime::currentDateTime()), erreur)) {
    Signale(QStringLiteral("Spectre non enregistré : %1").arg(erreur));
    return false;
  }
  RetientDossier(chemin);
  principale_.PanelStatus->setText(QStringLiteral("Enregistré : %1").arg(Nom(chemin)));
  return true;
}

void TFichiersFenetre::PlaceDansGraphe(const TFichierSpectre& s) {
  Tgraphe& g = *principale_.Graphe;
  g.spectre = s.spectre;
  g.premier = static_cast<std::uint16_t>(s.premier);
  g.dernier = static_cast<std::uint16_t>(s.dernier);
  g.valeurParam = s.valeurParam;
  g.pointX.fill(0);
  g.pointY.fill(0);
  g.modeTrace = mtCourbe;
  // The axes widen to show the whole spectrum; the next identification sets
  // the instrument's range again.
  double haut = spectro_.MaxiA;
  double bas = 0;
  for (int w = s.premier; w <= s.dernier; ++w) {
    const double a = s.spectre[w];
    if (ValeurManquante(a)) continue;
    haut = std::max(haut, a);
    bas = std::min(bas, a);
  }
  g.SetBornes(std::min(g.mondeX.mini, double(s.premier)), bas, std::max(g.mondeX.maxi, double(s.dernier)), haut);
}

bool TFichiersFenetre::OuvreFichier(const QString& chemin) {
  const TLectureSpectre lecture = OuvreSpectre(chemin);
  if (!lecture.spectre) {
    Signale(QStringLiteral("Impossible d'ouvrir « %1 » :\n%2").arg(Nom(chemin), lecture.erreur));
    return false;
  }
  const TFichierSpectre& s = *lecture.spectre;
  PlaceDansGraphe(s);
  if (FixeTextes) {
    FixeTextes(TTextesBalayage{s.commentaire, s.nomParam, s.uniteParam}, TexteValeur(spectro_.Precision, s.valeurParam));
  }
  ouvert_ = s;
  RetientDossier(chemin);
  principale_.PaintBox->update();
  principale_.MajActions();
  principale_.PanelStatus->setText(QStringLiteral("Ouvert : %1").arg(Nom(chemin)));
  if (!lecture.remarques.isEmpty()) {
    Signale(QStringLiteral("« %1 » ouvert :\n%2").arg(Nom(chemin), lecture.remarques.join(QLatin1Char('\n'))));
  }
  return true;
}

bool TFichiersFenetre::EcritImageSous(const QString& chemin, QSize taille) {
  const std::optional<FormatImage> format = FormatImageDuNom(chemin);
  QString erreur = QStringLiteral("format inconnu (PNG, SVG ou PDF)");
  if (!format || !EcritImage(*principale_.Graphe, chemin, taille, *format, erreur)) {
    Signale(QStringLiteral("Image non écrite : %1").arg(erreur));
    return false;
  }
  RetientDossier(chemin);
  principale_.PanelStatus->setText(QStringLiteral("Image écrite : %1").arg(Nom(chemin)));
  return true;
}

bool TFichiersFenetre::ImprimeSur(QPrinter& imprimante) {
  QPainter peintre;
  if (!peintre.begin(&imprimante)) {
    Signale(QStringLiteral("Impression impossible : l'imprimante n'a pas pu commencer la page."));
    return false;
  }
  const QSize page = imprimante.pageLayout().paintRectPixels(imprimante.resolution()).size();
  const double echelle = std::max(1.0, page.height() / kHauteurLogiquePage);
  peintre.scale(echelle, echelle);
  const QRect logique(0, 0, static_cast<int>(page.width() / echelle), static_cast<int>(page.height() / echelle));
  DessinePage(*principale_.Graphe, peintre, logique, principale_.windowTitle(), SpectreCourant().commentaire);
  return peintre.end();
}

void TFichiersFenetre::Enregistrer() {
  const QString chemin = ChoisitFichier(Choix::Enregistrer, Dossier());
  if (!chemin.isEmpty()) EnregistreSous(chemin);
}

void TFichiersFenetre::Ouvrir() {
  const QString chemin = ChoisitFichier(Choix::Ouvrir, Dossier());
  if (!chemin.isEmpty()) OuvreFichier(chemin);
}

void TFichiersFenetre::Image() {
  const QString chemin = ChoisitFichier(Choix::Image, Dossier());
  if (chemin.isEmpty()) return;
  const std::optional<QSize> taille = ChoisitTaille(principale_.PaintBox->size());
  if (taille) EcritImageSous(chemin, *taille);
}

void TFichiersFenetre::Imprimer() {
  QPrinter imprimante(QPrinter::HighResolution);
  if (ChoisitImprimante(imprimante)) ImprimeSur(imprimante);
}

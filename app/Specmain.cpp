#include "app/Specmain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "app/FiltreClavier.h"
#include "app/IconesActions.h"
#include "app/TexteAffiche.h"
#include "graph/GrapheEnCache.h"
#include "graph/Graphker.h"
#include "graph/QPainterCanvas.h"
#include "instrument/Cfgspect.h"
#include "instrument/ChoixSpectro.h"
#include "platform/DetenteurPort.h"

namespace {

constexpr QRect GeometrieNormale(302, 225, 597, 377);
constexpr int HauteurBarre = 30;
constexpr int HauteurPanelStatus = 35;
constexpr int LargeurPanel = 150;
constexpr int TaillePoliceFenetre = 13;
constexpr int TaillePoliceBarre = 11;
constexpr int TaillePolicePanel = 16;
constexpr int TaillePoliceTrace = 13;
constexpr std::size_t LongueurTitre = 255;

// "court|long": the short part is the tooltip, the long part the hint line.
struct Aide {
  QString court, longue;
};
Aide DecoupeAide(const QString& aide) {
  const qsizetype barre = aide.indexOf('|');
  if (barre < 0) return {aide, aide};
  return {aide.left(barre), aide.mid(barre + 1)};
}

// A serial error the window absorbs: one line on standard error.
void SignaleErreurVoie(const ESerialError& erreur) {
  std::fprintf(stderr, "zelor: voie série : %s\n", erreur.what());
}

QLabel* CreePanel(QWidget* parent) {
  auto* panel = new QLabel(parent);
  panel->setFixedWidth(LargeurPanel);
  panel->setAlignment(Qt::AlignCenter);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setAutoFillBackground(true);
  QPalette couleurs = panel->palette();
  // The closest the toolkit has to the colour of an active window caption.
  couleurs.setColor(QPalette::Window, couleurs.color(QPalette::Active, QPalette::Highlight));
  couleurs.setColor(QPalette::WindowText, Qt::white);
  panel->setPalette(couleurs);
  QFont police = panel->font();
  police.setBold(true);
  police.setPixelSize(TaillePolicePanel);
  panel->setFont(police);
  return panel;
}

}  // namespace

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  QFont police = font();
  police.setBold(true);
  police.setPixelSize(TaillePoliceTrace);
  setFont(police);
}

void TPaintBox::paintEvent(QPaintEvent* evenement) {
  if (!OnPaint) return;
  QPainter peintre(this);
  OnPaint(peintre, rect(), evenement->rect());
}

TSpectreMain::TSpectreMain(Tspectro& spectro, QWidget* parent)
    : QMainWindow(parent),
      Spectro(spectro),
      VideTrace([this] { VideTraceVoie(); }),
      Message([this](const QString& texte) { QMessageBox::information(this, windowTitle(), texte); }),
      filtre(new FiltreClavier(this)) {
  CreeControles();
  PrepareVoieSerie();
  Pilote.SurErreur = [this](const std::string& erreur) { ErreurLiaison(erreur); };
  FormCreate();
}

void TSpectreMain::PrepareVoieSerie() {
  VoieSerie.SetComNumber(1);
  VoieSerie.SetBaud(9600);
  VoieSerie.SetParity(pEven);
  VoieSerie.SetDataBits(7);
  VoieSerie.SetStopBits(2);
  VoieSerie.SetInSize(TailleFilesVoie);
  VoieSerie.SetOutSize(TailleFilesVoie);
  VoieSerie.SetAutoOpen(false);
  VoieSerie.SetTraceSize(TailleTrace);
  VoieSerie.SetTraceName(NomTrace);
  VoieSerie.SetTracing(tlOn);
  VoieSerie.SetLogSize(TailleTrace);
  VoieSerie.SetLogName(NomLog);
  VoieSerie.SetLogging(tlOn);
  VoieSerie.SetOnTriggerAvail(
      [this](TCustomComPort& voie, uint16_t count) { Protocole.TriggerAvail(voie, count); });
  // A measurement waiting for the instrument would wait for ever once the
  // line is gone: it is stopped at once.
  VoieSerie.SetOnDeviceGone([this](TCustomComPort&) { ErreurLiaison(MessageLignePerdue); });
}

void TSpectreMain::VideTraceVoie() {
  if (VoieSerie.Tracing() != tlOn) return;
  try {
    VoieSerie.SetTracing(tlDump);
  } catch (const std::exception& erreur) {
    std::fprintf(stderr, "zelor: trace non écrite dans %s : %s\n", VoieSerie.TraceName().c_str(),
                 erreur.what());
  }
}

TSpectreMain::~TSpectreMain() {
  qApp->removeEventFilter(filtre);
}

QAction* TSpectreMain::CreeAction(const QString& legende, const QString& legendeBarre, int image,
                                  void (TSpectreMain::*gestionnaire)()) {
  auto* action = new QAction(IconeAction(image), legende, this);
  // The toolbar shows its own caption, whose "&" letter works with Alt
  // through the button's mnemonic. A shortcut on the action as well would
  // make Alt+letter ambiguous, and the toolkit then runs neither.
  action->setIconText(legendeBarre);
  if (gestionnaire != nullptr) connect(action, &QAction::triggered, this, gestionnaire);
  return action;
}

void TSpectreMain::CreeControles() {
  setWindowTitle(LegendeDepart);
  setGeometry(GeometrieNormale);
  QFont police = font();
  police.setBold(true);
  police.setPixelSize(TaillePoliceFenetre);
  setFont(police);

  BlancAction = CreeAction("Blanc", "&Blanc", ImageBlanc, &TSpectreMain::BlancBtnClick);
  FileExit1 = CreeAction("&Quitter", "&Quitter", ImageQuitter, nullptr);
  SpectreAction = CreeAction("Spectre", "&Spectre", ImageSpectre, &TSpectreMain::SpectreBtnClick);
  MesSaveAction =
      CreeAction("Vers Mesurial", "&Vers Mesurial", ImageMesurial, &TSpectreMain::MesSaveBtnClick);
  AboutAction = CreeAction("A propos", "&A propos", ImageAPropos, &TSpectreMain::AboutItemClick);
  CommandeAction = CreeAction("Commande", "C&ommande", ImageCommande, &TSpectreMain::CommandeBtnClick);
  ConfigComAction =
      CreeAction("Config. voie série", "&Config. voie série", ImageConfigCom, &TSpectreMain::RS232ItemClick);
  connect(FileExit1, &QAction::triggered, this, &QWidget::close);
  const Aide quitter = DecoupeAide("Quitter|Quitter l'application");
  FileExit1->setToolTip(quitter.court);
  FileExit1->setStatusTip(quitter.longue);
  SpectreAction->setEnabled(false);
  MesSaveAction->setEnabled(false);

  ActionToolBar1 = new QToolBar(this);
  ActionToolBar1->setMovable(false);
  // Not a fixed height: when the window is too narrow for every button, the
  // toolbar's extension must be free to open a second row.
  ActionToolBar1->setMinimumHeight(HauteurBarre);
  ActionToolBar1->setIconSize(QSize(TailleIcone, TailleIcone));
  ActionToolBar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  QFont policeBarre = ActionToolBar1->font();
  policeBarre.setBold(false);
  policeBarre.setPixelSize(TaillePoliceBarre);
  ActionToolBar1->setFont(policeBarre);
  for (QAction* action :
       {BlancAction, SpectreAction, MesSaveAction, FileExit1, AboutAction, ConfigComAction, CommandeAction}) {
    ActionToolBar1->addAction(action);
  }
  addToolBar(Qt::TopToolBarArea, ActionToolBar1);
  // The restored window shows every button of the toolbar.
  resize(std::max(width(), ActionToolBar1->sizeHint().width()), height());

  auto* centre = new QWidget(this);
  PaintBox = new TPaintBox(centre);
  PaintBox->OnPaint = [this](QPainter& peintre, const QRect& cadre, const QRect& zone) {
    PaintBoxPaint(peintre, cadre, zone);
  };
  GrapheEnCache = std::make_unique<TGrapheEnCache>(PaintBox->font());
  PanelStatus = new QLabel(centre);
  PanelStatus->setFixedHeight(HauteurPanelStatus);
  PanelStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  PanelStatus->setFrameStyle(QFrame::Panel | QFrame::Raised);
  PanelAbs = CreePanel(PanelStatus);
  PanelLambda = CreePanel(PanelStatus);
  auto* panneaux = new QHBoxLayout(PanelStatus);
  panneaux->setContentsMargins(0, 0, 0, 0);
  panneaux->setSpacing(0);
  panneaux->addWidget(PanelAbs);
  panneaux->addWidget(PanelLambda);
  panneaux->addStretch(1);
  auto* colonne = new QVBoxLayout(centre);
  colonne->setContentsMargins(0, 0, 0, 0);
  colonne->setSpacing(0);
  colonne->addWidget(PaintBox, 1);
  colonne->addWidget(PanelStatus);
  setCentralWidget(centre);
}

void TSpectreMain::FormCreate() {
  qApp->installEventFilter(filtre);
  LiaisonOk = true;
  Graphe = std::make_unique<Tgraphe>();
  Graphe->mondeX.nom = std::string(1, CodeLambda);
  Graphe->mondeX.unite = "nm";
  Graphe->mondeY.nom = "A";
  Graphe->mondeY.unite = "";
  Graphe->SetBornes(Spectro.MiniL, 0, Spectro.MaxiL, Spectro.MaxiA);
}

void TSpectreMain::FixeDialogues(const DialoguesPrincipale& dialogues) {
  Dialogues = dialogues;
  if (TChoixSpectroDlg* choix = Dialogues.ChoixSpectroDlg) {
    choix->PortEnService = [this] { return static_cast<int>(VoieSerie.ComNumber()); };
    choix->FixeCom = [this](int n) { Spectro.Com = static_cast<std::uint16_t>(n); };
    // Opening the new port may fail (another program holds it): the choice
    // is kept and the identification that follows reports the instrument
    // as not found.
    choix->FixeComNumber = [this](int n) { VoieSerie.SetComNumber(static_cast<std::uint16_t>(n)); };
  }
}

bool TSpectreMain::event(QEvent* evenement) {
  switch (evenement->type()) {
    case QEvent::WindowActivate:
      PremiereActivation();
      break;
    case QEvent::StatusTip:
      ShowHint(static_cast<QStatusTipEvent*>(evenement)->tip());
      return true;
    default:
      break;
  }
  return QMainWindow::event(evenement);
}

void TSpectreMain::PremiereActivation() {
  // The toolkit activates the window again whenever a message box or a
  // dialog closes over it; the link is opened once per showing only.
  if (activeDepuisAffichage) return;
  activeDepuisAffichage = true;
  FormActivate();
}

void TSpectreMain::showEvent(QShowEvent* evenement) {
  QMainWindow::showEvent(evenement);
  if (evenement->spontaneous()) return;
  activeDepuisAffichage = false;
  // Shown again while still the active window: no activation will come.
  if (isActiveWindow()) QTimer::singleShot(0, this, &TSpectreMain::PremiereActivation);
}

void TSpectreMain::FormActivate() {
  InitAppareil();
  if (!AppareilTrouve) RS232ItemClick();
  MajActions();
}

void TSpectreMain::closeEvent(QCloseEvent* evenement) {
  FormClose();
  QMainWindow::closeEvent(evenement);
}

void TSpectreMain::FormClose() {
  // A failed save is reported on standard error by the configuration itself.
  Spectro.EcritIni();
  if (VideTrace) VideTrace();
}

void TSpectreMain::ShowHint(const QString& aide) {
  PanelStatus->setText(DecoupeAide(aide).longue);
}

void TSpectreMain::FixeLegende(const std::string& texte) {
  setWindowTitle(TexteAffiche(texte));
}

void TSpectreMain::MajActions() {
  MesSaveAction->setEnabled(Graphe->modeTrace == mtCourbe);
  if (!AppareilTrouve) FixeLegende(TitreNonTrouve);
  SpectreAction->setEnabled(AppareilTrouve && BlancFait);
  BlancAction->setEnabled(AppareilTrouve);
}

bool TSpectreMain::InitAppareil() {
  // Reopening the port under a waiting exchange would cut it off.
  if (Protocole.EchangeEnCours()) return false;
  AppareilTrouve = false;
  Identification = {};
  PanelLambda->clear();
  PanelAbs->clear();
  Titre = TitreNonTrouve;
  try {
    Identification = Protocole.Identifie();
    if (Identification.trouve) {
      Titre = Identification.titre;
      Graphe->SetBornes(Spectro.MiniL, 0, Spectro.MaxiL, Spectro.MaxiA);
      if (LimitesInstrument) LimitesInstrument(Spectro.MiniL, Spectro.MaxiL);
      AppareilTrouve = true;
    }
  } catch (const EPermissionDenied& erreur) {
    // Only the user can mend this one (join the device's group): he is told
    // how, then the window goes on as for an instrument not found.
    SignaleErreurVoie(erreur);
    Message(QString::fromUtf8(erreur.what()));
  } catch (const ESerialError& erreur) {
    // The port could not be used: the instrument is not found, and the
    // window ends in that state as after an unanswered identification.
    SignaleErreurVoie(erreur);
    // Another program holds the line (zelor-scan, say): the user is told which.
    if (erreur.ErrorCode() == ecAlreadyOpen) Message(QString::fromStdString(MessagePortTenu(VoieSerie.ComNumber())));
  }
  Titre.resize(std::min(Titre.size(), LongueurTitre));
  FixeLegende(Titre);
  Graphe->modeTrace = mtRien;
  BlancFait = false;
  PaintBox->update();
  MajActions();
  return true;
}

bool TSpectreMain::SpectroPret() {
  try {
    return Protocole.SpectroPret();
  } catch (const ESerialError& erreur) {
    SignaleErreurVoie(erreur);
    LiaisonOk = false;
    return false;
  }
}

void TSpectreMain::ErreurLiaison(const std::string& erreur) {
  LiaisonOk = false;
  if (erreurSignalee_) return;
  erreurSignalee_ = true;
  // Outside the trigger event that met the error: the measurement is
  // stopped from the event loop, then the user is told once.
  QTimer::singleShot(0, this, [this, erreur] {
    QString texte = QStringLiteral("Liaison avec le spectrophotomètre interrompue");
    if (arretMesure_) {
      arretMesure_();
      texte += QStringLiteral(" : mesure arrêtée");
    }
    Message(texte + QStringLiteral(".\n") + QString::fromLocal8Bit(erreur));
    erreurSignalee_ = false;
  });
}

void TSpectreMain::ExecuteMesure(QDialog* dialogue, const std::function<void(uint16_t)>& donnee,
                                 const std::function<void()>& arret) {
  if (dialogue == nullptr) return;
  arretMesure_ = arret;
  VoieSerie.SetOnTriggerData([donnee](TCustomComPort&, uint16_t handle) {
    if (donnee) donnee(handle);
  });
  ExecuteDialogue(dialogue);
  VoieSerie.SetOnTriggerData(nullptr);
  arretMesure_ = nullptr;
}

void TSpectreMain::ExecuteDialogue(QDialog* dialogue, const std::function<void(int)>& apres) {
  if (dialogue == nullptr) return;
  const int resultat = dialogue->exec();
  if (apres) apres(resultat);
}

void TSpectreMain::RS232ItemClick() {
  ExecuteDialogue(Dialogues.ChoixSpectroDlg, [this](int resultat) {
    if (resultat == QDialog::Accepted) InitAppareil();
  });
}

void TSpectreMain::BlancBtnClick() {
  if (!SpectroPret()) {
    Message(MessageOccupe);
    return;
  }
  ExecuteMesure(Dialogues.BlancDlg, Dialogues.DonneeBlanc, Dialogues.ArretBlanc);
  SpectreAction->setEnabled(BlancFait);
}

void TSpectreMain::SpectreBtnClick() {
  if (!SpectroPret()) {
    Message(MessageOccupe);
    return;
  }
  ExecuteMesure(Dialogues.SpectreDlg, Dialogues.DonneeSpectre, Dialogues.ArretSpectre);
  PaintBox->update();
  MajActions();
  // A scan that ran out of point slots kept its spectrum: say where it stopped.
  if (Dialogues.StatutSpectre) {
    if (const QString statut = Dialogues.StatutSpectre(); !statut.isEmpty()) PanelStatus->setText(statut);
  }
}

void TSpectreMain::MesSaveBtnClick() {
  ExecuteDialogue(Dialogues.ConstanteDlg, [this](int resultat) {
    if (resultat == QDialog::Accepted && Dialogues.EnvoieDonnees) Dialogues.EnvoieDonnees();
  });
}

void TSpectreMain::CommandeBtnClick() {
  ExecuteMesure(Dialogues.CommandeDlg, Dialogues.DonneeCommande, Dialogues.ArretCommande);
}

void TSpectreMain::AboutItemClick() {
  ExecuteDialogue(Dialogues.AboutBox);
}

void TSpectreMain::PaintBoxPaint(QPainter& peintre, const QRect& cadre, const QRect& zone) {
  Graphe->cadre = RectDe(cadre);
  // A new point during a scan asks for its marker's rectangle alone.
  GrapheEnCache->Peint(*Graphe, peintre, RectDe(zone));
}

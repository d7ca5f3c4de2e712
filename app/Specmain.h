// The main window: the spectrum plot, the toolbar of the seven actions, the
// absorbance and wavelength panels with the hint line, and the handlers that
// open the measurement dialogs. It owns the graph of the current spectrum.
#pragma once

#include <QMainWindow>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/PiloteFenetre.h"
#include "instrument/Protocole.h"
#include "serial/ComPort.h"

class QAction;
class QDialog;
class QLabel;
class QToolBar;
class FiltreClavier;
class TChoixSpectroDlg;
class Tgraphe;
class TGrapheEnCache;
class Tspectro;

// The plot area: each paint hands the graph a painter over the widget, the
// widget's client rectangle and the part of it to repaint, then lets it draw.
class TPaintBox : public QWidget {
  Q_OBJECT
 public:
  explicit TPaintBox(QWidget* parent = nullptr);
  std::function<void(QPainter&, const QRect& cadre, const QRect& zone)> OnPaint;

 protected:
  void paintEvent(QPaintEvent* evenement) override;
};

// The dialogs the main window opens, created once at start-up in their own order.
struct DialoguesPrincipale {
  QDialog* AboutBox = nullptr;
  TChoixSpectroDlg* ChoixSpectroDlg = nullptr;
  QDialog* BlancDlg = nullptr;
  QDialog* SpectreDlg = nullptr;
  QDialog* CommandeDlg = nullptr;
  QDialog* ConstanteDlg = nullptr;
  std::function<void()> EnvoieDonnees;  // the export to the companion program

  // Where the port's data-trigger events go while each measurement dialog is
  // shown, and how a failing serial line stops its run (keeping what was
  // measured).
  std::function<void(uint16_t handle)> DonneeBlanc, DonneeSpectre, DonneeCommande;
  std::function<void()> ArretBlanc, ArretSpectre, ArretCommande;
  // Why the last scan ended early; empty when it did not.
  std::function<QString()> StatutSpectre;
};

class TSpectreMain : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr const char* LegendeDepart = "Tracé de spectre avec le spectrophotomètre ZELOR 1000";
  static constexpr const char* TitreNonTrouve = "Spectro non trouv\xe9";  // 8-bit, as every Titre
  static constexpr const char* MessageOccupe = "Spectro occupé : attendre puis recommencer";
  static constexpr const char* MessageLignePerdue =
      "La voie série ne répond plus (câble ou adaptateur débranché ?)";

  // Design-time settings of the port.
  static constexpr uint16_t TailleFilesVoie = 1024;
  static constexpr uint32_t TailleTrace = 32000;
  static constexpr const char* NomTrace = "zelor.TRC";
  static constexpr const char* NomLog = "zelor.LOG";

  explicit TSpectreMain(Tspectro& spectro, QWidget* parent = nullptr);
  ~TSpectreMain() override;

  void FixeDialogues(const DialoguesPrincipale& dialogues);

  // Controls, in the order of the form.
  TPaintBox* PaintBox;
  QToolBar* ActionToolBar1;
  QLabel* PanelStatus;
  QLabel* PanelAbs;
  QLabel* PanelLambda;
  QAction* BlancAction;
  QAction* FileExit1;
  QAction* SpectreAction;
  QAction* MesSaveAction;
  QAction* AboutAction;
  QAction* CommandeAction;
  QAction* ConfigComAction;

 private:
  Tspectro& Spectro;

 public:
  TComPort VoieSerie;
  // The exchanges with the instrument over VoieSerie; it holds the link
  // state LiaisonOk and the asynchronous reply Reponse.
  TProtocole Protocole{VoieSerie, Spectro};

  // Fields, in declaration order.
  bool AppareilTrouve = false;
  bool& LiaisonOk = Protocole.LiaisonOk;
  std::string Titre;  // 8-bit, at most 255 characters
  // The last identification's answers (name, number, version), kept for the
  // spectrum files.
  TProtocole::TIdentification Identification;
  std::unique_ptr<Tgraphe> Graphe;
  // The plot's axes and grid, drawn once per size and bounds.
  std::unique_ptr<TGrapheEnCache> GrapheEnCache;
  bool BlancFait = false;
  std::string& Reponse = Protocole.Reponse;  // 8-bit, at most 255 characters
  // What the measurement dialogs drive: the link, the triggers, the panels
  // and the graph of this window.
  TPiloteFenetre Pilote{*this, Protocole, VoieSerie, Spectro};

  // Handlers.
  void FormCreate();
  void FormActivate();
  void FormClose();
  void ShowHint(const QString& aide);
  void MajActions();
  void AboutItemClick();
  void RS232ItemClick();
  void BlancBtnClick();
  void SpectreBtnClick();
  void MesSaveBtnClick();
  void CommandeBtnClick();

  // Opens the instrument link and identifies the instrument; any error of
  // the serial layer leaves the instrument not found. Asked for while an
  // exchange waits for its reply, it changes nothing and returns false.
  bool InitAppareil();
  // Whether the instrument answers its status request as free.
  // A failing port counts as a busy instrument.
  bool SpectroPret();
  // A serial error met while a measurement runs: the link is reset before
  // the next command, the running measurement stops and the user is told.
  void ErreurLiaison(const std::string& erreur);
  // Runs at close, after the configuration is saved: writes the serial
  // trace when it is on. A failure is reported on standard error and never
  // stops the close.
  std::function<void()> VideTrace;
  // Called with the instrument's range after each identification, for the
  // scan dialog's bounds.
  std::function<void(int miniL, int maxiL)> LimitesInstrument;
  // Shows a modal message with one OK button; tests replace it.
  std::function<void(const QString&)> Message;

 protected:
  bool event(QEvent* evenement) override;
  void closeEvent(QCloseEvent* evenement) override;
  void showEvent(QShowEvent* evenement) override;

 private:
  QAction* CreeAction(const QString& legende, const QString& legendeBarre, int image,
                      void (TSpectreMain::*gestionnaire)());
  void CreeControles();
  void ExecuteDialogue(QDialog* dialogue, const std::function<void(int)>& apres = {});
  void ExecuteMesure(QDialog* dialogue, const std::function<void(uint16_t)>& donnee,
                     const std::function<void()>& arret);
  void PaintBoxPaint(QPainter& peintre, const QRect& cadre, const QRect& zone);
  void FixeLegende(const std::string& texte);
  void PremiereActivation();
  void PrepareVoieSerie();
  void VideTraceVoie();

  DialoguesPrincipale Dialogues;
  FiltreClavier* filtre;
  bool activeDepuisAffichage = false;
  std::function<void()> arretMesure_;
  bool erreurSignalee_ = false;
};

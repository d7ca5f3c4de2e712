#include "app/Specmain.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>
#include <memory>
#include <vector>

#include "app/TexteAffiche.h"
#include "graph/GrapheEnCache.h"
#include "graph/Graphker.h"
#include "instrument/Cfgspect.h"
#include "instrument/ChoixSpectro.h"

namespace {

constexpr int AttenteActivationMs = 10000;

// A modal dialog that, once shown, runs its action and closes itself with a
// fixed result, so the window's handlers can be driven without a user.
class DialogueAuto : public QDialog {
 public:
  explicit DialogueAuto(int resultat = QDialog::Accepted) : resultat_(resultat) {}
  std::function<void()> action;
  int ouvertures = 0;

 protected:
  void showEvent(QShowEvent* e) override {
    QDialog::showEvent(e);
    ++ouvertures;
    QTimer::singleShot(0, this, [this] {
      if (action) action();
      done(resultat_);
    });
  }

 private:
  int resultat_;
};

class SpecmainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier.isValid());
    fichierIni = dossier.filePath("zelor.INI");
    qputenv("ZELOR_INI", fichierIni.toLocal8Bit());
    // No real serial port takes part: the numbers these tests use name no
    // device, so every identification fails at once.
    qputenv("ZELOR_COMPORTS_FILE", dossier.filePath("comports").toLocal8Bit());
    qputenv("ZELOR_COMPORTS", "COM1=;COM2=;COM3=;COM4=;COM5=;COM6=;COM7=");
    fenetre = std::make_unique<TSpectreMain>(spectro);
    fenetre->Message = [this](const QString& texte) { messages.push_back(texte); };
    choix.PortPresent = [this](int n) { return n == portPresent; };
    // The choice dialog closes itself as soon as it is shown.
    choix.installEventFilter(&fermeChoix);
    fermeChoix.choix = &choix;
    DialoguesPrincipale d;
    d.AboutBox = &about;
    d.ChoixSpectroDlg = &choix;
    d.BlancDlg = &blanc;
    d.SpectreDlg = &spectre;
    d.CommandeDlg = &commande;
    d.ConstanteDlg = &constante;
    d.EnvoieDonnees = [this] { ++envois; };
    fenetre->FixeDialogues(d);
  }
  void TearDown() override {
    fenetre.reset();
    qunsetenv("ZELOR_INI");
    qunsetenv("ZELOR_COMPORTS");
    qunsetenv("ZELOR_COMPORTS_FILE");
  }

  struct FermeChoix : QObject {
    TChoixSpectroDlg* choix = nullptr;
    bool accepte = false;
    int ouvertures = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Show) {
        ++ouvertures;
        QTimer::singleShot(0, choix, [this] { accepte ? choix->OKBtnClick() : choix->reject(); });
      }
      return false;
    }
  };

  std::vector<bool> Actions() const {
    return {fenetre->BlancAction->isEnabled(),    fenetre->FileExit1->isEnabled(),
            fenetre->SpectreAction->isEnabled(),  fenetre->MesSaveAction->isEnabled(),
            fenetre->AboutAction->isEnabled(),    fenetre->CommandeAction->isEnabled(),
            fenetre->ConfigComAction->isEnabled()};
  }

  QTemporaryDir dossier;
  QString fichierIni;
  Tspectro spectro;
  std::unique_ptr<TSpectreMain> fenetre;
  std::vector<QString> messages;
  int portPresent = 3;
  TChoixSpectroDlg choix;
  FermeChoix fermeChoix;
  DialogueAuto about, blanc, spectre, commande, constante;
  int envois = 0;
};

TEST_F(SpecmainTest, ActionsAndCaptionFollowTheState) {
  const QString identification = TexteAffiche(
      "Zelor 1000N\xb0"
      "123  Version:2.1");
  struct Cas {
    const char* etat;
    std::function<void(TSpectreMain&)> amene;
    std::vector<bool> actions;  // Blanc, Quitter, Spectre, Vers Mesurial, A propos, Commande, Config
    QString legende;
  };
  auto trouve = [&](bool blancFait) {
    return [=](TSpectreMain& f) {
      f.AppareilTrouve = true;
      f.BlancFait = blancFait;
      f.setWindowTitle(identification);
      f.MajActions();
    };
  };
  const Cas cas[] = {
      {"after creation",
       [](TSpectreMain&) {},
       {true, true, false, false, true, true, true},
       TSpectreMain::LegendeDepart},
      {"not found",
       [](TSpectreMain& f) { f.InitAppareil(); },
       {false, true, false, false, true, true, true},
       "Spectro non trouvé"},
      {"found, no baseline", trouve(false), {true, true, false, false, true, true, true}, identification},
      {"found, baseline recorded", trouve(true), {true, true, true, false, true, true, true}, identification},
      {"baseline flag without instrument",
       [](TSpectreMain& f) {
         f.BlancFait = true;
         f.MajActions();
       },
       {false, true, false, false, true, true, true},
       "Spectro non trouvé"},
      {"finished spectrum",
       [&](TSpectreMain& f) {
         trouve(true)(f);
         f.Graphe->modeTrace = mtCourbe;
         f.MajActions();
       },
       {true, true, true, true, true, true, true},
       identification},
      {"points of a running scan",
       [&](TSpectreMain& f) {
         trouve(true)(f);
         f.Graphe->modeTrace = mtPoints;
         f.MajActions();
       },
       {true, true, true, false, true, true, true},
       identification},
      {"re-initialised over a finished spectrum",
       [&](TSpectreMain& f) {
         trouve(true)(f);
         f.Graphe->modeTrace = mtCourbe;
         f.InitAppareil();
       },
       {false, true, false, false, true, true, true},
       "Spectro non trouvé"},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.etat);
    fenetre = std::make_unique<TSpectreMain>(spectro);
    c.amene(*fenetre);
    EXPECT_EQ(Actions(), c.actions);
    EXPECT_EQ(fenetre->windowTitle(), c.legende);
  }
}

TEST_F(SpecmainTest, CreationNamesTheAxesAndTakesTheBoundsFromTheConfiguration) {
  spectro.MiniL = 325;
  spectro.MaxiL = 1000;
  spectro.MaxiA = 2.5;
  fenetre = std::make_unique<TSpectreMain>(spectro);
  const Tgraphe& g = *fenetre->Graphe;
  EXPECT_EQ(g.mondeX.nom.Texte(), "\x88");
  EXPECT_EQ(g.mondeX.unite.Texte(), "nm");
  EXPECT_EQ(g.mondeY.nom.Texte(), "A");
  EXPECT_TRUE(g.mondeY.unite.empty());
  EXPECT_EQ(g.mondeX.mini, 325);
  EXPECT_EQ(g.mondeX.maxi, 1000);
  EXPECT_EQ(g.mondeY.mini, 0);
  EXPECT_EQ(g.mondeY.maxi, 2.5);
  EXPECT_TRUE(fenetre->LiaisonOk);
  EXPECT_EQ(g.modeTrace, mtRien);
}

TEST_F(SpecmainTest, PaintingDrawsTheGraphOverThePlotArea) {
  fenetre->resize(800, 600);
  fenetre->show();
  const QImage image = fenetre->PaintBox->grab().toImage();
  ASSERT_FALSE(image.isNull());
  // The graph fills its frame in white and draws grey axes on it.
  EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), QColor(Qt::white));
  int gris = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) gris += image.pixelColor(x, y) == QColor(128, 128, 128);
  }
  EXPECT_GT(gris, image.height());
  EXPECT_EQ(fenetre->Graphe->cadre.Largeur(), fenetre->PaintBox->width());
  EXPECT_EQ(fenetre->Graphe->cadre.Hauteur(), fenetre->PaintBox->height());
}

// During a scan each new point repaints its marker's rectangle alone, from
// the cached background (drawn with the plot's own bold font), as does a
// small part of the plot uncovered again: what the screen then shows is what
// a full repaint of the same state shows.
TEST_F(SpecmainTest, ANewPointRepaintsItsMarkerAsAFullRepaintWould) {
  fenetre->resize(800, 600);
  fenetre->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
  Tgraphe& g = *fenetre->Graphe;
  g.modeTrace = mtPoints;
  g.SetBornes(300, 0, 800, 1.2);
  const auto ecran = [&] {
    QCoreApplication::processEvents();
    const QPoint coin = fenetre->PaintBox->mapTo(fenetre.get(), QPoint(0, 0));
    return fenetre->screen()
        ->grabWindow(fenetre->winId(), coin.x(), coin.y(), fenetre->PaintBox->width(), fenetre->PaintBox->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  };
  // Points inside the plot, on its axes, and outside it over the labels of
  // both axes, where a marker meets text.
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < 20; ++i) points.emplace_back(301 + 25 * i, 0.06 * i);
  for (double y : {0.2, 0.4, 0.6, 0.8, 1.0}) points.emplace_back(280, y);
  for (double x : {400.0, 500.0, 600.0, 700.0}) points.emplace_back(x, -0.02);
  fenetre->PaintBox->update();
  for (int slot = 0; slot < static_cast<int>(points.size()); ++slot) {
    SCOPED_TRACE(slot);
    ASSERT_TRUE(g.PlacePoint(slot, points[slot].first, points[slot].second));
    fenetre->Pilote.DessinePoint(slot);
    const QImage vu = ecran();
    ASSERT_FALSE(vu.isNull());
    const QImage complet = fenetre->PaintBox->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(vu.size(), complet.size());
    EXPECT_TRUE(vu == complet) << "the screen differs from a full repaint";
  }
  // A part uncovered again (a small dialog closed over the labels) is
  // painted from the cached background too, text included.
  fenetre->PaintBox->update(0, 0, 120, 200);
  EXPECT_TRUE(ecran() == fenetre->PaintBox->grab().toImage().convertToFormat(QImage::Format_RGB32))
      << "the screen differs from a full repaint";
  // The markers were painted from the cached background.
  EXPECT_GE(fenetre->GrapheEnCache->FondsDessines(), 1);
}

TEST_F(SpecmainTest, HintLineShowsTheLongPartOfTheHint) {
  EXPECT_EQ(fenetre->FileExit1->toolTip(), QString("Quitter"));
  QWidget* quitter = fenetre->ActionToolBar1->widgetForAction(fenetre->FileExit1);
  ASSERT_NE(quitter, nullptr);
  fenetre->FileExit1->showStatusText(quitter);
  EXPECT_EQ(fenetre->PanelStatus->text(), QString("Quitter l'application"));
  fenetre->BlancAction->showStatusText(fenetre->ActionToolBar1->widgetForAction(fenetre->BlancAction));
  EXPECT_EQ(fenetre->PanelStatus->text(), QString());
  fenetre->ShowHint("sans barre");
  EXPECT_EQ(fenetre->PanelStatus->text(), QString("sans barre"));
  EXPECT_TRUE(fenetre->PanelStatus->alignment() & Qt::AlignRight);
}

// The offscreen platform activates a window only on request.
void MontreEtActive(QWidget& w) {
  w.show();
  w.activateWindow();
}

TEST_F(SpecmainTest, ActivationOpensTheLinkOncePerShowing) {
  MontreEtActive(*fenetre);
  // Not found: the port choice opened by itself, was cancelled, and the
  // window stays in the not-found state.
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return fermeChoix.ouvertures == 1 && !choix.isVisible(); }, AttenteActivationMs));
  EXPECT_EQ(fenetre->windowTitle(), QString("Spectro non trouvé"));
  EXPECT_FALSE(fenetre->BlancAction->isEnabled());

  // A dialog closing over the window activates it again: no new opening.
  fenetre->AboutAction->trigger();
  EXPECT_EQ(about.ouvertures, 1);
  fenetre->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get(), AttenteActivationMs));
  QCoreApplication::processEvents();
  EXPECT_EQ(fermeChoix.ouvertures, 1);

  // Shown anew, it opens the link again at its first activation only. The
  // offscreen platform does not activate a window shown again, so the
  // activations are delivered as the platform would.
  fenetre->hide();
  fenetre->show();
  for (int i = 0; i < 2; ++i) {
    QEvent activation(QEvent::WindowActivate);
    QCoreApplication::sendEvent(fenetre.get(), &activation);
  }
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return fermeChoix.ouvertures >= 2 && !choix.isVisible(); }, AttenteActivationMs));
  QCoreApplication::processEvents();
  EXPECT_EQ(fermeChoix.ouvertures, 2);
}

TEST_F(SpecmainTest, AltLetterOfAToolbarCaptionRunsItsAction) {
  MontreEtActive(*fenetre);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return fermeChoix.ouvertures == 1 && !choix.isVisible(); }, AttenteActivationMs));
  // The offscreen platform gives the focus back only on request.
  auto reactive = [&] {
    fenetre->activateWindow();
    return QTest::qWaitForWindowActive(fenetre.get(), AttenteActivationMs);
  };
  ASSERT_TRUE(reactive());
  struct Cas {
    Qt::Key lettre;
    std::function<int()> ouvertures;
  };
  const Cas cas[] = {
      {Qt::Key_A, [&] { return about.ouvertures; }},
      {Qt::Key_O, [&] { return commande.ouvertures; }},
      {Qt::Key_C, [&] { return fermeChoix.ouvertures - 1; }},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(QKeySequence(c.lettre).toString().toStdString());
    QTest::keyClick(fenetre.get(), c.lettre, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.ouvertures() == 1; }, AttenteActivationMs));
    ASSERT_TRUE(reactive());
  }
}

TEST_F(SpecmainTest, RestoredWindowShowsEveryToolbarButton) {
  fenetre->showNormal();
  for (QAction* action : fenetre->ActionToolBar1->actions()) {
    SCOPED_TRACE(action->text().toStdString());
    const QWidget* bouton = fenetre->ActionToolBar1->widgetForAction(action);
    ASSERT_NE(bouton, nullptr);
    EXPECT_TRUE(bouton->isVisible());
    EXPECT_LE(bouton->geometry().right(), fenetre->ActionToolBar1->width());
  }
}

TEST_F(SpecmainTest, ConfirmedPortChoiceIsStoredAndReinitialises) {
  spectro.Com = 1;
  fermeChoix.accepte = true;
  fenetre->PanelAbs->setText("0.123");
  fenetre->ConfigComAction->trigger();
  EXPECT_EQ(spectro.Com, 3);
  EXPECT_TRUE(fenetre->PanelAbs->text().isEmpty());

  fermeChoix.accepte = false;
  portPresent = 5;
  fenetre->PanelAbs->setText("0.5");
  fenetre->ConfigComAction->trigger();
  EXPECT_EQ(spectro.Com, 3);
  EXPECT_EQ(fenetre->PanelAbs->text(), QString("0.5"));
}

TEST_F(SpecmainTest, BusyInstrumentOpensNoMeasurementDialog) {
  fenetre->BlancBtnClick();
  fenetre->SpectreBtnClick();
  EXPECT_EQ(messages, std::vector<QString>(2, "Spectro occupé : attendre puis recommencer"));
  EXPECT_EQ(blanc.ouvertures + spectre.ouvertures, 0);
}

TEST_F(SpecmainTest, ExportRunsOnlyWhenThePageDialogIsConfirmed) {
  fenetre->MesSaveBtnClick();
  EXPECT_EQ(envois, 1);
  DialogueAuto annule(QDialog::Rejected);
  DialoguesPrincipale d;
  d.ConstanteDlg = &annule;
  d.EnvoieDonnees = [this] { ++envois; };
  fenetre->FixeDialogues(d);
  fenetre->MesSaveBtnClick();
  EXPECT_EQ(envois, 1);
  EXPECT_EQ(annule.ouvertures, 1);
}

TEST_F(SpecmainTest, QuitterSavesTheConfigurationAndDumpsTheTrace) {
  int vidages = 0;
  fenetre->VideTrace = [&] { ++vidages; };
  spectro.Com = 7;
  fenetre->show();
  fenetre->FileExit1->trigger();
  EXPECT_EQ(vidages, 1);
  QFile ini(fichierIni);
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_TRUE(ini.readAll().contains("Com=7"));
}

TEST_F(SpecmainTest, TheKeyboardFilterWorksInEveryWindowOfTheProgram) {
  QLineEdit ailleurs;
  ailleurs.show();
  QTest::keyClick(&ailleurs, Qt::Key_L, Qt::ControlModifier);
  EXPECT_EQ(ailleurs.text(), QString("λ"));
}

}  // namespace

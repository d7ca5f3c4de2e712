// The export seen from the program: what the main window's graph, the
// configuration and the scan dialog's texts make of it, and the command
// server of the window set answering through the DDE layer.
#include "app/LienExport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "app/Fenetres.h"
#include "app/Labutil.h"
#include "graph/Graphe.h"
#include "instrument/Cfgspect.h"
#include "platform/Dde.h"
#include "platform/tests/WaitFor.h"

namespace {

QByteArray Lignes(std::initializer_list<QByteArray> lignes) {
  QByteArray t;
  for (const QByteArray& l : lignes) t += l + "\r\n";
  return t;
}

TEST(SpectreExportDe, TexteFaitDuGrapheDeLaConfigurationEtDuDialogue) {
  Tgraphe g;
  g.mondeX.nom = "\x88";
  g.mondeY.nom = "A";
  g.premier = 500;
  g.dernier = 502;
  g.spectre[499] = 9;  // outside the range: never written
  g.spectre[500] = 0.12345;
  g.spectre[501] = 1.5;
  g.spectre[502] = 0.0000123;
  g.valeurParam = 0.01;
  Tspectro spectro;
  spectro.Precision = 3;
  const char separateur = SeparateurUtilisateur();
  FixeSeparateurUtilisateur(',');

  // Greek letters typed with Ctrl go out as the font's codes.
  const SpectreExport s =
      SpectreExportDe(g, spectro, {QString::fromUtf16(u"Essai λ"), QString::fromUtf16(u"c"), "mol/L"});
  FixeSeparateurUtilisateur(separateur);
  EXPECT_EQ(s.cheminExecutable, QCoreApplication::applicationFilePath().toLatin1());
  EXPECT_FALSE(s.dateHeure.isEmpty());
  EXPECT_EQ(TexteExport(s), Lignes({s.cheminExecutable, "Spectre Zelor " + s.dateHeure, "Essai \x88",
                                    "\x88\tA", "nm\t", "500\t0,123", "501\t1,5", "502\t1,23E-05", "", "c",
                                    "mol/L", "0,01", "&1 NOMX", "\x88", "&1 NOMY", "A", "&1 ZEROX", "1"}));
}

TEST(SpectreExportDe, CommentaireDuGrapheSinonDuDialogue) {
  struct Cas {
    const char* graphe;
    QString dialogue;
    QByteArray attendu;
  };
  const Cas cas[] = {
      {"", "Essai", "Essai"},
      {"Titre", "Essai", "Titre"},
      {"", "", ""},
      {"", QString(300, QLatin1Char('a')), QByteArray(255, 'a')},
  };
  Tspectro spectro;
  for (const Cas& c : cas) {
    Tgraphe g;
    g.commentaire = c.graphe;
    EXPECT_EQ(SpectreExportDe(g, spectro, {c.dialogue, "", ""}).commentaire, c.attendu) << c.graphe;
  }
}

TEST(DonneFocusFenetre, CachéeOuInactiveRefuseSinonAmeneDevant) {
  QWidget principale, autre;
  EXPECT_FALSE(DonneFocusFenetre(&principale));  // hidden
  EXPECT_FALSE(DonneFocusFenetre(nullptr));

  principale.show();
  autre.show();
  autre.activateWindow();
  ASSERT_TRUE(AttendsQue([&] { return QApplication::activeWindow() == &autre; }));
  EXPECT_TRUE(DonneFocusFenetre(&principale));
  EXPECT_TRUE(AttendsQue([&] { return QApplication::activeWindow() == &principale; }));
  EXPECT_TRUE(DonneFocusFenetre(&principale));  // already active

  principale.showMinimized();
  ASSERT_TRUE(principale.isMinimized());
  EXPECT_TRUE(DonneFocusFenetre(&principale));
  EXPECT_FALSE(principale.isMinimized());

  autre.activateWindow();
  ASSERT_TRUE(AttendsQue([&] { return QApplication::activeWindow() == &autre; }));
  principale.setEnabled(false);
  EXPECT_FALSE(DonneFocusFenetre(&principale));
  principale.setEnabled(true);

  // A modal dialog of ours keeps the focus: no error, nothing moves.
  QDialog modal;
  modal.setWindowModality(Qt::ApplicationModal);
  modal.show();
  ASSERT_TRUE(AttendsQue([&] { return QApplication::activeWindow() == &modal; }));
  EXPECT_TRUE(DonneFocusFenetre(&principale));
  QCoreApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), &modal);
}

// The window set as the program builds it, with the port choice closed as
// soon as the first activation opens it.
class FenetresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier.isValid());
    qputenv("ZELOR_INI", dossier.filePath("zelor.INI").toLocal8Bit());
    qputenv("ZELOR_REGISTRY_FILE", dossier.filePath("registre.ini").toLocal8Bit());
    // A port that maps to no device: the first activation finds no instrument.
    com = Spectro().Com;
    Spectro().Com = 200;
    qputenv("ZELOR_COMPORTS_FILE", dossier.filePath("comports").toLocal8Bit());
    fenetres = std::make_unique<Fenetres>(
        [this](TFormDDE::GenreMessage, const QString& texte) { messages << texte; });
    fenetres->ChoixSpectroDlg->installEventFilter(&fermeChoix);
  }
  void TearDown() override {
    fenetres.reset();
    qunsetenv("ZELOR_INI");
    qunsetenv("ZELOR_REGISTRY_FILE");
    qunsetenv("ZELOR_COMPORTS_FILE");
    Spectro().Com = com;
  }

  struct FermeChoix : QObject {
    int fermetures = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Show) {
        QTimer::singleShot(0, o, [this, o] {
          static_cast<QDialog*>(o)->reject();
          ++fermetures;
        });
      }
      return false;
    }
  };

  QTemporaryDir dossier;
  std::uint16_t com = 0;
  FermeChoix fermeChoix;
  QStringList messages;
  std::unique_ptr<Fenetres> fenetres;
};

TEST_F(FenetresTest, LesVraisDialoguesDExportSontEnPlace) {
  EXPECT_EQ(fenetres->ConstanteDlg->windowTitle(), "Renseignements sur la page courante");
  EXPECT_EQ(fenetres->ConstanteDlg->ItemIndex(), TConstanteDlg::kNouveauFichier);
  EXPECT_FALSE(fenetres->SpectreMain->MesSaveAction->isEnabled());
  fenetres->SpectreMain->Graphe->modeTrace = mtCourbe;
  fenetres->SpectreMain->MajActions();
  EXPECT_TRUE(fenetres->SpectreMain->MesSaveAction->isEnabled());
}

TEST_F(FenetresTest, CommandesRecuesParLeServeurDuProgramme) {
  // A name of our own: the suite's bus is shared by every test program.
  const QString service = QStringLiteral("zelor-essai-%1").arg(QCoreApplication::applicationPid());
  ASSERT_TRUE(fenetres->FormDDE->DemarreServeur(service)) << messages.join("|").toStdString();
  TSpectreMain* principale = fenetres->SpectreMain.get();
  principale->show();
  // Its first activation looks for the instrument and opens the port choice.
  ASSERT_TRUE(AttendsQue([&] { return fermeChoix.fermetures == 1; }));
  QWidget autre;
  autre.show();
  autre.activateWindow();
  ASSERT_TRUE(AttendsQue([&] { return QApplication::activeWindow() == &autre; }))
      << (QApplication::activeWindow() ? QApplication::activeWindow()->windowTitle().toStdString() : "-")
      << " "
      << (QApplication::activeModalWidget() ? QApplication::activeModalWidget()->windowTitle().toStdString()
                                            : "-");

  const int precision = Spectro().Precision;
  DdeClient client;
  ASSERT_TRUE(client.Connecte(service, "ServeurDDE")) << client.Erreur().toStdString();
  for (const QByteArray commande : {"CONFIG|SAVE", "CONFIG|LOAD(zelor.INI)"}) {
    EXPECT_EQ(client.Execute(commande + '\0', kDelaiAttenteTestMs), std::optional<bool>(true))
        << commande.data();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &autre) << commande.data();
  }
  for (const QByteArray commande : {"GETDATA", "focus\r\n", "Focus(ignored)"}) {
    autre.activateWindow();
    ASSERT_TRUE(AttendsQue([&] { return QApplication::activeWindow() == &autre; }));
    EXPECT_EQ(client.Execute(commande, kDelaiAttenteTestMs), std::optional<bool>(true)) << commande.data();
    EXPECT_TRUE(AttendsQue([&] { return QApplication::activeWindow() == principale; })) << commande.data();
  }
  EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
  // The configuration commands touch neither the settings nor the file.
  EXPECT_EQ(Spectro().Precision, precision);
  EXPECT_FALSE(QFile::exists(dossier.filePath("zelor.INI")));

  // Hidden, the main window cannot take the focus: the server says so.
  principale->hide();
  autre.activateWindow();
  ASSERT_TRUE(AttendsQue([&] { return QApplication::activeWindow() == &autre; }));
  EXPECT_EQ(client.Execute("FOCUS", kDelaiAttenteTestMs), std::optional<bool>(true));
  EXPECT_EQ(messages, QStringList{QString::fromUtf8("Syntaxe Macro DDE : Fonction(Paramètre)")});
}

}  // namespace

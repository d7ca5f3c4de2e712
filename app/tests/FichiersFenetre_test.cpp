// The main window's files, pictures and printing: the new actions beside
// the seven, refused files leaving the graph as it was, pictures and the
// printed page checked with poppler's tools, the last folder kept in the
// configuration, and the .txt file equal to the text "Vers Mesurial" sends.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include "app/Fenetres.h"
#include "export/FichiersSpectre.h"
#include "export/Jcamp.h"
#include "export/FormatExport.h"
#include "graph/Graphker.h"
#include "instrument/Cfgspect.h"

namespace {

// Longest a poppler tool may take on a loaded machine.
constexpr int kDelaiOutilMs = 60000;
// Longest the offscreen platform may take to activate a window.
constexpr int kDelaiActivationMs = 10000;

// Closes a dialog with the cancel result as soon as it is shown.
class AnnuleAffichage : public QObject {
 public:
  int ouvertures = 0;
  bool eventFilter(QObject* objet, QEvent* evenement) override {
    if (evenement->type() == QEvent::Show) {
      ++ouvertures;
      QTimer::singleShot(0, static_cast<QDialog*>(objet), &QDialog::reject);
    }
    return false;
  }
};

struct Sortie {
  bool ok = false;
  QByteArray texte;
};

Sortie Lance(const QString& programme, const QStringList& arguments) {
  QProcess p;
  p.start(programme, arguments);
  if (!p.waitForFinished(kDelaiOutilMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    ADD_FAILURE() << programme.toStdString() << " : " << p.readAllStandardError().toStdString();
    return {};
  }
  return {true, p.readAllStandardOutput()};
}

// Pixels of the curve's pure blue (anti-aliasing and rendering keep them
// well apart from the grey grid and the black text).
int PixelsBleus(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      n += c.blue() > 200 && c.red() < 90 && c.green() < 90;
    }
  }
  return n;
}

// A PDF's page count and its first page rendered at 72 dpi.
struct PdfLu {
  int pages = 0;
  QImage page;
};

PdfLu LitPdf(const QString& pdf, const QString& dossier) {
  PdfLu lu;
  const Sortie info = Lance("pdfinfo", {pdf});
  const QRegularExpressionMatch m = QRegularExpression("Pages:\\s+(\\d+)").match(QString::fromUtf8(info.texte));
  if (m.hasMatch()) lu.pages = m.captured(1).toInt();
  const QString racine = dossier + "/rendu";
  if (Lance("pdftoppm", {"-png", "-r", "72", "-f", "1", "-singlefile", pdf, racine}).ok) {
    lu.page.load(racine + ".png");
  }
  return lu;
}

class FichiersFenetre : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dossier.isValid());
    qputenv("ZELOR_INI", dossier.filePath("zelor.INI").toLocal8Bit());
    // No serial device behind any port: the identification fails at once.
    qputenv("ZELOR_COMPORTS_FILE", dossier.filePath("comports").toLocal8Bit());
    qputenv("ZELOR_COMPORTS", "COM1=");
    Spectro() = Tspectro();
    fenetres = std::make_unique<Fenetres>([this](TFormDDE::GenreMessage, const QString& t) { messages.push_back(t); });
    Principale().Message = [this](const QString& t) { messages.push_back(t); };
    Principale().VoieSerie.SetTracing(tlOff);
    Principale().VoieSerie.SetLogging(tlOff);
    Fichiers().ChoisitFichier = [this](TFichiersFenetre::Choix, const QString& d) {
      dossierPropose = d;
      return cheminChoisi;
    };
  }
  void TearDown() override {
    fenetres.reset();
    qunsetenv("ZELOR_INI");
    qunsetenv("ZELOR_COMPORTS");
    qunsetenv("ZELOR_COMPORTS_FILE");
  }

  TSpectreMain& Principale() { return *fenetres->SpectreMain; }
  TFichiersFenetre& Fichiers() { return *fenetres->Fichiers; }
  const Tgraphe& Graphe() { return *Principale().Graphe; }

  // A band at 520 nm from 350 to 750 nm with its texts, opened as a user would.
  void OuvreSpectreExemple() {
    TFichierSpectre s;
    s.premier = 350;
    s.dernier = 750;
    for (int w = s.premier; w <= s.dernier; ++w) s.spectre[w] = 1.5 * std::exp(-std::pow((w - 520) / 50.0, 2)) + 0.05;
    s.commentaire = QString::fromUtf8("Bande à 520 nm");
    s.nomParam = "c";
    s.uniteParam = "mol/L";
    s.valeurParam = 0.02;
    const QString chemin = dossier.filePath("exemple.csv");
    QString erreur;
    ASSERT_TRUE(EnregistreSpectre(chemin, s, FormatSpectre::Csv, {}, erreur));
    ASSERT_TRUE(Fichiers().OuvreFichier(chemin));
    ASSERT_TRUE(messages.empty());
  }

  QString Ecrit(const char* nom, const QByteArray& contenu) {
    const QString chemin = dossier.filePath(nom);
    QFile f(chemin);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contenu);
    return chemin;
  }

  QTemporaryDir dossier;
  std::unique_ptr<Fenetres> fenetres;
  std::vector<QString> messages;
  QString cheminChoisi;
  QString dossierPropose;
};

TEST_F(FichiersFenetre, ActionsApresLesSeptAvecLaRegleDeVersMesurial) {
  const QList<QAction*> actions = Principale().ActionToolBar1->actions();
  QStringList legendes;
  for (QAction* a : actions) legendes << a->iconText();
  EXPECT_EQ(legendes, QStringList({"&Blanc", "&Spectre", "&Vers Mesurial", "&Quitter", "&A propos",
                                   "&Config. voie série", "C&ommande", "&Enregistrer…", "O&uvrir…", "&Image…",
                                   "Im&primer…"}));
  std::set<QChar> lettres;
  for (const QString& l : legendes) {
    EXPECT_TRUE(lettres.insert(l.at(l.indexOf('&') + 1).toLower()).second) << l.toStdString();
  }
  EXPECT_EQ(Fichiers().EnregistrerAction->shortcut(), QKeySequence("Ctrl+S"));
  EXPECT_EQ(Fichiers().OuvrirAction->shortcut(), QKeySequence("Ctrl+O"));
  EXPECT_EQ(Fichiers().ImprimerAction->shortcut(), QKeySequence("Ctrl+P"));

  const std::vector<QAction*> suiveuses = {Fichiers().EnregistrerAction, Fichiers().ImageAction,
                                           Fichiers().ImprimerAction};
  for (const ModeTrace mode : {mtRien, mtPoints, mtCourbe, mtRien}) {
    Principale().Graphe->modeTrace = mode;
    Principale().MajActions();
    for (QAction* a : suiveuses) EXPECT_EQ(a->isEnabled(), Principale().MesSaveAction->isEnabled()) << mode;
    EXPECT_TRUE(Fichiers().OuvrirAction->isEnabled());
  }
}

TEST_F(FichiersFenetre, FichierRefuseLaisseLeGrapheEtLesTextes) {
  OuvreSpectreExemple();
  const Tgraphe avant = Graphe();
  const QString commentaire = fenetres->SpectreDlg->EditTitre->text();
  TFichierSpectre bon;
  bon.premier = 400;
  bon.dernier = 500;
  const QByteArray jcamp = EcritJcamp(bon);
  QByteArray gros(kTailleMaxFichierSpectre + 1, ' ');
  gros.replace(0, 12, "nm,A\n400,0.1");
  struct Cas {
    const char* nom;
    QByteArray contenu;
    const char* raison;
  };
  const Cas cas[] = {
      {"tronque.jdx", jcamp.left(jcamp.size() / 2), "tronqué"},
      {"unite.jdx", "##TITLE=t\n##JCAMP-DX=5.01\n##XUNITS=HZ\n##YUNITS=ABSORBANCE\n##END=\n", "ligne 3 (##XUNITS)"},
      {"lettres.csv", "nm,A\n400,0.1\n401,un\n", "ligne 3"},
      {"gros.csv", gros, "trop gros"},
      {"vide.txt", "", "vide"},
      {"image.jdx", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "binaire"},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    messages.clear();
    EXPECT_FALSE(Fichiers().OuvreFichier(Ecrit(c.nom, c.contenu)));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QString::fromUtf8("Impossible d'ouvrir « ") + c.nom)) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QString::fromUtf8(c.raison))) << messages[0].toStdString();
    EXPECT_EQ(Graphe().modeTrace, mtCourbe);
    EXPECT_EQ(Graphe().premier, avant.premier);
    EXPECT_EQ(Graphe().dernier, avant.dernier);
    EXPECT_EQ(Graphe().spectre, avant.spectre);
    EXPECT_EQ(Graphe().valeurParam, avant.valeurParam);
    EXPECT_EQ(Graphe().mondeX.maxi, avant.mondeX.maxi);
    EXPECT_EQ(fenetres->SpectreDlg->EditTitre->text(), commentaire);
  }
  messages.clear();
  EXPECT_FALSE(Fichiers().OuvreFichier(dossier.filePath("absent.jdx")));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(Graphe().spectre, avant.spectre);
}

TEST_F(FichiersFenetre, DonneesHorsDesTablesCoupeesEtDites) {
  ASSERT_TRUE(Fichiers().OuvreFichier(Ecrit("loin.csv", "nm,A\n900,0.5\n1200,0.8\n")));
  EXPECT_EQ(Graphe().premier, 900);
  EXPECT_EQ(Graphe().dernier, LambdaMaxTable);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].contains(QString::fromUtf8("coupées"))) << messages[0].toStdString();
  // The axis reaches the spectrum's end even without an instrument.
  EXPECT_GE(Graphe().mondeX.maxi, LambdaMaxTable);
}

TEST_F(FichiersFenetre, ImagesEtPageImprimee) {
  OuvreSpectreExemple();
  // SVG: vector text with the curve's blue.
  cheminChoisi = dossier.filePath("trace.svg");
  QSize proposee;
  Fichiers().ChoisitTaille = [&proposee](QSize initiale) {
    proposee = initiale;
    return std::optional<QSize>(QSize(800, 500));
  };
  Fichiers().Image();
  EXPECT_EQ(proposee, Principale().PaintBox->size());
  QFile svg(cheminChoisi);
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  const QByteArray texteSvg = svg.readAll();
  EXPECT_TRUE(texteSvg.contains("<svg")) << texteSvg.left(200).toStdString();
  EXPECT_TRUE(texteSvg.contains("#0000ff"));

  // PNG at the chosen size.
  ASSERT_TRUE(Fichiers().EcritImageSous(dossier.filePath("trace.png"), QSize(640, 400)));
  const QImage png(dossier.filePath("trace.png"));
  EXPECT_EQ(png.size(), QSize(640, 400));
  EXPECT_GT(PixelsBleus(png), 300);

  // PDF: one page of the chosen size, the curve drawn on it.
  ASSERT_TRUE(Fichiers().EcritImageSous(dossier.filePath("trace.pdf"), QSize(800, 500)));
  const PdfLu pdf = LitPdf(dossier.filePath("trace.pdf"), dossier.path());
  EXPECT_EQ(pdf.pages, 1);
  EXPECT_EQ(pdf.page.size(), QSize(800, 500));
  EXPECT_GT(PixelsBleus(pdf.page), 300);

  // A size out of range is refused with a message, nothing written.
  messages.clear();
  EXPECT_FALSE(Fichiers().EcritImageSous(dossier.filePath("minuscule.png"), QSize(10, 10)));
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_FALSE(QFile::exists(dossier.filePath("minuscule.png")));

  // The printed page: caption and comment above the plot, one page.
  const QString imprime = dossier.filePath("page.pdf");
  Fichiers().ChoisitImprimante = [&imprime](QPrinter& imprimante) {
    imprimante.setOutputFormat(QPrinter::PdfFormat);
    imprimante.setOutputFileName(imprime);
    return true;
  };
  Principale().setWindowTitle(QString::fromUtf8("ZELOR 1000 N°12345  Version:2.10"));
  Fichiers().Imprimer();
  const PdfLu page = LitPdf(imprime, dossier.path());
  EXPECT_EQ(page.pages, 1);
  EXPECT_GT(PixelsBleus(page.page), 300);
  const QString texte = QString::fromUtf8(Lance("pdftotext", {imprime, "-"}).texte);
  EXPECT_TRUE(texte.contains(QString::fromUtf8("ZELOR 1000 N°12345"))) << texte.toStdString();
  EXPECT_TRUE(texte.contains(QString::fromUtf8("Bande à 520 nm"))) << texte.toStdString();
}

TEST_F(FichiersFenetre, DossierRetenuDansSaSectionDeLaConfiguration) {
  OuvreSpectreExemple();
  QDir(dossier.path()).mkdir("mesures");
  cheminChoisi = dossier.filePath("mesures/s.jdx");
  Fichiers().Enregistrer();
  ASSERT_TRUE(QFile::exists(cheminChoisi));
  EXPECT_EQ(QString::fromStdString(Spectro().DossierFichiers), dossier.filePath("mesures"));
  ASSERT_TRUE(Spectro().EcritIni());
  QFile ini(dossier.filePath("zelor.INI"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QByteArray texte = ini.readAll();
  EXPECT_TRUE(texte.contains("[Fichiers]\r\nDossier=" + dossier.filePath("mesures").toUtf8())) << texte.toStdString();
  Spectro() = Tspectro();
  Spectro().LitIni();
  EXPECT_EQ(QString::fromStdString(Spectro().DossierFichiers), dossier.filePath("mesures"));
  // The next dialog opens there; a cancelled one changes nothing.
  cheminChoisi.clear();
  messages.clear();
  Fichiers().Ouvrir();
  EXPECT_EQ(dossierPropose, dossier.filePath("mesures"));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Graphe().modeTrace, mtCourbe);
}

TEST_F(FichiersFenetre, TexteEnregistreEstCeluiDeVersMesurial) {
  OuvreSpectreExemple();
  const QString chemin = dossier.filePath("pour-mesurial.txt");
  ASSERT_TRUE(Fichiers().EnregistreSous(chemin));
  QFile f(chemin);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QList<QByteArray> fichier = f.readAll().split('\n');
  const TTextesBalayage textes = fenetres->Export->TextesBalayage();
  QList<QByteArray> envoye = TexteExport(SpectreExportDe(Graphe(), Spectro(), textes)).split('\n');
  ASSERT_GT(fichier.size(), 2);
  ASSERT_EQ(fichier.size(), envoye.size());
  // Line 2 holds the moment of each: the same up to the second.
  fichier.removeAt(1);
  envoye.removeAt(1);
  EXPECT_EQ(fichier, envoye);
  EXPECT_TRUE(fichier.contains("c\r"));
}

TEST_F(FichiersFenetre, ToucheEtLettreAltDeChaqueAction) {
  // No instrument: the port choice that opens at the first activation is
  // cancelled at once.
  AnnuleAffichage annule;
  fenetres->ChoixSpectroDlg->installEventFilter(&annule);
  OuvreSpectreExemple();
  Principale().showNormal();
  Principale().activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return annule.ouvertures == 1 && !fenetres->ChoixSpectroDlg->isVisible(); },
                              kDelaiActivationMs));
  // The restored window shows every button, the new ones too.
  for (QAction* action : Principale().ActionToolBar1->actions()) {
    const QWidget* bouton = Principale().ActionToolBar1->widgetForAction(action);
    ASSERT_NE(bouton, nullptr);
    EXPECT_TRUE(bouton->isVisible()) << action->iconText().toStdString();
  }
  // A spectrum is shown (the identification emptied the graph): open it again.
  ASSERT_TRUE(Fichiers().OuvreFichier(dossier.filePath("exemple.csv")));

  std::vector<TFichiersFenetre::Choix> choix;
  Fichiers().ChoisitFichier = [&choix](TFichiersFenetre::Choix c, const QString&) {
    choix.push_back(c);
    return QString();
  };
  int impressions = 0;
  Fichiers().ChoisitImprimante = [&impressions](QPrinter&) {
    ++impressions;
    return false;
  };
  using C = TFichiersFenetre::Choix;
  struct Cas {
    Qt::Key touche;
    Qt::KeyboardModifier modificateur;
    std::optional<C> fichier;  // nullopt: the print dialog
  };
  const Cas cas[] = {
      {Qt::Key_S, Qt::ControlModifier, C::Enregistrer}, {Qt::Key_E, Qt::AltModifier, C::Enregistrer},
      {Qt::Key_O, Qt::ControlModifier, C::Ouvrir},      {Qt::Key_U, Qt::AltModifier, C::Ouvrir},
      {Qt::Key_I, Qt::AltModifier, C::Image},           {Qt::Key_P, Qt::ControlModifier, std::nullopt},
      {Qt::Key_P, Qt::AltModifier, std::nullopt},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(QKeySequence(c.modificateur | c.touche).toString().toStdString());
    Principale().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Principale(), kDelaiActivationMs));
    choix.clear();
    impressions = 0;
    QTest::keyClick(&Principale(), c.touche, c.modificateur);
    if (c.fichier) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return !choix.empty(); }, kDelaiActivationMs));
      EXPECT_EQ(choix, std::vector<C>{*c.fichier});
    } else {
      ASSERT_TRUE(QTest::qWaitFor([&] { return impressions > 0; }, kDelaiActivationMs));
      EXPECT_EQ(impressions, 1);
    }
  }
  Principale().hide();
}

}  // namespace

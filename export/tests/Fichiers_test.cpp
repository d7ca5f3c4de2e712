// Spectrum files: the hand-written JCAMP-DX fixtures in every form of the
// standard, the round trip of each format, the files refused with their
// reason, and writes that never leave a half-written file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "export/CsvSpectre.h"
#include "export/FichiersSpectre.h"
#include "export/Jcamp.h"
#include "export/TexteSpectre.h"

namespace {

QByteArray Fixture(const char* nom) {
  QFile f(QStringLiteral(ZELOR_JCAMP_FIXTURES "/") + QLatin1String(nom));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << nom;
  return f.readAll();
}

// The worked example of the standard: 400..410 nm, absorbance x 0.0001.
const std::vector<double> kExemple = {0.1234, 0.1235, 0.1236, 0.1236, 0.1238, 0.1239,
                                      0.1240, 0.1241, 0.1243, 0.1243, 0.1243};

std::vector<std::pair<int, double>> Exemple() {
  std::vector<std::pair<int, double>> v;
  for (std::size_t i = 0; i < kExemple.size(); ++i) v.emplace_back(400 + int(i), kExemple[i]);
  return v;
}

TEST(LectureJcamp, FixturesDeChaqueForme) {
  struct Cas {
    const char* fichier;
    int premier, dernier;
    std::vector<std::pair<int, double>> valeurs;  // ValeurIndefinie: missing
    const char* remarque;                          // expected in the notes, or nullptr
  };
  const Cas cas[] = {
      {"difdup.jdx", 400, 410, Exemple(), nullptr},
      {"affn.jdx", 400, 410, Exemple(), nullptr},
      {"pac.jdx", 400, 410, Exemple(), nullptr},
      {"sqz.jdx", 400, 410, Exemple(), nullptr},
      {"dif.jdx", 400, 410, Exemple(), nullptr},
      {"negatifs.jdx", 500, 502, {{500, 0}, {501, -0.01}, {502, -0.02}}, nullptr},
      {"xypoints.jdx", 400, 403, {{400, 0.1234}, {401, 0.1235}, {402, 0.1235 + 0.0765 / 1.5}, {403, ValeurIndefinie}},
       nullptr},
      {"micrometres-transmittance.jdx", 500, 502, {{500, 0}, {501, 1}, {502, 2}}, "µm"},
      {"transmittance-pourcent.jdx", 500, 502, {{500, 0}, {501, 1}, {502, 2}}, "%"},
      {"nombres-onde.jdx", 400, 500, {{400, 1}, {450, 0.75}, {500, 0.5}}, "1/cm"},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.fichier);
    const TLectureSpectre l = LitSpectre(Fixture(c.fichier), FormatSpectre::Jcamp);
    ASSERT_TRUE(l.spectre) << l.erreur.toStdString();
    EXPECT_EQ(l.spectre->premier, c.premier);
    EXPECT_EQ(l.spectre->dernier, c.dernier);
    for (const auto& [w, a] : c.valeurs) {
      if (a == ValeurIndefinie) {
        EXPECT_EQ(l.spectre->spectre[w], ValeurIndefinie) << w;
      } else {
        EXPECT_NEAR(l.spectre->spectre[w], a, 1e-9) << w;
      }
    }
    if (c.remarque != nullptr) {
      EXPECT_TRUE(l.remarques.join(' ').contains(QString::fromUtf8(c.remarque)));
    }
  }
}

// A spectrum as a scan leaves it, with every fact a file carries.
TFichierSpectre SpectreComplet() {
  TFichierSpectre s;
  s.premier = 350;
  s.dernier = 752;
  for (int w = s.premier; w <= s.dernier; ++w) s.spectre[w] = 1.2 * std::exp(-std::pow((w - 520) / 60.0, 2)) + 0.0123;
  s.spectre[400] = 0;
  s.spectre[401] = 2.9994;
  s.commentaire = QStringLiteral("Échantillon n°3, λ max à 520 nm ; « test »");
  s.nomParam = QStringLiteral("c");
  s.uniteParam = QStringLiteral("mol/L");
  s.valeurParam = 0.0125;
  s.appareil = {QStringLiteral("ZELOR 1000"), QStringLiteral("12345"), QStringLiteral("2.10")};
  s.balayage = {350, 752};
  s.blanc = {340, 760};
  s.date = QDateTime(QDate(2026, 12, 11), QTime(15, 4, 5));
  s.proprietaire = QStringLiteral("labo");
  return s;
}

TEST(FichiersSpectre, AllerRetourDeChaqueFormat) {
  const TFichierSpectre s = SpectreComplet();
  const TContexteExport contexte{"/opt/zelor/zelor", "11/12/2026 15:04:05", ','};
  struct Cas {
    FormatSpectre format;
    bool faitsComplets;  // the export text carries no ranges nor instrument
  };
  for (const Cas c : {Cas{FormatSpectre::Jcamp, true}, Cas{FormatSpectre::Csv, true}, Cas{FormatSpectre::Texte, false}}) {
    SCOPED_TRACE(SuffixeFormat(c.format).toStdString());
    const TLectureSpectre l = LitSpectre(ContenuSpectre(s, c.format, contexte), std::nullopt);
    ASSERT_TRUE(l.spectre) << l.erreur.toStdString();
    const TFichierSpectre& r = *l.spectre;
    EXPECT_TRUE(l.remarques.isEmpty()) << l.remarques.join(' ').toStdString();
    EXPECT_EQ(r.premier, s.premier);
    EXPECT_EQ(r.dernier, s.dernier);
    for (int w = s.premier; w <= s.dernier; ++w) {
      // Four significant digits; the JCAMP-DX integers keep 0.001 here.
      const double tolerance = c.format == FormatSpectre::Jcamp ? 0.0005 : 0.0005 * std::abs(s.spectre[w]) + 1e-12;
      ASSERT_NEAR(r.spectre[w], s.spectre[w], tolerance) << w;
    }
    EXPECT_EQ(r.spectre[400], 0);
    EXPECT_EQ(r.commentaire, s.commentaire);
    EXPECT_EQ(r.nomParam, s.nomParam);
    EXPECT_EQ(r.uniteParam, s.uniteParam);
    EXPECT_DOUBLE_EQ(r.valeurParam, s.valeurParam);
    if (!c.faitsComplets) continue;
    EXPECT_EQ(r.appareil.nom, s.appareil.nom);
    EXPECT_EQ(r.appareil.numero, s.appareil.numero);
    EXPECT_EQ(r.appareil.version, s.appareil.version);
    EXPECT_EQ(r.balayage.debut, 350);
    EXPECT_EQ(r.balayage.fin, 752);
    EXPECT_EQ(r.blanc.debut, 340);
    EXPECT_EQ(r.blanc.fin, 760);
    EXPECT_EQ(r.date, s.date);
    EXPECT_EQ(r.proprietaire, s.proprietaire);
  }
}

TEST(EcritureJcamp, EnTeteEtDonnees) {
  TFichierSpectre s = SpectreComplet();
  s.spectre[360] = ValeurIndefinie;
  const QString t = QString::fromUtf8(EcritJcamp(s));
  const QStringList lignes = t.split(QStringLiteral("\r\n"));
  EXPECT_EQ(lignes[0], QStringLiteral("##TITLE=") + s.commentaire);
  EXPECT_EQ(lignes[1], "##JCAMP-DX=5.01");
  EXPECT_EQ(lignes[2], "##DATA TYPE=UV/VIS SPECTRUM");
  for (const char* attendu :
       {"##LONGDATE=2026/12/11 15:04:05", "##SPECTROMETER/DATA SYSTEM=ZELOR 1000, N° 12345, version 2.10",
        "##XUNITS=NANOMETERS", "##YUNITS=ABSORBANCE", "##XFACTOR=1", "##YFACTOR=0.001", "##FIRSTX=350",
        "##LASTX=752", "##DELTAX=1", "##NPOINTS=403", "##$ZELOR SCAN RANGE=350,752",
        "##$ZELOR PARAMETER VALUE=0.0125", "##XYDATA=(X++(Y..Y))"}) {
    EXPECT_TRUE(lignes.contains(QString::fromUtf8(attendu))) << attendu;
  }
  EXPECT_TRUE(lignes.contains(QStringLiteral("##FIRSTY=") + TexteValeur(4, s.spectre[350])));
  EXPECT_EQ(lignes[lignes.size() - 2], "##END=");
  for (const QString& l : lignes) EXPECT_LE(l.toUtf8().size(), 80 + 40) << l.toStdString();
  // The missing reading goes out as "?" and comes back missing.
  const TLectureSpectre r = LitJcamp(t);
  ASSERT_TRUE(r.spectre);
  EXPECT_EQ(r.spectre->spectre[360], ValeurIndefinie);
  EXPECT_NEAR(r.spectre->spectre[361], s.spectre[361], 0.0005);
}

TEST(TexteExportFichier, OctetsDeVersMesurial) {
  TFichierSpectre s;
  s.premier = 500;
  s.dernier = 502;
  s.spectre[500] = 0.1234;
  s.spectre[501] = 0.1242;
  s.spectre[502] = 0.125;
  s.commentaire = QStringLiteral("λ été");
  s.nomParam = QStringLiteral("c");
  s.uniteParam = QStringLiteral("mol/L");
  s.valeurParam = 0.01;
  const QByteArray attendu =
      "/chemin/zelor\r\nSpectre Zelor 11/12/2026\r\n\x88 \xe9t\xe9\r\n\x88\tA\r\nnm\t\r\n"
      "500\t0,1234\r\n501\t0,1242\r\n502\t0,125\r\n\r\nc\r\nmol/L\r\n0,01\r\n"
      "&1 NOMX\r\n\x88\r\n&1 NOMY\r\nA\r\n&1 ZEROX\r\n1\r\n";
  EXPECT_EQ(EcritTexteExport(s, {"/chemin/zelor", "11/12/2026", ','}), attendu);
}

TEST(FichiersSpectre, DonneesHorsTableCoupeesEtDites) {
  const TLectureSpectre l = LitSpectre("# Spectre\r\nnm,A\r\n1000,0.5\r\n1100,1.5\r\n", FormatSpectre::Csv);
  ASSERT_TRUE(l.spectre) << l.erreur.toStdString();
  EXPECT_EQ(l.spectre->premier, 1000);
  EXPECT_EQ(l.spectre->dernier, LambdaMaxTable);
  EXPECT_NEAR(l.spectre->spectre[LambdaMaxTable], 0.74, 1e-9);
  EXPECT_TRUE(l.remarques.join(' ').contains(QStringLiteral("coupées")));
}

TEST(FichiersSpectre, CsvEnTableurFrancais) {
  const TLectureSpectre l = LitSpectre("lambda;A\n500;0,5\n501;\n502;1,5\n", FormatSpectre::Csv);
  ASSERT_TRUE(l.spectre) << l.erreur.toStdString();
  EXPECT_DOUBLE_EQ(l.spectre->spectre[500], 0.5);
  EXPECT_EQ(l.spectre->spectre[501], ValeurIndefinie);
  EXPECT_DOUBLE_EQ(l.spectre->spectre[502], 1.5);
}

QByteArray Tronque(const QByteArray& t, double part) {
  return t.left(static_cast<qsizetype>(t.size() * part));
}

TEST(FichiersSpectre, FichiersRefusesAvecLeurRaison) {
  const TFichierSpectre s = SpectreComplet();
  const TContexteExport contexte{"/z", "d", '.'};
  const QByteArray jcamp = EcritJcamp(s);
  const QByteArray entete = "##TITLE=t\n##JCAMP-DX=5.01\n##XUNITS=NANOMETERS\n##YUNITS=ABSORBANCE\n";
  struct Cas {
    const char* nom;
    QByteArray contenu;
    std::optional<FormatSpectre> indice;
    const char* raison;
  };
  const Cas cas[] = {
      {"vide", "", std::nullopt, "vide"},
      {"blancs seuls", " \r\n\r\n", FormatSpectre::Csv, "vide"},
      {"binaire", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), std::nullopt, "binaire"},
      {"JCAMP-DX tronqué", Tronque(jcamp, 0.5), FormatSpectre::Jcamp, "tronqué"},
      {"CSV tronqué avant ses données", Tronque(EcritCsv(s), 0.05), FormatSpectre::Csv, "aucune ligne de données"},
      {"texte tronqué", Tronque(EcritTexteExport(s, contexte), 0.9), FormatSpectre::Texte, "tronqué"},
      {"unité X", entete + "##XUNITS=SECONDS\n##XYPOINTS=(XY..XY)\n1,2\n##END=\n", std::nullopt,
       "ligne 5 (##XUNITS) : unité « SECONDS »"},
      {"unité Y", entete + "##YUNITS=COUNTS\n##XYPOINTS=(XY..XY)\n1,2\n##END=\n", std::nullopt,
       "ligne 5 (##YUNITS) : unité « COUNTS »"},
      {"lettre inconnue", entete + "##FIRSTX=400\n##LASTX=401\n##NPOINTS=2\n##XYDATA=(X++(Y..Y))\n400 12 1x\n##END=\n",
       std::nullopt, "ligne 9 (##XYDATA) : caractère « x » inattendu"},
      {"nombre d'en-tête", entete + "##FIRSTX=quatre cents\n##XYDATA=(X++(Y..Y))\n##END=\n", std::nullopt,
       "ligne 5 (##FIRSTX)"},
      {"trop peu de points", entete + "##FIRSTX=400\n##LASTX=402\n##NPOINTS=3\n##XYDATA=(X++(Y..Y))\n400 1 2\n##END=\n",
       std::nullopt, "##NPOINTS=3 mais 2 valeurs lues"},
      {"abscisse décalée", entete + "##FIRSTX=400\n##LASTX=403\n##NPOINTS=4\n##XYDATA=(X++(Y..Y))\n400 1 2\n405 3 4\n##END=\n",
       std::nullopt, "ligne 10 (##XYDATA) : abscisse 405 au lieu de 402"},
      {"contrôle Y faux", Fixture("controle-faux.jdx"), std::nullopt, "ligne 16 (##XYDATA) : contrôle Y faux : 1239 lu, 1238 attendu"},
      {"NPOINTS énorme", entete + "##FIRSTX=1\n##LASTX=2\n##NPOINTS=999999999\n##XYDATA=(X++(Y..Y))\n##END=\n",
       std::nullopt, "plus de 1000000 points"},
      {"répétition énorme", entete + "##FIRSTX=400\n##LASTX=401\n##NPOINTS=2\n##XYDATA=(X++(Y..Y))\n400 1s99999999\n##END=\n",
       std::nullopt, "hors limites"},
      {"tableau de pics", entete + "##PEAK TABLE=(XY..XY)\n400,1\n##END=\n", std::nullopt, "continu"},
      {"sans données", entete + "##END=\n", std::nullopt, "ni ##XYDATA ni ##XYPOINTS"},
      {"hors de la table", entete + "##XYPOINTS=(XY..XY)\n2000,1; 2100,1\n##END=\n", std::nullopt,
       "aucune donnée entre 0 et 1024 nm"},
      {"CSV non numérique", "nm,A\n400,0.1\n401,abc\n", FormatSpectre::Csv, "ligne 3 : « abc » n'est pas un nombre"},
      {"CSV une colonne", "400\n401\n", FormatSpectre::Csv, "deux colonnes"},
      {"pas un JCAMP-DX", "bonjour\n", FormatSpectre::Jcamp, "##TITLE="},
      {"texte sans en-tête", "a\nb\nc\n", FormatSpectre::Texte, "Spectre Zelor"},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    const TLectureSpectre l = LitSpectre(c.contenu, c.indice);
    EXPECT_FALSE(l.spectre);
    EXPECT_TRUE(l.erreur.contains(QString::fromUtf8(c.raison))) << l.erreur.toStdString();
  }
}

TEST(FichiersSpectre, FichierTropGrosNonLu) {
  QTemporaryDir dossier;
  const QString chemin = dossier.filePath("gros.csv");
  QFile f(chemin);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  const QByteArray ligne(1024 * 1024, ' ');
  for (qint64 n = 0; n <= kTailleMaxFichierSpectre / ligne.size(); ++n) f.write(ligne);
  f.close();
  const TLectureSpectre l = OuvreSpectre(chemin);
  EXPECT_FALSE(l.spectre);
  EXPECT_TRUE(l.erreur.contains(QStringLiteral("trop gros"))) << l.erreur.toStdString();
}

TEST(EcritureAtomique, RemplaceEntierOuLaisseIntact) {
  QTemporaryDir dossier;
  const QString chemin = dossier.filePath("spectre.jdx");
  QString erreur;
  ASSERT_TRUE(EcritFichierAtomique(chemin, "ancien", erreur));
  ASSERT_TRUE(EnregistreSpectre(chemin, SpectreComplet(), FormatSpectre::Jcamp, {}, erreur)) << erreur.toStdString();
  EXPECT_EQ(QDir(dossier.path()).entryList(QDir::Files), QStringList{"spectre.jdx"});
  ASSERT_TRUE(OuvreSpectre(chemin).spectre);

  // An empty spectrum, a missing folder, a folder in the way: nothing
  // written, the old file whole, a reason given.
  EXPECT_FALSE(EnregistreSpectre(chemin, TFichierSpectre{}, FormatSpectre::Csv, {}, erreur));
  EXPECT_TRUE(erreur.contains(QStringLiteral("vide")));
  ASSERT_TRUE(OuvreSpectre(chemin).spectre);
  erreur.clear();
  EXPECT_FALSE(EcritFichierAtomique(dossier.filePath("absent/s.csv"), "x", erreur));
  EXPECT_FALSE(erreur.isEmpty());
  ASSERT_TRUE(QDir(dossier.path()).mkdir("dossier"));
  erreur.clear();
  EXPECT_FALSE(EcritFichierAtomique(dossier.filePath("dossier"), "x", erreur));
  EXPECT_FALSE(erreur.isEmpty());
  EXPECT_EQ(QDir(dossier.path()).entryList(QDir::Files), QStringList{"spectre.jdx"});
}

TEST(FichiersSpectre, FormatDuNom) {
  EXPECT_EQ(FormatDuNom("a/b.JDX"), FormatSpectre::Jcamp);
  EXPECT_EQ(FormatDuNom("b.dx"), FormatSpectre::Jcamp);
  EXPECT_EQ(FormatDuNom("b.Csv"), FormatSpectre::Csv);
  EXPECT_EQ(FormatDuNom("b.txt"), FormatSpectre::Texte);
  EXPECT_EQ(FormatDuNom("b.png"), std::nullopt);
}

// Damaged files of every format never read past the tables: each either
// gives a spectrum inside 0..1024 nm or a reason.
TEST(FichiersSpectre, FichiersAbimesJamaisHorsDesTables) {
  const TFichierSpectre s = SpectreComplet();
  const std::vector<QByteArray> sains = {EcritJcamp(s), EcritCsv(s), EcritTexteExport(s, {"/z", "d", ','}),
                                         Fixture("difdup.jdx"), Fixture("xypoints.jdx"), Fixture("nombres-onde.jdx")};
  // Characters that mean something to one format or another.
  const QByteArray alphabet = "0123456789.,;+-?#$%@AJSsjaeE= \t\r\n";
  std::mt19937 hasard(1234);
  for (const QByteArray& sain : sains) {
    for (int essai = 0; essai < 300; ++essai) {
      QByteArray abime = sain;
      const int changements = 1 + int(hasard() % 8);
      for (int k = 0; k < changements; ++k) {
        const qsizetype i = qsizetype(hasard() % std::uint32_t(abime.size()));
        switch (hasard() % 3) {
          case 0: abime[i] = alphabet[qsizetype(hasard() % std::uint32_t(alphabet.size()))]; break;
          case 1: abime.remove(i, qsizetype(hasard() % 20)); break;
          default: abime.insert(i, abime.mid(qsizetype(hasard() % std::uint32_t(abime.size())), 30)); break;
        }
      }
      const TLectureSpectre l = LitSpectre(abime, std::nullopt);
      if (l.spectre) {
        EXPECT_GE(l.spectre->premier, 0);
        EXPECT_LE(l.spectre->dernier, LambdaMaxTable);
        EXPECT_LE(l.spectre->premier, l.spectre->dernier);
      } else {
        EXPECT_FALSE(l.erreur.isEmpty());
      }
    }
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <QLocale>
#include <array>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "export/FormatExport.h"
#include "export/ReelVersTexte.h"

namespace {

TEST(ReelVersTexte, NotationsCoupeEtSeparateur) {
  struct Cas {
    int P;
    double x;
    char sep;
    const char* texte;
  };
  const Cas cas[] = {
      {4, 0.5, '.', "0.5"},
      {4, 2, '.', "2"},
      {4, 0, '.', "0"},
      {4, 1.23456, '.', "1.235"},
      {4, -0.0123, '.', "-0.0123"},
      {4, 0.0001, '.', "0.0001"},
      {4, 0.00009, '.', "9E-05"},
      {4, 0.000123, '.', "0.000123"},
      {4, 0.0000123, '.', "1.23E-05"},
      {4, 12345.6, '.', "1.235E04"},
      {4, 1200, '.', "1200"},
      {4, 1.5e120, '.', "1.5E120"},
      {1, 1.23456, '.', "1.2"},
      {0, 1.23456, '.', "1.2"},
      {25, 1.0 / 3, '.', "0.333333333333"},
      {15, -0.000123456789012345, '.', "-0.00012345678"},
      {4, 0.1234, ',', "0,1234"},
      {4, 0.0000123, ',', "1,23E-05"},
      {4, -1.5, ',', "-1,5"},
      {4, 0, ',', "0"},
      // Too long for 14 characters: the exponent stays, the mantissa is rounded.
      {10, 3.703703704e-5, '.', "3.7037037E-05"},
      {10, -3.703703704e-5, ',', "-3,7037037E-05"},
      {18, 1.234567890123456e-100, '.', "1.2345679E-100"},
      {18, 9.99999999999999e-5, '.', "1E-04"},
      // Integer digits are never cut away either.
      {18, 1.5e17, '.', "1.5E17"},
      {18, 123456789012345.6, '.', "1.23456789E14"},
      {18, 1234567890123.25, '.', "1234567890123."},
      {4, std::numeric_limits<double>::quiet_NaN(), '.', "NAN"},
      {4, -std::numeric_limits<double>::infinity(), '.', "-INF"},
  };
  // The same texts whatever the C library's numeric locale: "C", then one
  // whose decimal point is ",".
  const std::string avant = std::setlocale(LC_NUMERIC, nullptr);
  for (const char* numerique : {"C", "fr_FR.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, numerique) == nullptr) {
      ADD_FAILURE() << "locale absente : " << numerique;
      continue;
    }
    for (const Cas& c : cas) {
      const std::string t = ReelVersTexte(c.P, c.x, c.sep);
      EXPECT_EQ(t, c.texte) << numerique << " P=" << c.P << " x=" << c.x;
      EXPECT_LE(t.size(), 14u);
    }
  }
  std::setlocale(LC_NUMERIC, avant.c_str());
}

// A small spectrum from 500 to 502 nm as the scan leaves it.
class TexteExportFixture : public ::testing::Test {
 protected:
  TexteExportFixture() {
    spectre_[500] = 0.12344;
    spectre_[501] = 0.1242;
    spectre_[502] = 0.125;
    s_.cheminExecutable = "/opt/zelor/zelor";
    s_.dateHeure = "01/02/2024 10:11:12";
    s_.premier = 500;
    s_.dernier = 502;
    s_.spectre = spectre_;
    s_.precision = 4;
    s_.separateur = '.';
  }
  std::array<double, 1025> spectre_{};
  SpectreExport s_;
};

TEST_F(TexteExportFixture, TexteExactOctetParOctet) {
  struct Cas {
    char sep;
    bool parametre;
    const char* texte;
  };
  const Cas cas[] = {
      {',', true,
       "/opt/zelor/zelor\r\nSpectre Zelor 01/02/2024 10:11:12\r\n\r\n\x88\tA\r\nnm\t\r\n"
       "500\t0,1234\r\n501\t0,1242\r\n502\t0,125\r\n"
       "\r\nc\r\nmol/L\r\n0,01\r\n"
       "&1 NOMX\r\n\x88\r\n&1 NOMY\r\nA\r\n&1 ZEROX\r\n1\r\n"},
      {'.', true,
       "/opt/zelor/zelor\r\nSpectre Zelor 01/02/2024 10:11:12\r\n\r\n\x88\tA\r\nnm\t\r\n"
       "500\t0.1234\r\n501\t0.1242\r\n502\t0.125\r\n"
       "\r\nc\r\nmol/L\r\n0.01\r\n"
       "&1 NOMX\r\n\x88\r\n&1 NOMY\r\nA\r\n&1 ZEROX\r\n1\r\n"},
      {',', false,
       "/opt/zelor/zelor\r\nSpectre Zelor 01/02/2024 10:11:12\r\n\r\n\x88\tA\r\nnm\t\r\n"
       "500\t0,1234\r\n501\t0,1242\r\n502\t0,125\r\n"
       "&1 NOMX\r\n\x88\r\n&1 NOMY\r\nA\r\n&1 ZEROX\r\n1\r\n"},
      {'.', false,
       "/opt/zelor/zelor\r\nSpectre Zelor 01/02/2024 10:11:12\r\n\r\n\x88\tA\r\nnm\t\r\n"
       "500\t0.1234\r\n501\t0.1242\r\n502\t0.125\r\n"
       "&1 NOMX\r\n\x88\r\n&1 NOMY\r\nA\r\n&1 ZEROX\r\n1\r\n"},
  };
  for (const Cas& c : cas) {
    s_.separateur = c.sep;
    s_.nomParam = "c";
    s_.uniteParam = "mol/L";
    s_.valeurParam = c.parametre ? 0.01 : ValeurIndefinie;
    EXPECT_EQ(TexteExport(s_), QByteArray(c.texte)) << c.sep << c.parametre;
  }
}

TEST_F(TexteExportFixture, LignesDeDonneesEtBlocParametre) {
  struct Cas {
    std::uint16_t premier, dernier;
    QByteArray nom, unite;
    double valeur;
    int lignesDonnees;
    QByteArray dernierMot;  // last data line, or "" when none
    QByteArray bloc;        // parameter block, or "" when absent
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Cas cas[] = {
      {501, 501, "c", "mol/L", 2.5, 1, "501\t0.1242", "\r\n\r\nc\r\nmol/L\r\n2.5\r\n"},
      {502, 500, "c", "mol/L", 2.5, 0, "", "\r\n\r\nc\r\nmol/L\r\n2.5\r\n"},
      {500, 502, "", "mol/L", 2.5, 3, "502\t0.125", ""},
      {500, 502, "c", "mol/L", ValeurIndefinie, 3, "502\t0.125", ""},
      {500, 502, "c", "mol/L", nan, 3, "502\t0.125", ""},
      {500, 502, "  ", "", 2.5, 3, "502\t0.125", "\r\n\r\n  \r\n\r\n2.5\r\n"},
      // Past the last slot of the table nothing is read.
      {1020, 2000, "", "", 0, 5, "1024\t0", ""},
      {1500, 2000, "", "", 0, 0, "", ""},
  };
  for (const Cas& c : cas) {
    s_.premier = c.premier;
    s_.dernier = c.dernier;
    s_.nomParam = c.nom;
    s_.uniteParam = c.unite;
    s_.valeurParam = c.valeur;
    const QList<QByteArray> lignes = TexteExport(s_).split('\n');
    const QByteArray texte = TexteExport(s_);
    int donnees = 0;
    QByteArray derniere;
    for (const QByteArray& l : lignes) {
      const QByteArray sans = l.chopped(l.endsWith('\r') ? 1 : 0);
      if (!sans.isEmpty() && std::isdigit(static_cast<unsigned char>(sans[0])) && sans.contains('\t')) {
        ++donnees;
        derniere = sans;
      }
    }
    EXPECT_EQ(donnees, c.lignesDonnees) << c.premier << "-" << c.dernier;
    EXPECT_EQ(derniere, c.dernierMot) << c.premier << "-" << c.dernier;
    if (c.bloc.isEmpty()) {
      EXPECT_FALSE(texte.contains("\r\n\r\n&1 NOMX")) << c.premier;
      EXPECT_FALSE(texte.contains("mol/L"));
    } else {
      EXPECT_TRUE(texte.contains(c.bloc + "&1 NOMX")) << texte.toStdString();
    }
    EXPECT_TRUE(texte.endsWith("&1 ZEROX\r\n1\r\n"));
  }
}

TEST(DateHeureExport, HeureOmiseAMinuit) {
  const QLocale fr(QLocale::French, QLocale::France);
  EXPECT_EQ(DateHeureExport(QDateTime(QDate(2024, 2, 1), QTime(0, 0)), fr), "01/02/2024");
  EXPECT_EQ(DateHeureExport(QDateTime(QDate(2024, 2, 1), QTime(10, 11, 12)), fr), "01/02/2024 10:11:12");
}

TEST(FormatHeureExport, FuseauRetireAvecSesCrochetsEtSesEspacesPeriodeDuJourEcrite) {
  const std::pair<const char*, const char*> cas[] = {
      {"H:mm:ss (t)", "H:mm:ss"},
      {"HH:mm:ss t", "HH:mm:ss"},
      {"h:mm:ss AP tttt", "h:mm:ss AP"},
      {"t HH:mm:ss", "HH:mm:ss"},
      {"HH:mm:ss [t]", "HH:mm:ss"},
      {"HH:mm:ss", "HH:mm:ss"},
      {"HH 'h' mm 'et' ss t", "HH 'h' mm 'et' ss"},  // quoted letters stay
      {"AP h:mm:ss t", "AP h:mm:ss"},
      {"Bh:mm:ss [t]", "APh:mm:ss"},  // a day period the toolkit does not write
  };
  for (const auto& [format, attendu] : cas) EXPECT_EQ(FormatHeureExport(format), attendu) << format;
}

// Latin letters of a time written with `format`: only those of its quoted
// texts and of the morning and afternoon markers (in either case) may show;
// letters of other scripts are the locale's own unit words.
QString LettresEtrangeres(const QString& rendu, const QString& format, const QLocale& locale) {
  QString permises = locale.amText() + locale.pmText();
  bool cite = false;
  for (QChar c : format) {
    if (c == QLatin1Char('\'')) {
      cite = !cite;
    } else if (cite) {
      permises += c;
    }
  }
  permises = permises.toLower();
  QString etrangeres;
  for (QChar c : rendu) {
    if (c.isLetter() && c.unicode() < 0x80 && !permises.contains(c.toLower())) etrangeres += c;
  }
  return etrangeres;
}

TEST(FormatHeureExport, AucuneLocaleNeGardeDeCrochetsNiDeLettres) {
  const QTime heure(10, 11, 12);
  for (const QLocale& locale :
       QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
    const QString format = FormatHeureExport(locale.timeFormat(QLocale::LongFormat));
    const QString rendu = locale.toString(heure, format);
    SCOPED_TRACE(locale.name().toStdString() + " " + locale.timeFormat(QLocale::LongFormat).toStdString());
    EXPECT_FALSE(rendu.contains(QLatin1String("()")) || rendu.contains(QLatin1String("[]")))
        << rendu.toStdString();
    EXPECT_EQ(LettresEtrangeres(rendu, format, locale), QString()) << rendu.toStdString();
    EXPECT_FALSE(rendu.contains(QLatin1String("UTC")) || rendu.contains(QLatin1String("GMT")))
        << rendu.toStdString();
    EXPECT_EQ(rendu, rendu.trimmed());
  }
}

}  // namespace

// Runs on a real X server: the clipboard is shared between this program and
// the stand-in Mesurial, so the exported text can be seen to arrive intact.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <array>

#include "export/TConstanteDlg.h"
#include "export/tests/MesurialFixture.h"

namespace {

TEST_F(LienMesurial, ExportArriveAvecLeTexteExact) {
  DemarreStandin();
  TFormDDE form(capture_, [] { return true; });
  TConstanteDlg choix;
  EXPECT_EQ(choix.ItemIndex(), TConstanteDlg::kNouveauFichier);

  std::array<double, 1025> spectre{};
  spectre[500] = 0.1234;
  spectre[501] = 0.0000123;
  SpectreExport s;
  s.cheminExecutable = CheminExecutableExport();
  s.dateHeure = DateHeureExport(QDateTime::currentDateTime());
  s.premier = 500;
  s.dernier = 501;
  s.spectre = spectre;
  s.nomParam = "c";
  s.uniteParam = "mol/L";
  s.valeurParam = 0.01;
  s.separateur = ',';
  const QByteArray texte = TexteExport(s);

  // Two exports in a row, the dialog confirmed without change each time.
  for (const QByteArray& commande : {QByteArray("CLIP|LOAD"), QByteArray("CLIP|ADD")}) {
    const QByteArray avant = Recu();
    ASSERT_TRUE(form.EnvoieDonnees(s, choix.NouvellePage()));
    choix.ApresExport();
    ASSERT_TRUE(AttendsQue([&] {
      return Recu().size() >= avant.size() + commande.size() + 1 + texte.size();
    })) << Recu().toStdString();
    EXPECT_EQ(Recu().mid(avant.size()), commande + '\n' + texte);
  }
  // Any other reader pastes Unicode text: lambda, TAB, "A" for the axes.
  const QMimeData* donnees = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(donnees, nullptr);
  EXPECT_EQ(donnees->data(QStringLiteral("text/plain;charset=windows-1252")), texte);
  const QString unicode = donnees->text();
  EXPECT_TRUE(unicode.contains(QString::fromUtf16(u"\r\n\u03bb\tA\r\n"))) << unicode.toStdString();
  EXPECT_FALSE(unicode.contains(QChar(0x88)));
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("|").toStdString();
  EXPECT_EQ(choix.ItemIndex(), TConstanteDlg::kNouvellePage);
}

}  // namespace

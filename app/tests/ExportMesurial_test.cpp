// "Vers Mesurial" in the window set, against the stand-in Mesurial. Runs on
// a real X server with a bus of its own: the clipboard is shared between this
// program and the stand-in, so the text can be seen to arrive intact.
#include <gtest/gtest.h>

#include <QAction>
#include <QDateTime>
#include <QTimer>
#include <deque>

#include "app/Fenetres.h"
#include "app/Labutil.h"
#include "export/tests/MesurialFixture.h"
#include "graph/Graphe.h"
#include "instrument/Cfgspect.h"

namespace {

// Answers the page choice with the next result of the list as soon as it
// shows.
struct ReponsesAuto : QObject {
  std::deque<int> reponses;
  int ouvertures = 0;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && !reponses.empty()) {
      ++ouvertures;
      const int r = reponses.front();
      reponses.pop_front();
      QTimer::singleShot(0, o, [o, r] { static_cast<QDialog*>(o)->done(r); });
    }
    return false;
  }
};

QByteArray Lignes(std::initializer_list<QByteArray> lignes) {
  QByteArray t;
  for (const QByteArray& l : lignes) t += l + "\r\n";
  return t;
}

class ExportMesurial : public LienMesurial {
 protected:
  void SetUp() override {
    LienMesurial::SetUp();
    qputenv("ZELOR_INI", dossier_.filePath("zelor.INI").toLocal8Bit());
    separateur_ = SeparateurUtilisateur();
    FixeSeparateurUtilisateur(',');
    precision_ = Spectro().Precision;
    Spectro().Precision = 3;
  }
  void TearDown() override {
    Spectro().Precision = precision_;
    FixeSeparateurUtilisateur(separateur_);
    qunsetenv("ZELOR_INI");
    LienMesurial::TearDown();
  }

  // Triggers the action; the date line is whatever the clock said around it.
  void Exporte(TSpectreMain& principale) {
    avant_ = DateHeureExport(QDateTime::currentDateTime());
    principale.MesSaveAction->trigger();
    apres_ = DateHeureExport(QDateTime::currentDateTime());
  }
  QByteArray TexteAttendu(const QByteArray& dateHeure) const {
    return Lignes({CheminExecutableExport(), "Spectre Zelor " + dateHeure, "Balayage 1", "\x88\tA", "nm\t",
                   "500\t0,123", "501\t1,5", "502\t1,23E-05", "", "c", "mol/L", "0,01", "&1 NOMX", "\x88",
                   "&1 NOMY", "A", "&1 ZEROX", "1"});
  }
  // The text that should follow `commande`, with the date line the stand-in
  // received when it is one the clock gave during the export.
  QByteArray Attendu(const QByteArray& commande, const QByteArray& recu) const {
    const QByteArray prefixe = commande + '\n' + CheminExecutableExport() + "\r\nSpectre Zelor ";
    if (!recu.startsWith(prefixe)) return commande + '\n' + TexteAttendu(avant_);
    const QByteArray date = recu.mid(prefixe.size(), recu.indexOf("\r\n", prefixe.size()) - prefixe.size());
    return commande + '\n' + TexteAttendu(date == apres_ ? apres_ : avant_);
  }

  QByteArray avant_, apres_;
  char separateur_ = '.';
  int precision_ = 4;
};

TEST_F(ExportMesurial, VersMesurialEnvoieLeSpectreDuGraphe) {
  DemarreStandin();
  Fenetres fenetres(capture_);
  TSpectreMain& principale = *fenetres.SpectreMain;
  Tgraphe& g = *principale.Graphe;
  g.premier = 500;
  g.dernier = 502;
  g.spectre[500] = 0.12345;
  g.spectre[501] = 1.5;
  g.spectre[502] = 0.0000123;
  g.valeurParam = 0.01;
  g.modeTrace = mtCourbe;
  principale.MajActions();
  ASSERT_TRUE(principale.MesSaveAction->isEnabled());
  fenetres.Export->TextesBalayage = [] { return TTextesBalayage{"Balayage 1", "c", "mol/L"}; };

  ReponsesAuto reponses;
  reponses.reponses = {QDialog::Accepted, QDialog::Rejected, QDialog::Accepted};
  fenetres.ConstanteDlg->installEventFilter(&reponses);

  Exporte(principale);
  ASSERT_TRUE(AttendsQue([&] { return Recu().endsWith("&1 ZEROX\r\n1\r\n"); })) << Recu().toStdString();
  const QByteArray premier = Recu();
  EXPECT_EQ(premier, Attendu("CLIP|LOAD", premier));
  EXPECT_EQ(fenetres.ConstanteDlg->ItemIndex(), TConstanteDlg::kNouvellePage);

  // Cancelled: nothing goes out, the choice stays. Then the next one adds a page.
  Exporte(principale);
  Exporte(principale);
  EXPECT_EQ(reponses.ouvertures, 3);
  ASSERT_TRUE(AttendsQue([&] {
    return Recu().size() > premier.size() && Recu().endsWith("&1 ZEROX\r\n1\r\n");
  })) << Recu().toStdString();
  const QByteArray second = Recu().mid(premier.size());
  EXPECT_EQ(second, Attendu("CLIP|ADD", second));
  EXPECT_EQ(fenetres.ConstanteDlg->ItemIndex(), TConstanteDlg::kNouvellePage);
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("|").toStdString();
}

}  // namespace

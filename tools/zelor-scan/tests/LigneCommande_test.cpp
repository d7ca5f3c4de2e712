// The command line of zelor-scan: what each command accepts, and the French
// message of every refusal.
#include <gtest/gtest.h>

#include "tools/zelor-scan/LigneCommande.h"

namespace {

struct CasLigne {
  const char* ligne;
  const char* erreur;  // part of the message; empty: accepted
};

QStringList Mots(const char* ligne) {
  return QString::fromUtf8(ligne).split(' ', Qt::SkipEmptyParts);
}

TEST(LigneCommande, AccepteOuRefuseAvecUnMessage) {
  const CasLigne cas[] = {
      {"identify", ""},
      {"identify --port COM7 --json --quiet --ini /tmp/z.INI", ""},
      {"blanc --from 325 --to 999", ""},
      {"blanc --from=325 --to=999", ""},
      {"spectre --from 400 --to 700 -o a.jdx --comment essai --param C mol/L 0,5", ""},
      {"aller 500", ""},
      {"lire --port com3", ""},
      {"", "commande manquante"},
      {"balaye", "commande inconnue « balaye »"},
      {"spectre --from 400 --to 700", "-o echantillon.jdx"},
      {"spectre -o a.jdx --from 700 --to 400", "bornes inversées"},
      {"spectre -o a.jdx --from quatre", "--from attend une longueur d'onde"},
      {"spectre -o a.jdx --param C mol/L beaucoup", "n'est pas un nombre"},
      {"spectre -o a.jdx --param C mol/L", "attend 3 valeur(s)"},
      {"spectre -o", "attend 1 valeur(s)"},
      {"lire --from 400", "ne s'applique pas à « lire »"},
      {"identify -o a.jdx", "ne s'applique pas"},
      {"aller", "attend une longueur d'onde"},
      {"aller 500 600", "attend une longueur d'onde"},
      {"lire 500", "argument en trop"},
      {"identify --port 7", "--port attend un port COMn"},
      {"identify --port COM0", "--port attend un port COMn"},
      {"identify --verbeux", "option inconnue « --verbeux »"},
      {"identify --json=oui", "ne prend pas de valeur"},
      {"blanc --attente 0", "--attente attend"},
  };
  for (const CasLigne& c : cas) {
    const TAnalyseLigne a = AnalyseLigne(Mots(c.ligne));
    if (*c.erreur == '\0') {
      EXPECT_TRUE(a.erreur.isEmpty()) << c.ligne << " : " << a.erreur.toStdString();
    } else {
      EXPECT_TRUE(a.erreur.contains(QString::fromUtf8(c.erreur))) << c.ligne << " : " << a.erreur.toStdString();
    }
  }
}

TEST(LigneCommande, ValeursLues) {
  const TAnalyseLigne a = AnalyseLigne(
      Mots("spectre --port COM45 -o b.csv --from 410 --to 690 --comment essai --param Conc mol/L 2,5 --json -q"));
  ASSERT_TRUE(a.erreur.isEmpty()) << a.erreur.toStdString();
  const TDemandeScan& d = a.demande;
  EXPECT_EQ(d.commande, TCommandeScan::Spectre);
  EXPECT_EQ(d.port, 45);
  EXPECT_EQ(d.sortie, "b.csv");
  EXPECT_EQ(d.debut, 410);
  EXPECT_EQ(d.fin, 690);
  EXPECT_EQ(d.commentaire, "essai");
  ASSERT_TRUE(d.parametre);
  EXPECT_EQ(d.parametre->nom, "Conc");
  EXPECT_EQ(d.parametre->unite, "mol/L");
  EXPECT_EQ(d.parametre->valeur, "2,5");
  EXPECT_TRUE(d.json);
  EXPECT_TRUE(d.silencieux);

  const TAnalyseLigne aller = AnalyseLigne(Mots("aller 512"));
  EXPECT_EQ(aller.demande.commande, TCommandeScan::Aller);
  EXPECT_EQ(aller.demande.lambda, 512);
  // Without bounds the configuration's last ones are used later.
  EXPECT_FALSE(AnalyseLigne(Mots("blanc")).demande.debut);
}

TEST(LigneCommande, JsonDemandeMemeSurUneLigneFausse) {
  // A script asking for JSON gets its object even when the line is refused.
  const TAnalyseLigne a = AnalyseLigne(Mots("spectre --json --from x"));
  EXPECT_FALSE(a.erreur.isEmpty());
  EXPECT_TRUE(a.demande.json);
}

}  // namespace

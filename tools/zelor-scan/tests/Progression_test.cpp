// Progress on standard error: one line per tenth of the range in a log, one
// line redrawn in place on a terminal, nothing when quiet.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "tools/zelor-scan/Progression.h"

namespace {

struct Fichier {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f{std::tmpfile(), &std::fclose};
  std::string Contenu() {
    std::fflush(f.get());
    std::rewind(f.get());
    std::string texte;
    char tampon[4096];
    std::size_t n = 0;
    while ((n = std::fread(tampon, 1, sizeof tampon, f.get())) > 0) texte.append(tampon, n);
    return texte;
  }
};

int Lignes(const std::string& texte) {
  int n = 0;
  for (char c : texte) n += c == '\n';
  return n;
}

// A downward scan from 700 to 400 that goes back once to measure a bend again.
void Balaye(TProgression& p) {
  p.Debut("Spectre", 400, 700, 700);
  for (int lambda = 700; lambda >= 400; lambda -= 5) {
    p.Point(lambda, "A=0.1");
    if (lambda == 550) p.Point(560, "A=0.2");
  }
  p.Fin();
}

TEST(Progression, UneLigneParDixiemeHorsTerminal) {
  Fichier sortie;
  TProgression p(sortie.f.get(), false, false);
  Balaye(p);
  const std::string texte = sortie.Contenu();
  EXPECT_EQ(Lignes(texte), 10) << texte;
  EXPECT_NE(texte.find("Spectre : λ=400 nm  A=0.1  (100 %)\n"), std::string::npos) << texte;
  EXPECT_EQ(texte.find('\r'), std::string::npos);
}

TEST(Progression, LigneRedessineeSurUnTerminal) {
  Fichier sortie;
  TProgression p(sortie.f.get(), true, false);
  Balaye(p);
  const std::string texte = sortie.Contenu();
  // Every point redraws the line; the run ends it once.
  EXPECT_EQ(Lignes(texte), 1);
  EXPECT_EQ(texte.find("\r\033[KSpectre : λ=700 nm"), 0u) << texte;
  EXPECT_EQ(texte.back(), '\n');
}

TEST(Progression, RienEnSilence) {
  Fichier sortie;
  TProgression p(sortie.f.get(), true, true);
  Balaye(p);
  EXPECT_TRUE(sortie.Contenu().empty());
}

}  // namespace

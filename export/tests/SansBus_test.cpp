// No session bus: the link and the server say so in French instead of
// failing silently.
#include <gtest/gtest.h>

#include "export/TFormDDE.h"

TEST(ExportSansBus, LiaisonIndisponibleAnnoncee) {
  QStringList messages;
  TFormDDE form([&](TFormDDE::GenreMessage, const QString& t) { messages << t; }, [] { return true; });
  EXPECT_FALSE(form.DemarreServeur());
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("Liaison DDE indisponible")) << messages[0].toStdString();

  messages.clear();
  form.EnvoieMacro("CLIP|LOAD");
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("Liaison DDE indisponible")) << messages[0].toStdString();
  EXPECT_TRUE(messages[0].endsWith(QString::fromUtf8("CLIP|LOAD non exécuté par Mesurial")));
}

TEST(ExportSansBus, PasDePressePapiersSansInterface) {
  // This program has no GUI application object, so no clipboard.
  QStringList messages;
  TFormDDE form([&](TFormDDE::GenreMessage, const QString& t) { messages << t; }, [] { return true; });
  std::array<double, 1025> spectre{};
  SpectreExport s;
  s.spectre = spectre;
  EXPECT_FALSE(form.EnvoieDonnees(s, false));
  EXPECT_EQ(messages, QStringList{"Impossible d'ouvrir le Presse-papiers"});
}

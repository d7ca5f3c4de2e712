// Runs with no session bus reachable: every call must fail at once and say so.
#include <gtest/gtest.h>

#include "platform/Dde.h"

TEST(DdeSansBus, ToutEchoueProprement) {
  DdeServeur serveur;
  EXPECT_FALSE(serveur.Enregistre("zelor", {"ServeurDDE"}));
  EXPECT_TRUE(serveur.Erreur().contains("indisponible")) << serveur.Erreur().toStdString();

  DdeClient client;
  EXPECT_FALSE(client.Connecte("Mesurial", "ServeurDDE"));
  EXPECT_TRUE(client.Erreur().contains("indisponible")) << client.Erreur().toStdString();
  EXPECT_FALSE(client.ExecuteAsync("CLIP|LOAD"));
  EXPECT_EQ(client.Execute("CLIP|LOAD", 1000), std::nullopt);
  EXPECT_EQ(client.Requete("ServeurItem", 1000), std::nullopt);
  EXPECT_FALSE(client.AvisDemarre("ServeurItem", 1000));
}

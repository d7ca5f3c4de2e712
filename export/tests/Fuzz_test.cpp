// Random command texts against the server's parser: whatever a client sends,
// the server answers once, shows at most one box, and never crashes.
#include <gtest/gtest.h>

#include <random>

#include "export/TFormDDE.h"

namespace {

constexpr int kTextes = 5000;
constexpr unsigned kGraine = 20240201;

QByteArray TexteAuHasard(std::mt19937& alea) {
  static const QByteArray morceaux[] = {
      "FOCUS", "GETDATA", "CONFIG|LOAD",       "CONFIG|SAVE", "(",    ")", "\r", "\n",
      "\r\n",  " ",       QByteArray(1, '\0'), "focus",       "\x88", "|", "\t"};
  std::uniform_int_distribution<int> nombre(0, 40), choix(0, 2), morceau(0, std::size(morceaux) - 1),
      octet(0, 255), longue(0, 20);
  QByteArray t;
  const int n = longue(alea) == 0 ? 300 : nombre(alea);
  for (int i = 0; i < n; ++i) {
    if (choix(alea) == 0) {
      t += static_cast<char>(octet(alea));
    } else {
      t += morceaux[morceau(alea)];
    }
  }
  return t;
}

TEST(ServeurFuzz, TextesAuHasard) {
  std::mt19937 alea(kGraine);
  int messages = 0, focus = 0;
  TFormDDE form([&](TFormDDE::GenreMessage, const QString&) { ++messages; },
                [&] {
                  ++focus;
                  return focus % 2 == 0;
                });
  for (int i = 0; i < kTextes; ++i) {
    const QByteArray texte = TexteAuHasard(alea);
    messages = 0;
    focus = 0;
    const auto ack = form.RecoitExecute(i % 7 == 0 ? "Acquisition" : "ServeurDDE", texte);
    if (ack == DdeServeur::Acquittement::NonTraite) {
      EXPECT_EQ(messages + focus, 0) << i;
    } else {
      EXPECT_LE(messages, 1) << i;
      EXPECT_LE(focus, 1) << i;
    }
  }
}

}  // namespace

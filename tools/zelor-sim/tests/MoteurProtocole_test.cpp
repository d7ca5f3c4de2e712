#include "tools/zelor-sim/MoteurProtocole.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Far from the clock's epoch, so "before the first move" is well defined.
const TInstant kT0 = TInstant{} + 1h;

TSimOptions Rapide() {
  TSimOptions o;
  o.rapide = true;
  o.graine = 7;
  o.bruit = 0;
  return o;
}

// Feeds bytes and collects what the instrument sends back, in order.
struct TBanc {
  explicit TBanc(const TSimOptions& o = Rapide()) : moteur(o) {}

  QByteArray Envoie(QByteArrayView octets, TInstant t = kT0, bool octetParOctet = false) {
    if (octetParOctet)
      for (char c : octets) moteur.Recoit(QByteArrayView(&c, 1), t);
    else
      moteur.Recoit(octets, t);
    return Releve();
  }
  QByteArray Avance(TInstant t) {
    moteur.Avance(t);
    return Releve();
  }
  QByteArray Releve() {
    QByteArray sortie;
    for (const TEvenementSim& e : moteur.PrendEvenements()) {
      if (e.genre == TEvenementSim::Genre::Reponse) sortie += e.octets;
      if (e.genre == TEvenementSim::Genre::Journal) journal.append(e.octets);
      if (e.genre == TEvenementSim::Genre::Deconnecte) deconnecte = true;
      if (e.genre == TEvenementSim::Genre::AnnuleEnvoi) ++annulations;
    }
    return sortie;
  }

  TMoteurProtocole moteur;
  QByteArrayList journal;
  bool deconnecte = false;
  int annulations = 0;
};

struct TCasCommande {
  const char* nom;
  QByteArray entree;
  QByteArray sortie;
};

const TCasCommande kCommandes[] = {
    {"status", "?RPS\r", "\x02RPSONX\x03"},
    {"opening_status_after_reset", "@?RPS\r", "\x02RPSONX\x03"},
    {"serial_number", "?RPTN\r", "\x02RPTN12345X\x03"},
    {"name", "?RPTi\r", "\x02RPTiZELOR 1000X\x03"},
    {"version", "?RPTV\r", "\x02RPTV2.10X\x03"},
    {"lowest", "?RPTl\r", "\x02RPTl190X\x03"},
    {"highest", "?RPTu\r", "\x02RPTu1100X\x03"},
    {"current", "?RPTL\r", "\x02RPTL500X\x03"},
    {"goto_then_current", "?GTO650.0\r?RPTL\r", "\x06\x02RPTL650X\x03"},
    {"goto_rounds_position", "?GTO499.6\r?RPTL\r", "\x06\x02RPTL500X\x03"},
    {"goto_exponent_form", "?GTO5.5E2\r?RPTL\r", "\x06\x02RPTL550X\x03"},
    {"goto_beyond_mechanics_stops", "?GTO9999\r?RPTL\r", "\x06\x02RPTL2000X\x03"},
    {"display_nm_padded", "?RNGnm  \r", "\x06"},
    {"display_abs_padded", "?RNGA   \r", "\x06"},
    {"display_transmittance", "?RNG%T\r", "\x06"},
    {"auto_zero", "?AZO\r", "\x06"},
    {"crlf_line_end", "?RPS\r\n?RPTV\r", "\x02RPSONX\x03\x02RPTV2.10X\x03"},
    {"reset_drops_partial", "?RPT@?RPS\r", "\x02RPSONX\x03"},
    {"reset_alone", "@", ""},
    {"no_reply_before_cr", "?RPS", ""},
    {"unknown", "?FOO\r", ""},
    {"lowercase_is_another_command", "?rps\r", ""},
    {"goto_without_number", "?GTOabc\r", ""},
    {"goto_empty", "?GTO\r", ""},
    {"control_line_not_answered", "!CUVE SAMPLE\r!STATS\r", ""},
    {"empty_line", "\r", ""},
};

class CommandeTest : public testing::TestWithParam<TCasCommande> {};

TEST_P(CommandeTest, ReplyBytesWholeAndBytewise) {
  const TCasCommande& cas = GetParam();
  TBanc entier, detail;
  EXPECT_EQ(entier.Envoie(cas.entree), cas.sortie);
  EXPECT_EQ(detail.Envoie(cas.entree, kT0, true), cas.sortie);
}

INSTANTIATE_TEST_SUITE_P(Protocole, CommandeTest, testing::ValuesIn(kCommandes),
                         [](const auto& info) { return std::string(info.param.nom); });

TEST(Moteur, AbsorbanceReplyHasFourDecimalsOfTheModel) {
  TBanc banc;
  const QByteArray r = banc.Envoie("?GTO260.0\r?RPTA\r");
  const double attendu = TModeleSpectre::Solvant(260);
  EXPECT_EQ(r, "\x06\x02RPTA" + QByteArray::number(attendu, 'f', 4) + "X\x03");
}

TEST(Moteur, LogLinesConcatenateToTheExactBytesReceived) {
  TBanc banc;
  banc.Envoie("@?RPS\r?GT@?FOO\r");
  const QByteArrayList attendu = {R"(RX "\x40")", R"(RX "?RPS\r")", R"(RX "?GT\x40")", R"(RX "?FOO\r")",
                                  R"(IGNORE "?FOO")"};
  EXPECT_EQ(banc.journal, attendu);
  EXPECT_EQ(banc.moteur.OctetsRecus(), 15u);
  EXPECT_EQ(banc.moteur.Commandes(), 2u);
}

TEST(Moteur, OverlongLineIsDroppedAndTheNextCommandStillWorks) {
  TBanc banc;
  EXPECT_EQ(banc.Envoie(QByteArray(300, 'Z') + "\r?RPS\r"), "\x02RPSONX\x03");
}

TEST(Moteur, CuvetteControlSwitchesTheReading) {
  TBanc banc;
  const QByteArray blanc = banc.Envoie("?GTO260\r?RPTA\r");
  const QByteArray echantillon = banc.Envoie("!CUVE SAMPLE\r?RPTA\r");
  banc.moteur.BasculeCuvette();
  EXPECT_NE(blanc.mid(1), echantillon);
  EXPECT_EQ(banc.Envoie("?RPTA\r"), blanc.mid(1));
  EXPECT_EQ(banc.moteur.Cuvette(), TCuvette::Blanc);
}

// The monochromator on a synthetic clock: 0.5 ms per nm, 100 ms of busy
// status after arrival.
class Monochromateur : public testing::Test {
 protected:
  static TSimOptions Options() {
    TSimOptions o = Rapide();
    o.rapide = false;
    o.msParNm = 0.5;
    o.busyMs = 100;
    return o;
  }
  TBanc banc{Options()};
};

TEST_F(Monochromateur, AcknowledgesOnArrivalAndStaysBusyAfterwards) {
  EXPECT_EQ(banc.Envoie("?GTO600.0\r", kT0), "");  // 100 nm: 50 ms
  EXPECT_EQ(banc.moteur.ProchaineEcheance(), kT0 + 50ms);
  EXPECT_EQ(banc.Envoie("?RPS\r", kT0 + 10ms), "\x02RPSBUSYX\x03");
  EXPECT_EQ(banc.Envoie("?RPTL\r", kT0 + 25ms), "\x02RPTL550X\x03");
  EXPECT_EQ(banc.Avance(kT0 + 49ms), "");
  EXPECT_EQ(banc.Avance(kT0 + 50ms), "\x06");
  EXPECT_EQ(banc.Avance(kT0 + 60ms), "");  // once only
  EXPECT_EQ(banc.Envoie("?RPS\r", kT0 + 149ms), "\x02RPSBUSYX\x03");
  EXPECT_EQ(banc.Envoie("?RPS\r", kT0 + 150ms), "\x02RPSONX\x03");
}

TEST_F(Monochromateur, NewTargetDuringAMoveStartsFromWhereTheMotorIs) {
  banc.Envoie("?GTO600\r", kT0);
  banc.Envoie("?GTO500\r", kT0 + 20ms);  // at 540 nm: 40 nm back, 20 ms
  EXPECT_EQ(banc.Avance(kT0 + 39ms), "");
  EXPECT_EQ(banc.Avance(kT0 + 40ms), "\x06");
  EXPECT_EQ(banc.Avance(kT0 + 60ms), "");
}

TEST_F(Monochromateur, ResetForgetsThePendingAcknowledgementButNotTheMove) {
  banc.Envoie("?GTO600\r", kT0);
  banc.Envoie("@", kT0 + 10ms);
  EXPECT_EQ(banc.annulations, 1);
  EXPECT_EQ(banc.Avance(kT0 + 100ms), "");
  EXPECT_EQ(banc.Envoie("?RPTL\r", kT0 + 100ms), "\x02RPTL600X\x03");
}

TEST_F(Monochromateur, GotoToTheCurrentWavelengthIsAcknowledgedAtOnce) {
  EXPECT_EQ(banc.Envoie("?GTO500.0\r", kT0), "\x06");
}

TEST(Moteur, FastModeHasNoMotorTime) {
  TSimOptions o = Rapide();
  o.msParNm = 1000;
  TBanc banc(o);
  EXPECT_EQ(banc.Envoie("?GTO1000\r?RPS\r"), "\x06\x02RPSONX\x03");
}

struct TCasDefaut {
  const char* nom;
  void (*regle)(TSimOptions&);
  // Checks the bytes sent for "?RPTN" twice, then "?GTO600", "?RPS".
  void (*verifie)(const QByteArray& sortie);
};

const QByteArray kNumero = "\x02RPTN12345X\x03";

bool EstImprimable(char c) {
  return c >= 33 && c <= 126;
}

const TCasDefaut kDefauts[] = {
    {"silent", [](TSimOptions& o) { o.silencieux = true; }, [](const QByteArray& s) { EXPECT_EQ(s, ""); }},
    {"no_etx", [](TSimOptions& o) { o.sansEtx = true; },
     [](const QByteArray& s) { EXPECT_EQ(s, "\x02RPTN12345X\x02RPTN12345X\x06\x02RPSONX"); }},
    {"truncate_every_2", [](TSimOptions& o) { o.tronqueTous = 2; },
     [](const QByteArray& s) {
       ASSERT_TRUE(s.startsWith(kNumero));
       const QByteArray coupee = s.mid(kNumero.size(), s.indexOf('\x06') - kNumero.size());
       EXPECT_TRUE(kNumero.startsWith(coupee) && coupee.size() < kNumero.size() - 1) << coupee.toStdString();
       EXPECT_TRUE(coupee.startsWith('\x02'));
       EXPECT_TRUE(s.endsWith("\x06\x02RPSONX\x03"));
     }},
    {"garble_always", [](TSimOptions& o) { o.probaAltere = 1; },
     [](const QByteArray& s) {
       ASSERT_EQ(s.size(), 2 * kNumero.size() + 1 + 8);
       const QByteArray r = s.left(kNumero.size());
       EXPECT_EQ(r.front(), '\x02');
       EXPECT_EQ(r.back(), '\x03');
       int differences = 0;
       for (qsizetype i = 1; i + 1 < r.size(); ++i) {
         EXPECT_TRUE(EstImprimable(r[i]));
         differences += r[i] != kNumero[i];
       }
       EXPECT_EQ(differences, 1);
       EXPECT_EQ(s[2 * kNumero.size()], '\x06');  // acknowledgements pass unchanged
     }},
};

class DefautTest : public testing::TestWithParam<TCasDefaut> {};

TEST_P(DefautTest, RepliesCarryTheFault) {
  TSimOptions o = Rapide();
  GetParam().regle(o);
  TBanc banc(o);
  GetParam().verifie(banc.Envoie("?RPTN\r?RPTN\r?GTO600\r?RPS\r"));
}

INSTANTIATE_TEST_SUITE_P(Defauts, DefautTest, testing::ValuesIn(kDefauts),
                         [](const auto& info) { return std::string(info.param.nom); });

TEST(Moteur, DisconnectsAfterTheNthCommandAndThenHearsNothing) {
  TSimOptions o = Rapide();
  o.deconnecteApres = 2;
  TBanc banc(o);
  EXPECT_EQ(banc.Envoie("?RPS\r!CUVE SAMPLE\r"), "\x02RPSONX\x03");
  EXPECT_FALSE(banc.deconnecte);  // control lines are not instrument commands
  EXPECT_EQ(banc.Envoie("?RPTV\r?RPS\r"), "\x02RPTV2.10X\x03");
  EXPECT_TRUE(banc.deconnecte);
  EXPECT_EQ(banc.moteur.Commandes(), 2u);
}

}  // namespace

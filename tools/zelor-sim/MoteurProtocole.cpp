#include "tools/zelor-sim/MoteurProtocole.h"

#include <algorithm>
#include <cmath>

#include "tools/zelor-sim/Echappement.h"
#include "tools/zelor-sim/Trame.h"

namespace {

// A command longer than any the program sends is line noise; it is dropped
// rather than letting the buffer grow without end.
constexpr qsizetype kLongueurMaxiLigne = 255;
// Mechanical stops of the monochromator: a go-to beyond them stops there.
constexpr double kCourseMiniNm = 0;
constexpr double kCourseMaxiNm = 2000;
// Readings outside these limits are reported as tokens, not numbers.
constexpr double kSousGamme = -0.3;
constexpr int kDecimalesAbsorbance = 4;
// Derives the fault generator from the reading one, so turning faults on
// does not change the readings of a seeded run.
constexpr std::uint64_t kDecalageGraineDefauts = 0x9E3779B97F4A7C15ull;

std::uint64_t GraineDe(const TSimOptions& options) {
  if (options.graine) return *options.graine;
  std::random_device source;
  return (std::uint64_t{source()} << 32) ^ source();
}

const char* NomCuvette(TCuvette c) {
  return c == TCuvette::Blanc ? "blank" : "sample";
}

}  // namespace

TMoteurProtocole::TMoteurProtocole(const TSimOptions& options)
    : TMoteurProtocole(options, GraineDe(options)) {}

TMoteurProtocole::TMoteurProtocole(const TSimOptions& options, std::uint64_t graine)
    : options_(options),
      modele_(options),
      defauts_(options, graine ^ kDecalageGraineDefauts),
      alea_(graine),
      bruit_(0.0, options.bruit > 0 ? options.bruit : 1.0),
      cuvette_(options.cuvette) {
  mouvement_.depart = mouvement_.cible = options.lambdaDepart;
}

void TMoteurProtocole::Recoit(QByteArrayView octets, TInstant maintenant) {
  for (const char c : octets) RecoitOctet(c, maintenant);
}

void TMoteurProtocole::RecoitOctet(char octet, TInstant maintenant) {
  if (deconnecte_) return;
  ++octetsRecus_;
  unite_.append(octet);
  if (octet == trame::kReset) {
    // The reset drops the partial command, what is still queued for sending
    // and the pending acknowledgement: after a reset the program expects no
    // answer to anything it sent before. The motor itself finishes its move.
    Journalise("RX", unite_);
    unite_.clear();
    ligne_.clear();
    mouvement_.ackDu = false;
    Emet(TEvenementSim::Genre::AnnuleEnvoi);
    return;
  }
  if (octet == trame::kCr) {
    Journalise("RX", unite_);
    unite_.clear();
    FinDeLigne(maintenant);
    return;
  }
  if (ligne_.size() >= kLongueurMaxiLigne) {
    Journalise("RX", unite_);
    Journalise("IGNORE", "line too long");
    unite_.clear();
    ligne_.clear();
    return;
  }
  ligne_.append(octet);
}

void TMoteurProtocole::FinDeLigne(TInstant maintenant) {
  QByteArray commande = ligne_;
  ligne_.clear();
  // A stray LF of a CR LF line end lands in front of the next command.
  qsizetype debut = 0;
  while (debut < commande.size() && static_cast<unsigned char>(commande[debut]) < 32) ++debut;
  commande.remove(0, debut);
  while (commande.endsWith(' ')) commande.chop(1);
  if (commande.isEmpty()) return;
  if (commande.startsWith('!')) {
    ExecuteControle(commande);
    return;
  }
  ++commandes_;
  Execute(commande, maintenant);
  Avance(maintenant);
  if (options_.deconnecteApres > 0 && commandes_ >= static_cast<std::uint64_t>(options_.deconnecteApres)) {
    deconnecte_ = true;
    Emet(TEvenementSim::Genre::Deconnecte);
  }
}

void TMoteurProtocole::Execute(const QByteArray& commande, TInstant maintenant) {
  if (ExecuteLecture(commande, maintenant) || ExecuteAcquittee(commande, maintenant)) return;
  Journalise("IGNORE", commande);
}

bool TMoteurProtocole::ExecuteLecture(const QByteArray& commande, TInstant maintenant) {
  QByteArray valeur;
  if (commande == "?RPS")
    valeur = Occupe(maintenant) ? "BUSY" : "ON";
  else if (commande == "?RPTN")
    valeur = options_.numero.toLatin1();
  else if (commande == "?RPTi")
    valeur = options_.nom.toLatin1();
  else if (commande == "?RPTV")
    valeur = options_.version.toLatin1();
  else if (commande == "?RPTl")
    valeur = QByteArray::number(options_.lambdaMini);
  else if (commande == "?RPTu")
    valeur = QByteArray::number(options_.lambdaMaxi);
  else if (commande == "?RPTL")
    valeur = QByteArray::number(std::lround(Position(maintenant)));
  else if (commande == "?RPTA")
    valeur = Lecture(maintenant);
  else
    return false;
  RepondTexte(commande.mid(1) + valeur);
  return true;
}

bool TMoteurProtocole::ExecuteAcquittee(const QByteArray& commande, TInstant maintenant) {
  if (commande == "?RNGnm" || commande == "?RNGA" || commande == "?RNG%T") {
    RepondAck();
    return true;
  }
  if (commande == "?AZO") {
    const auto a = modele_.Absorbance(Position(maintenant), cuvette_);
    if (a) zero_ = *a;
    RepondAck();
    return true;
  }
  if (!commande.startsWith("?GTO")) return false;
  bool ok = false;
  const double nm = commande.mid(4).trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(nm)) return false;
  AllerA(nm, maintenant);
  return true;
}

void TMoteurProtocole::ExecuteControle(const QByteArray& commande) {
  const QByteArray texte = commande.toUpper().simplified();
  if (texte == "!CUVE SAMPLE") {
    ChoisitCuvette(TCuvette::Echantillon);
  } else if (texte == "!CUVE BLANK") {
    ChoisitCuvette(TCuvette::Blanc);
  } else if (texte == "!STATS") {
    Emet(TEvenementSim::Genre::Statistiques);
    return;
  } else {
    Journalise("IGNORE", commande);
    return;
  }
  Emet(TEvenementSim::Genre::Journal, QByteArray("CUVETTE ") + NomCuvette(cuvette_));
}

void TMoteurProtocole::BasculeCuvette() {
  ChoisitCuvette(cuvette_ == TCuvette::Blanc ? TCuvette::Echantillon : TCuvette::Blanc);
  Emet(TEvenementSim::Genre::Journal, QByteArray("CUVETTE ") + NomCuvette(cuvette_));
}

void TMoteurProtocole::AllerA(double nm, TInstant maintenant) {
  const double cible = std::clamp(nm, kCourseMiniNm, kCourseMaxiNm);
  const double depart = Position(maintenant);
  const std::chrono::duration<double, std::milli> duree(std::abs(cible - depart) *
                                                        options_.MsParNmEffectif());
  mouvement_ = {depart, cible, maintenant, maintenant + std::chrono::duration_cast<THorloge::duration>(duree),
                true};
  occupeJusqua_ = mouvement_.arrivee + std::chrono::milliseconds(options_.busyMs);
}

void TMoteurProtocole::Avance(TInstant maintenant) {
  if (mouvement_.ackDu && maintenant >= mouvement_.arrivee) {
    mouvement_.ackDu = false;
    RepondAck();
  }
}

std::optional<TInstant> TMoteurProtocole::ProchaineEcheance() const {
  if (mouvement_.ackDu) return mouvement_.arrivee;
  return std::nullopt;
}

double TMoteurProtocole::Position(TInstant maintenant) const {
  if (maintenant >= mouvement_.arrivee) return mouvement_.cible;
  const double fait = std::chrono::duration<double>(maintenant - mouvement_.debut) /
                      std::chrono::duration<double>(mouvement_.arrivee - mouvement_.debut);
  return mouvement_.depart + (mouvement_.cible - mouvement_.depart) * std::clamp(fait, 0.0, 1.0);
}

bool TMoteurProtocole::Occupe(TInstant maintenant) const {
  return occupeJusqua_ && maintenant < *occupeJusqua_;
}

QByteArray TMoteurProtocole::Lecture(TInstant maintenant) {
  const auto modele = modele_.Absorbance(Position(maintenant), cuvette_);
  if (!modele) return "***";
  const double a = *modele - zero_;
  if (a < kSousGamme) return "UNDER";
  if (a > options_.surGamme) return "OVER";
  const double bruit = options_.bruit > 0 ? bruit_(alea_) : 0.0;
  return QByteArray::number(a + bruit, 'f', kDecimalesAbsorbance);
}

void TMoteurProtocole::RepondTexte(const QByteArray& corps) {
  if (options_.silencieux) return;
  QByteArray reponse;
  reponse.append(trame::kStx).append(corps).append(trame::kControle).append(trame::kEtx);
  Emet(TEvenementSim::Genre::Reponse, defauts_.Applique(std::move(reponse)));
}

void TMoteurProtocole::RepondAck() {
  if (options_.silencieux) return;
  Emet(TEvenementSim::Genre::Reponse, QByteArray(1, trame::kAck));
}

void TMoteurProtocole::Emet(TEvenementSim::Genre genre, QByteArray octets) {
  evenements_.push_back({genre, std::move(octets)});
}

void TMoteurProtocole::Journalise(const char* quoi, QByteArrayView octets) {
  Emet(TEvenementSim::Genre::Journal, QByteArray(quoi) + ' ' + EchappeOctets(octets));
}

std::vector<TEvenementSim> TMoteurProtocole::PrendEvenements() {
  std::vector<TEvenementSim> pris;
  pris.swap(evenements_);
  return pris;
}

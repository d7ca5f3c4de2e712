#include "tools/zelor-sim/Simulateur.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "tools/zelor-sim/Echappement.h"

namespace {

// Ten bits a character, the usual figure for an asynchronous line (a 7E2
// frame is in fact 11): scripts derive the pure line time from the byte
// counts with the same figure, so the two agree.
constexpr double kBitsParCaractere = 10;
// Pause between two chunks of a reply written with --chunk.
constexpr auto kPauseTranche = std::chrono::milliseconds(20);
// Without a slave of our own, a hang-up of the program's side is reported
// by poll at once; wait this long before looking again.
constexpr auto kAttenteRaccrochage = std::chrono::milliseconds(50);
constexpr size_t kTailleLecture = 4096;
// Closing the master discards what the program has not read yet, so a
// disconnection first lets the last reply be read, for at most this long.
constexpr auto kDelaiVidange = std::chrono::seconds(2);
constexpr auto kPasVidange = std::chrono::milliseconds(5);
// The kernel moves bytes written on the master into the slave's queue a
// little later; until then the queue looks empty although they are coming.
constexpr auto kDelaiAcheminement = std::chrono::milliseconds(50);

enum : char { kCodeArret = 'q', kCodeCuvette = 'c', kCodeStatistiques = 's' };

THorloge::duration DureeOctet(const TSimOptions& o) {
  if (o.rapide) return THorloge::duration::zero();
  return std::chrono::duration_cast<THorloge::duration>(
      std::chrono::duration<double>(kBitsParCaractere / o.baud));
}

timespec VersTimespec(THorloge::duration d) {
  if (d < THorloge::duration::zero()) d = THorloge::duration::zero();
  const auto s = std::chrono::duration_cast<std::chrono::seconds>(d);
  return {static_cast<time_t>(s.count()),
          static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(d - s).count())};
}

}  // namespace

TSimulateur::TSimulateur(const TSimOptions& options) : TSimulateur(options, -1) {}

TSimulateur::TSimulateur(const TSimOptions& options, int maitre)
    : options_(options), moteur_(options), maitre_(maitre), dureeOctet_(DureeOctet(options)) {
  if (pipe2(controle_, O_NONBLOCK | O_CLOEXEC) != 0) controle_[0] = controle_[1] = -1;
}

TSimulateur::~TSimulateur() {
  Stop();
  Attend();
  FermeLigne();
  for (int fd : controle_)
    if (fd >= 0) close(fd);
}

bool TSimulateur::Prepare(QString* erreur) {
  if (controle_[0] < 0) {
    *erreur = QStringLiteral("Simulateur : impossible de créer le canal de contrôle");
    return false;
  }
  if (!journal_.Ouvre(options_.journal, erreur)) return false;
  if (maitre_ >= 0) {
    // Replies must never block the loop, whoever opened the line.
    if (fcntl(maitre_, F_SETFL, fcntl(maitre_, F_GETFL) | O_NONBLOCK) == 0) return true;
    *erreur = QStringLiteral("Simulateur : descripteur de ligne inutilisable");
    return false;
  }
  if (!pty_.Ouvre(erreur)) return false;
  maitre_ = pty_.Maitre();
  return true;
}

void TSimulateur::Start() {
  fil_ = std::thread([this] { Run(); });
}

void TSimulateur::Attend() {
  if (fil_.joinable()) fil_.join();
}

void TSimulateur::Signale(char code) {
  if (controle_[1] < 0) return;
  const ssize_t n = write(controle_[1], &code, 1);
  static_cast<void>(n);  // a full pipe already holds a request
}
void TSimulateur::Stop() {
  Signale(kCodeArret);
}
void TSimulateur::BasculeCuvette() {
  Signale(kCodeCuvette);
}
void TSimulateur::DemandeStatistiques() {
  Signale(kCodeStatistiques);
}

TStatistiques TSimulateur::Statistiques() const {
  return {octetsRecus_, octetsEnvoyes_, commandes_};
}

void TSimulateur::Run() {
  derniereActivite_ = ligneLibre_ = THorloge::now();
  while (maitre_ >= 0) {
    if (!Attente(THorloge::now())) break;
    const TInstant maintenant = THorloge::now();
    LitLigne(maintenant);
    moteur_.Avance(maintenant);
    TraiteEvenements(maintenant);
    Envoie(THorloge::now());
    if (deconnexion_ && file_.empty()) {
      LaisseLire();
      journal_.Ecrit("DISCONNECT");
      FermeLigne();
    } else if (Inactif(maintenant)) {
      journal_.Ecrit("IDLE");
      break;
    }
  }
  EcritStatistiques();
}

// Waits for the line, the control pipe or the next due time. Returns false
// when asked to stop.
bool TSimulateur::Attente(TInstant maintenant) {
  std::optional<TInstant> echeance = moteur_.ProchaineEcheance();
  const auto retient = [&echeance](TInstant t) { echeance = echeance ? std::min(*echeance, t) : t; };
  if (!file_.empty() && !ecritureBloquee_) {
    TInstant prochainOctet;
    retient(OctetsAEcrire(maintenant, &prochainOctet) > 0 ? maintenant : prochainOctet);
  }
  if (options_.sortieSiInactif > 0)
    retient(derniereActivite_ + std::chrono::duration_cast<THorloge::duration>(
                                    std::chrono::duration<double>(options_.sortieSiInactif)));

  pollfd fds[2] = {{controle_[0], POLLIN, 0}, {maitre_, POLLIN, 0}};
  if (ecritureBloquee_) fds[1].events |= POLLOUT;
  const timespec delai = VersTimespec(echeance ? *echeance - maintenant : THorloge::duration::zero());
  if (ppoll(fds, 2, echeance ? &delai : nullptr, nullptr) < 0 && errno != EINTR) return false;
  if (fds[1].revents & POLLOUT) ecritureBloquee_ = false;
  if ((fds[1].revents & POLLHUP) && !(fds[1].revents & POLLIN)) {
    const timespec pause = VersTimespec(kAttenteRaccrochage);
    ppoll(fds, 1, &pause, nullptr);
  }
  return LitControles();
}

bool TSimulateur::LitControles() {
  char codes[64];
  ssize_t n;
  bool continuer = true;
  while ((n = read(controle_[0], codes, sizeof codes)) > 0) {
    for (ssize_t i = 0; i < n; ++i) {
      if (codes[i] == kCodeArret) continuer = false;
      if (codes[i] == kCodeCuvette) moteur_.BasculeCuvette();
      if (codes[i] == kCodeStatistiques) EcritStatistiques();
    }
  }
  return continuer;
}

void TSimulateur::LitLigne(TInstant maintenant) {
  char tampon[kTailleLecture];
  ssize_t n;
  while (maitre_ >= 0 && (n = read(maitre_, tampon, sizeof tampon)) > 0) {
    moteur_.Recoit(QByteArrayView(tampon, n), maintenant);
    derniereActivite_ = maintenant;
    octetsRecus_ = moteur_.OctetsRecus();
    commandes_ = moteur_.Commandes();
  }
}

void TSimulateur::TraiteEvenements(TInstant maintenant) {
  for (TEvenementSim& e : moteur_.PrendEvenements()) {
    switch (e.genre) {
      case TEvenementSim::Genre::Reponse:
        if (file_.empty()) ligneLibre_ = std::max(ligneLibre_, maintenant);
        file_.push_back({std::move(e.octets)});
        break;
      case TEvenementSim::Genre::Journal:
        journal_.Ecrit(e.octets);
        break;
      case TEvenementSim::Genre::AnnuleEnvoi:
        if (!file_.empty() && file_.front().envoyes > 0) FinEnvoi(" cut by reset");
        file_.clear();
        break;
      case TEvenementSim::Genre::Statistiques:
        EcritStatistiques();
        break;
      case TEvenementSim::Genre::Deconnecte:
        deconnexion_ = true;
        break;
    }
  }
}

// How many bytes of the front reply may go out now; when none, *prochain
// tells when they may.
qsizetype TSimulateur::OctetsAEcrire(TInstant maintenant, TInstant* prochain) const {
  const TEnvoi& e = file_.front();
  const qsizetype reste = e.octets.size() - e.envoyes;
  const qsizetype bloc = options_.tranche > 0 ? std::min<qsizetype>(options_.tranche, reste) : reste;
  if (dureeOctet_ == THorloge::duration::zero()) {
    *prochain = ligneLibre_;
    return maintenant >= ligneLibre_ ? bloc : 0;
  }
  // A byte reaches the program once its whole frame has been on the line.
  const qsizetype dus = maintenant < ligneLibre_ ? 0 : (maintenant - ligneLibre_) / dureeOctet_;
  const qsizetype minimum = options_.tranche > 0 ? bloc : 1;
  *prochain = ligneLibre_ + dureeOctet_ * minimum;
  return dus >= minimum ? std::min(dus, bloc) : 0;
}

void TSimulateur::Envoie(TInstant maintenant) {
  while (maitre_ >= 0 && !file_.empty() && !ecritureBloquee_) {
    TInstant prochain;
    const qsizetype n = OctetsAEcrire(maintenant, &prochain);
    if (n == 0) return;
    TEnvoi& e = file_.front();
    const ssize_t ecrits = write(maitre_, e.octets.constData() + e.envoyes, static_cast<size_t>(n));
    if (ecrits <= 0) {
      ecritureBloquee_ = true;
      return;
    }
    e.envoyes += ecrits;
    octetsEnvoyes_ += static_cast<std::uint64_t>(ecrits);
    ligneLibre_ = std::max(ligneLibre_, maintenant - dureeOctet_ * ecrits) + dureeOctet_ * ecrits;
    if (options_.tranche > 0) ligneLibre_ = std::max(ligneLibre_, maintenant) + kPauseTranche;
    if (e.envoyes == e.octets.size()) FinEnvoi("");
  }
}

void TSimulateur::FinEnvoi(const char* suffixe) {
  const TEnvoi& e = file_.front();
  journal_.Ecrit("TX " + EchappeOctets(QByteArrayView(e.octets).first(e.envoyes)) + suffixe);
  file_.pop_front();
}

bool TSimulateur::Inactif(TInstant maintenant) const {
  if (options_.sortieSiInactif <= 0 || !file_.empty() || moteur_.ProchaineEcheance()) return false;
  return std::chrono::duration<double>(maintenant - derniereActivite_).count() >= options_.sortieSiInactif;
}

void TSimulateur::LaisseLire() {
  const TInstant debut = THorloge::now();
  const timespec pas = VersTimespec(kPasVidange);
  bool vus = false;
  for (TInstant t = debut; t < debut + kDelaiVidange; t = THorloge::now()) {
    if (pty_.EnAttenteDeLecture() > 0)
      vus = true;
    else if (vus || t >= debut + kDelaiAcheminement)
      return;
    nanosleep(&pas, nullptr);
  }
}

void TSimulateur::FermeLigne() {
  if (maitre_ < 0) return;
  if (maitre_ == pty_.Maitre())
    pty_.Ferme();
  else
    close(maitre_);
  maitre_ = -1;
  ligneFermee_ = true;
}

void TSimulateur::EcritStatistiques() {
  journal_.Ecrit(QByteArray("bytes_in ") + QByteArray::number(octetsRecus_.load()) + " bytes_out " +
                 QByteArray::number(octetsEnvoyes_.load()) + " commands " +
                 QByteArray::number(commandes_.load()));
}

#include "instrument/Protocole.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "app/Labutil.h"
#include "instrument/Cfgspect.h"
#include "platform/SaisieRetenue.h"
#include "serial/ComPort.h"

namespace {

constexpr std::uint8_t PremierImprimable = 32;

void AjouteImprimable(std::string& texte, char c, std::size_t capacite) {
  if (static_cast<std::uint8_t>(c) >= PremierImprimable && texte.size() < capacite) texte.push_back(c);
}

// The text after the first `marque`, or the whole text when there is none.
std::string Apres(const std::string& texte, char marque) {
  const std::size_t position = texte.find(marque);
  return position == std::string::npos ? texte : texte.substr(position + 1);
}

// While an exchange runs its reply must not reach the asynchronous buffer:
// the avail handler is taken off the port and put back however it ends.
class TAvailDetache {
 public:
  explicit TAvailDetache(TCustomComPort& voie) : voie_(voie), sauve_(voie.OnTriggerAvail()) {
    voie_.SetOnTriggerAvail(nullptr);
  }
  ~TAvailDetache() { voie_.SetOnTriggerAvail(sauve_); }
  TAvailDetache(const TAvailDetache&) = delete;
  TAvailDetache& operator=(const TAvailDetache&) = delete;

 private:
  TCustomComPort& voie_;
  TCustomComPort::TTriggerAvailEvent sauve_;
};

class TDrapeau {
 public:
  explicit TDrapeau(bool& drapeau) : drapeau_(drapeau) { drapeau_ = true; }
  ~TDrapeau() { drapeau_ = false; }
  TDrapeau(const TDrapeau&) = delete;
  TDrapeau& operator=(const TDrapeau&) = delete;

 private:
  bool& drapeau_;
};

}  // namespace

EEchangeEnCours::EEchangeEnCours()
    : ESerialError("Une autre demande attend encore la réponse du spectrophotomètre") {}

TProtocole::TProtocole(TCustomComPort& voie, Tspectro& spectro) : voie_(voie), spectro_(spectro) {}

void TProtocole::Envoie(const std::string& ligne) {
  voie_.WriteString(ligne + static_cast<char>(spectro_.FinCommande));
}

void TProtocole::RefuseSiEchangeEnCours() {
  if (!echangeEnCours_) return;
  LiaisonOk = false;
  throw EEchangeEnCours();
}

void TProtocole::AvantCommande() {
  // Checked first: a reset now would drop the reply being waited for.
  RefuseSiEchangeEnCours();
  if (!LiaisonOk) ResetLiaison();
}

void TProtocole::ResetLiaison() {
  // What is still queued is dropped first, then the reset byte goes out
  // alone: dropping the output after it could take the reset byte along
  // before the instrument has seen it.
  voie_.DiscardOutput();
  voie_.WriteString(std::string(1, static_cast<char>(spectro_.Reset)));
  voie_.Drain(DelaiEnvoiReset);
  voie_.DiscardInput();
  LiaisonOk = true;
}

std::string TProtocole::Echange(const std::string& commande, std::uint8_t terminateur, std::uint16_t limite) {
  RefuseSiEchangeEnCours();
  TDrapeau enCours(echangeEnCours_);
  std::string reponse;
  std::uint8_t dernier = 0;
  {
    const TSaisieRetenue retenue;
    TAvailDetache detache(voie_);
    voie_.DiscardInput();
    Envoie(commande);
    const auto echeance = std::chrono::steady_clock::now() + DureeTick * TicksParUnite * limite;
    for (;;) {
      if (voie_.InputReady()) {
        const char c = voie_.ReadChar();
        dernier = static_cast<std::uint8_t>(c);
        AjouteImprimable(reponse, c, LongueurReponse);
      } else {
        voie_.WaitForInput(echeance);
      }
      if (dernier == terminateur) break;
      if (std::chrono::steady_clock::now() >= echeance) break;
    }
    LiaisonOk = dernier == terminateur;
  }
  return TrimReponse(reponse);
}

std::string TProtocole::TrimReponse(const std::string& reponse) const {
  const std::size_t debut = static_cast<std::size_t>(std::max(spectro_.DebutReponse, 1));
  if (debut >= reponse.size()) return reponse;
  return reponse.substr(debut - 1, reponse.size() - debut);
}

std::string TProtocole::LitTexte(const std::string& commande) {
  AvantCommande();
  return Echange(commande, spectro_.FinMessage, spectro_.TimeOutTxt);
}

double TProtocole::LitValeur(const std::string& commande) {
  return spectro_.ExtraitNombre(LitTexte(commande));
}

bool TProtocole::SpectroPret() {
  const std::string reponse = LitTexte(spectro_.Status);
  return !reponse.empty() && reponse.find("ON") != std::string::npos;
}

std::string TProtocole::CommandeLambda(int lambda) const {
  char tampon[64];
  const int decimales = std::clamp(spectro_.NbreDecimales, 0, 18);
  const auto [fin, erreur] = std::to_chars(tampon, tampon + sizeof tampon, static_cast<double>(lambda),
                                           std::chars_format::fixed, decimales);
  return spectro_.SetL + std::string(tampon, erreur == std::errc() ? fin : tampon);
}

void TProtocole::EnvoieLambda(int lambda) {
  AvantCommande();
  Reponse.clear();
  Envoie(CommandeLambda(lambda));
}

void TProtocole::DemandeAbs() {
  AvantCommande();
  Reponse.clear();
  Envoie(spectro_.GetAbs);
}

void TProtocole::EnvoieCommande(const std::string& commande) {
  AvantCommande();
  Echange(commande, spectro_.AckCommande, spectro_.TimeOutCtrl);
}

void TProtocole::TriggerAvail(TCustomComPort& voie, std::uint16_t count) {
  for (std::uint16_t i = 0; i < count && voie.InputReady(); ++i) {
    AjouteImprimable(Reponse, voie.ReadChar(), LongueurReponse);
  }
}

void TProtocole::ConfigureVoie() {
  voie_.SetBaud(spectro_.Baud);
  voie_.SetComNumber(spectro_.Com);
  voie_.SetDataBits(spectro_.DataBits);
  voie_.SetStopBits(spectro_.StopBits);
  voie_.SetParity(static_cast<TParity>(spectro_.Parity));
  voie_.SetSWFlowOptions(spectro_.XonXoff ? swfBoth : swfNone);
  voie_.SetHWFlowOptions(spectro_.RTS ? hwfUseDTR | hwfUseRTS | hwfRequireDSR | hwfRequireCTS : 0);
}

TProtocole::TIdentification TProtocole::Identifie() {
  TIdentification identification;
  ConfigureVoie();
  voie_.SetOpen(true);
  LitTexte(
      CoupeChaine(std::string(1, static_cast<char>(spectro_.Reset)) + spectro_.Status, LongueurLigneStatut));
  if (!LiaisonOk) return identification;

  // Each request goes on even when the previous one timed out: it then
  // starts with a reset, and an unreadable value falls back below.
  const std::string numero = Apres(LitTexte(spectro_.GetNumero), 'N');
  const std::string nom = Apres(LitTexte(spectro_.GetNom), 'i');
  const std::string version = Apres(LitTexte(spectro_.GetVersion), 'V');
  identification.titre = CoupeChaine(nom + "N\xb0" + numero + "  Version:" + version, LongueurChaine);
  identification.nom = nom;
  identification.numero = numero;
  identification.version = version;
  spectro_.MiniL = std::clamp(ArrondiEntier(LitValeur(spectro_.GetLmini)), LambdaMiniAppareil, LambdaMiniLue);
  spectro_.MaxiL = ArrondiEntier(LitValeur(spectro_.GetLmaxi));
  if (spectro_.MaxiL <= spectro_.MiniL) spectro_.MaxiL = spectro_.MiniL + EtendueParDefaut;
  identification.trouve = true;
  return identification;
}

// Where a point-by-point procedure stands. Trigger events are accepted only in
// the waiting state they belong to, so a stray byte or a late answer after
// Stop, Cancel or close changes nothing.
#pragma once

enum class TEtatMesure {
  Pret,           // dialog shown, nothing started
  AttenteAck,     // go-to-wavelength sent
  AttenteMesure,  // absorbance requested
  Fini,           // last point taken or stopped
  Abandonne       // cancelled
};

inline bool EnCours(TEtatMesure etat) {
  return etat == TEtatMesure::AttenteAck || etat == TEtatMesure::AttenteMesure;
}

// What the measurement procedures ask of the instrument link, the serial port
// and the main window. The main window implements it; tests give a scripted
// instrument. The procedures never touch a widget or the port directly, so
// their rules can be exercised without a screen or a serial line.
#pragma once

#include <cstdint>
#include <string>

// Handle of a one-byte data trigger of the port; 0 means "no trigger".
using THandle = std::uint16_t;

// Drawing mode of the graph, with the values the graph stores (scoped, so it
// sits beside the graph's own enumeration without a clash).
enum class TModeTrace : std::uint8_t { mtRien = 0, mtCourbe = 1, mtPoints = 2 };

class TPilote {
 public:
  virtual ~TPilote() = default;

  // Instrument link (synchronous requests block, the others return at once).
  virtual double LitValeur(const std::string& commande) = 0;
  virtual void EnvoieLambda(int lambda) = 0;
  virtual void DemandeAbs() = 0;
  virtual void EnvoieCommande(const std::string& commande) = 0;
  // Printable part of the last asynchronous reply.
  virtual std::string Reponse() const = 0;
  // Decodes an absorbance reply; true only for a real reading.
  virtual bool DecodeMesure(const std::string& reponse, double& valeur) const = 0;

  // Serial port data triggers.
  virtual void DiscardInput() = 0;
  virtual THandle AddMatchTrigger(char octet) = 0;
  virtual void DeleteTrigger(THandle handle) = 0;

  // Main window and graph.
  virtual void FixePanelLambda(const std::string& texte) = 0;
  virtual void FixePanelAbs(const std::string& texte) = 0;
  virtual void DessinePoint(int slot) = 0;
  virtual TModeTrace LitModeTrace() const = 0;
  virtual void FixeModeTrace(TModeTrace mode) = 0;
  virtual void FixeBlancFait(bool fait) = 0;

  // Dialog: text of the parameter value box, and closing with a result.
  virtual std::string EditValeur() const = 0;
  virtual void FermeDialogue(bool ok) = 0;
};

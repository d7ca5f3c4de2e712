// Progress of a baseline or a scan on standard error: on a terminal one line
// redrawn in place with the wavelength reached and the last absorbance;
// otherwise (a log file, a pipe) one line each time another tenth of the
// range is covered.
#pragma once

#include <QString>

#include <cstdio>

class TProgression {
 public:
  TProgression(std::FILE* flux, bool terminal, bool silencieux)
      : flux_(flux), terminal_(terminal), silencieux_(silencieux) {}

  // A run over debut..fin nm (in either direction, from `depart`).
  void Debut(const QString& titre, int debut, int fin, int depart);
  // A reading taken at `lambda`; `absorbance` as the window's panel shows it.
  void Point(int lambda, const QString& absorbance);
  // Ends the line drawn in place.
  void Fin();

 private:
  int Pourcentage(int lambda) const;
  void Ecrit(const QString& ligne);

  std::FILE* flux_;
  bool terminal_;
  bool silencieux_;
  QString titre_;
  int debut_ = 0;
  int fin_ = 0;
  int depart_ = 0;
  int dixiemes_ = 0;  // tenths already told (lines mode)
  bool ligneOuverte_ = false;
};

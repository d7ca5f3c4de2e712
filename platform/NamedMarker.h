// A presence marker that vanishes with its process: an abstract-namespace Unix
// socket whose name is derived from the marker name and the user id, so no
// file is ever left behind by a crash. ZELOR_MARKER_NAMESPACE, when set, is
// mixed into the derived name, so that independent test runs do not see each
// other's markers.
#pragma once

#include <QString>

class NamedMarker {
 public:
  enum class Etat { DejaPresent, CreeMaintenant, Echec };

  NamedMarker() = default;
  ~NamedMarker();
  NamedMarker(const NamedMarker&) = delete;
  NamedMarker& operator=(const NamedMarker&) = delete;

  // Looks for the marker `nom` and creates it when absent. Once created, it is
  // held until this object is destroyed or the process ends.
  Etat CreateOrOpen(const QString& nom);
  bool Detenu() const { return fd_ >= 0; }
  void Libere();

  // The name in the abstract namespace (without its leading NUL byte).
  static QByteArray NomAbstrait(const QString& nom);

 private:
  int fd_ = -1;
};

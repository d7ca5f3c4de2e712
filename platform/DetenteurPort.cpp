#include "platform/DetenteurPort.h"

#include "platform/DeviceMap.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <sstream>

namespace {

// "maj:min:inode" as the lock table writes it: major and minor numbers of
// the file system in hexadecimal, the inode in decimal.
std::string CleFichier(const struct stat& etat) {
  std::ostringstream cle;
  cle << std::hex << major(etat.st_dev) << ':' << minor(etat.st_dev) << ':' << std::dec << etat.st_ino;
  return cle.str();
}

// The same key with the numbers read back, so "00:19:6" and "0:19:6" agree.
std::string CleNormalisee(const std::string& texte) {
  unsigned maj = 0;
  unsigned min = 0;
  unsigned long inode = 0;
  char sep1 = 0;
  char sep2 = 0;
  std::istringstream lu(texte);
  lu >> std::hex >> maj >> sep1 >> min >> sep2 >> std::dec >> inode;
  if (!lu || sep1 != ':' || sep2 != ':') return {};
  std::ostringstream cle;
  cle << std::hex << maj << ':' << min << ':' << std::dec << inode;
  return cle.str();
}

std::string NomProgramme(int pid, const std::string& dossierProc) {
  // argv[0] gives the whole name; the kernel's short name cuts it at 15.
  std::ifstream ligne(dossierProc + "/" + std::to_string(pid) + "/cmdline");
  std::string argv0;
  std::getline(ligne, argv0, '\0');
  if (argv0.empty()) {
    std::ifstream court(dossierProc + "/" + std::to_string(pid) + "/comm");
    std::getline(court, argv0);
  }
  const auto barre = argv0.rfind('/');
  return barre == std::string::npos ? argv0 : argv0.substr(barre + 1);
}

}  // namespace

std::optional<TDetenteurPort> DetenteurPort(const std::string& chemin, const std::string& tableVerrous,
                                            const std::string& dossierProc) {
  struct stat etat {};
  if (::stat(chemin.c_str(), &etat) != 0) return std::nullopt;
  const std::string cle = CleFichier(etat);
  std::ifstream table(tableVerrous);
  std::string ligne;
  while (std::getline(table, ligne)) {
    // "1: FLOCK  ADVISORY  WRITE 2195 00:19:6 0 EOF"; a waiting request
    // reads "1: -> FLOCK ..." and holds nothing.
    std::istringstream champs(ligne);
    std::string numero, genre, mode, acces, fichier;
    int pid = 0;
    champs >> numero >> genre;
    if (genre == "->") continue;
    champs >> mode >> acces >> pid >> fichier;
    if (!champs || CleNormalisee(fichier) != cle) continue;
    return TDetenteurPort{pid, NomProgramme(pid, dossierProc)};
  }
  return std::nullopt;
}

std::string MessagePortTenu(int n) {
  const std::optional<std::string> chemin = DevicePathFor(n);
  const std::string port = DeviceLabel(n) + (chemin ? " (" + *chemin + ")" : std::string());
  const std::optional<TDetenteurPort> detenteur = chemin ? DetenteurPort(*chemin) : std::nullopt;
  if (!detenteur) return port + " est déjà utilisé par un autre programme";
  return port + " est déjà utilisé par " + detenteur->programme + " (pid " + std::to_string(detenteur->pid) +
         ") : fermer ce programme puis recommencer";
}

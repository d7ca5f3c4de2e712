#include "platform/IniFile.h"

#include <QFile>
#include <QSaveFile>

#include <charconv>
#include <limits>

namespace {

constexpr std::string_view Blancs = " \t";
constexpr std::string_view MarqueUtf8 = "\xEF\xBB\xBF";

std::string_view Rogne(std::string_view t) {
  const auto debut = t.find_first_not_of(Blancs);
  if (debut == std::string_view::npos) return {};
  const auto fin = t.find_last_not_of(Blancs);
  return t.substr(debut, fin - debut + 1);
}

char Minuscule(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool EgalSansCasse(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Minuscule(a[i]) != Minuscule(b[i])) return false;
  }
  return true;
}

// A line break inside a name or a value would split it into lines of its own
// and could forge keys: such characters become blanks.
std::string SansSautDeLigne(std::string_view t) {
  std::string r(t);
  for (char& c : r) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return r;
}

bool EstCommentaire(std::string_view rogne) {
  return !rogne.empty() && rogne.front() == ';';
}

// Name of the section opened by this line, if it is a section header.
std::optional<std::string_view> NomSection(std::string_view texte) {
  if (texte.starts_with(MarqueUtf8)) texte.remove_prefix(MarqueUtf8.size());
  const auto t = Rogne(texte);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const auto fin = t.find(']');
  return Rogne(t.substr(1, fin == std::string_view::npos ? std::string_view::npos : fin - 1));
}

// Key name of a "key=value" line; nullopt for comments and other lines.
std::optional<std::string_view> NomCle(std::string_view texte) {
  const auto t = Rogne(texte);
  if (EstCommentaire(t)) return std::nullopt;
  const auto egal = t.find('=');
  if (egal == std::string_view::npos) return std::nullopt;
  const auto nom = Rogne(t.substr(0, egal));
  if (nom.empty()) return std::nullopt;
  return nom;
}

std::string_view ValeurDe(std::string_view texte) {
  auto v = Rogne(texte.substr(texte.find('=') + 1));
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return v;
}

}  // namespace

std::optional<std::int32_t> LitEntierIni(std::string_view texte) {
  auto t = Rogne(texte);
  bool negatif = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negatif = t.front() == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (t.starts_with("0x") || t.starts_with("0X")) {
    base = 16;
    t.remove_prefix(2);
  } else if (t.starts_with('$')) {
    base = 16;
    t.remove_prefix(1);
  }
  if (t.empty()) return std::nullopt;
  std::int64_t valeur = 0;
  const auto [fin, erreur] = std::from_chars(t.data(), t.data() + t.size(), valeur, base);
  if (erreur != std::errc() || fin != t.data() + t.size() || valeur < 0) return std::nullopt;
  if (negatif) valeur = -valeur;
  if (valeur < std::numeric_limits<std::int32_t>::min() ||
      valeur > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(valeur);
}

bool IniFile::Load(const QString& chemin) {
  QFile fichier(chemin);
  if (!fichier.open(QIODevice::ReadOnly)) {
    Parse({});
    return false;
  }
  Parse(fichier.readAll());
  return fichier.error() == QFileDevice::NoError;
}

void IniFile::Parse(const QByteArray& contenu) {
  lignes_.clear();
  finDeLigne_ = "\r\n";
  bool styleConnu = false;
  qsizetype debut = 0;
  while (debut < contenu.size()) {
    const qsizetype saut = contenu.indexOf('\n', debut);
    if (saut < 0) {
      lignes_.push_back({contenu.mid(debut).toStdString(), {}});
      break;
    }
    const bool crlf = saut > debut && contenu[saut - 1] == '\r';
    const qsizetype finTexte = crlf ? saut - 1 : saut;
    lignes_.push_back({contenu.mid(debut, finTexte - debut).toStdString(), crlf ? "\r\n" : "\n"});
    if (!styleConnu) {
      finDeLigne_ = lignes_.back().fin;
      styleConnu = true;
    }
    debut = saut + 1;
  }
}

QByteArray IniFile::Text() const {
  QByteArray texte;
  for (const auto& ligne : lignes_) {
    texte.append(ligne.texte.data(), qsizetype(ligne.texte.size()));
    texte.append(ligne.fin);
  }
  return texte;
}

bool IniFile::Save(const QString& chemin) const {
  QSaveFile fichier(chemin);
  // Unbuffered: an error met while flushing a buffer at commit() would not
  // fail the commit, and a cut file would replace the good one.
  if (!fichier.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  const QByteArray texte = Text();
  if (fichier.write(texte) != texte.size()) {
    fichier.cancelWriting();
    fichier.commit();  // removes the temporary file
    return false;
  }
  return fichier.commit();
}

std::optional<size_t> IniFile::TrouveSection(std::string_view section) const {
  for (size_t i = 0; i < lignes_.size(); ++i) {
    const auto nom = NomSection(lignes_[i].texte);
    if (nom && EgalSansCasse(*nom, section)) return i;
  }
  return std::nullopt;
}

size_t IniFile::FinSection(size_t entete) const {
  size_t i = entete + 1;
  while (i < lignes_.size() && !NomSection(lignes_[i].texte)) ++i;
  return i;
}

std::optional<size_t> IniFile::TrouveCle(size_t entete, std::string_view cle) const {
  const size_t fin = FinSection(entete);
  for (size_t i = entete + 1; i < fin; ++i) {
    const auto nom = NomCle(lignes_[i].texte);
    if (nom && EgalSansCasse(*nom, cle)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniFile::ReadString(std::string_view section, std::string_view cle) const {
  const auto entete = TrouveSection(section);
  if (!entete) return std::nullopt;
  const auto ligne = TrouveCle(*entete, cle);
  if (!ligne) return std::nullopt;
  return std::string(ValeurDe(lignes_[*ligne].texte));
}

std::string IniFile::ReadString(std::string_view section, std::string_view cle,
                                std::string_view defaut) const {
  return ReadString(section, cle).value_or(std::string(defaut));
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view cle, std::int32_t defaut) const {
  const auto texte = ReadString(section, cle);
  if (!texte) return defaut;
  return LitEntierIni(*texte).value_or(defaut);
}

void IniFile::Insere(size_t position, std::string texte) {
  if (position > 0 && lignes_[position - 1].fin.isEmpty()) lignes_[position - 1].fin = finDeLigne_;
  lignes_.insert(lignes_.begin() + std::ptrdiff_t(position), Ligne{std::move(texte), finDeLigne_});
}

void IniFile::WriteString(std::string_view section, std::string_view cle, std::string_view valeur) {
  const std::string v = SansSautDeLigne(valeur);
  const std::string ligneCle = SansSautDeLigne(cle) + "=" + v;
  const auto entete = TrouveSection(section);
  if (!entete) {
    Insere(lignes_.size(), "[" + SansSautDeLigne(section) + "]");
    Insere(lignes_.size(), ligneCle);
    return;
  }
  if (const auto ligne = TrouveCle(*entete, cle)) {
    // Keep the key as it is spelled and spaced; only the value changes.
    std::string& texte = lignes_[*ligne].texte;
    const auto apresEgal = texte.find('=') + 1;
    const auto debutValeur = texte.find_first_not_of(Blancs, apresEgal);
    texte.resize(debutValeur == std::string::npos ? apresEgal : debutValeur);
    texte += v;
    return;
  }
  // A new key goes after the section's last key, before the blank lines and
  // comments that usually introduce the next section.
  size_t position = *entete + 1;
  const size_t fin = FinSection(*entete);
  for (size_t i = *entete + 1; i < fin; ++i) {
    if (NomCle(lignes_[i].texte)) position = i + 1;
  }
  Insere(position, ligneCle);
}

void IniFile::WriteInteger(std::string_view section, std::string_view cle, std::int64_t valeur) {
  WriteString(section, cle, std::to_string(valeur));
}

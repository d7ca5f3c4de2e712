// An INI file held in memory, read and written the way the Windows profile
// functions do it, so files shared with programs on that system stay
// compatible: section and key names match without regard to case, a written
// value replaces the old one where it stands, and every line the program does
// not write (comments, blank lines, unknown sections and keys) is kept byte
// for byte, line endings included.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
 public:
  // Loads a file; a missing or unreadable file leaves an empty one (and
  // returns false), as the profile functions treat it.
  bool Load(const QString& chemin);
  void Parse(const QByteArray& contenu);
  QByteArray Text() const;

  // Writes the whole text through a temporary file in the same folder that
  // is renamed over the old one: on any failure the previous file stays as
  // it was and nothing half-written is left behind.
  bool Save(const QString& chemin) const;

  // The value of a key, blanks around it removed; nullopt when the section
  // or the key is missing.
  std::optional<std::string> ReadString(std::string_view section, std::string_view cle) const;
  std::string ReadString(std::string_view section, std::string_view cle, std::string_view defaut) const;

  // Decimal, or hexadecimal after "0x", "0X" or "$", with an optional sign.
  // A missing key, a text that is not such an integer, or a value outside the
  // 32-bit signed range gives the default.
  std::int32_t ReadInteger(std::string_view section, std::string_view cle, std::int32_t defaut) const;

  void WriteString(std::string_view section, std::string_view cle, std::string_view valeur);
  void WriteInteger(std::string_view section, std::string_view cle, std::int64_t valeur);

  // "\r\n" or "\n": the style of the file's first line ending, "\r\n" for a
  // new file.
  const QByteArray& LineEnding() const { return finDeLigne_; }

 private:
  struct Ligne {
    std::string texte;  // without its line ending
    QByteArray fin;     // "\r\n", "\n" or empty for a last line without one
  };

  std::optional<size_t> TrouveSection(std::string_view section) const;
  size_t FinSection(size_t entete) const;
  std::optional<size_t> TrouveCle(size_t entete, std::string_view cle) const;
  void Insere(size_t position, std::string texte);

  std::vector<Ligne> lignes_;
  QByteArray finDeLigne_ = "\r\n";
};

// Integer text as the profile functions read it (see ReadInteger).
std::optional<std::int32_t> LitEntierIni(std::string_view texte);

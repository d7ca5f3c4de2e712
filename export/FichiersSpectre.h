// Saving and opening spectrum files: the format from the file's name or its
// content, the size and text checks before any parsing, and writes through a
// temporary file renamed over the target, so that no half-written file is
// ever left.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "export/FichierSpectre.h"
#include "export/TexteSpectre.h"

enum class FormatSpectre { Jcamp, Csv, Texte };

// A file larger than this is not read.
inline constexpr qint64 kTailleMaxFichierSpectre = 16 * 1024 * 1024;

// ".jdx", ".dx", ".jcm" (JCAMP-DX), ".csv", ".txt", whatever the case.
std::optional<FormatSpectre> FormatDuNom(const QString& chemin);
// The usual suffix of a format, with its dot.
QString SuffixeFormat(FormatSpectre format);

// The file's bytes; empty for an empty spectrum.
QByteArray ContenuSpectre(const TFichierSpectre& s, FormatSpectre format, const TContexteExport& contexte);

// Writes `contenu` through a temporary file in the same folder, renamed over
// `chemin` once complete. On failure the old file stays as it was and
// `erreur` says why (French).
bool EcritFichierAtomique(const QString& chemin, const QByteArray& contenu, QString& erreur);

// ContenuSpectre then EcritFichierAtomique; an empty spectrum is refused.
bool EnregistreSpectre(const QString& chemin, const TFichierSpectre& s, FormatSpectre format,
                       const TContexteExport& contexte, QString& erreur);

// Reads the bytes of a file. The content decides the format (a JCAMP-DX
// header, the export text's second line); `indice` (from the name) decides
// between the rest. Empty and binary texts are refused.
TLectureSpectre LitSpectre(const QByteArray& contenu, std::optional<FormatSpectre> indice);

// Reads the file at `chemin` (at most kTailleMaxFichierSpectre bytes).
TLectureSpectre OuvreSpectre(const QString& chemin);

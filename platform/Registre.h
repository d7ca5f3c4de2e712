// Stand-in for the values the program reads from the user's registry hive
// (HKEY_CURRENT_USER). They live in a small INI file:
// ${XDG_CONFIG_HOME:-~/.config}/zelor/registre.ini, or the file named by
// ZELOR_REGISTRY_FILE. A key path such as "Software\Mesurial\Mesurial" and a
// value name such as "Path" address one string.
#pragma once

#include <QString>

QString FichierRegistre();

// The string value, or "" when the key, the value or the file is missing, or
// when the value is not a single string.
QString LitValeurRegistre(const QString& cle, const QString& valeur);

// False when the file could not be written.
bool EcritValeurRegistre(const QString& cle, const QString& valeur, const QString& texte);

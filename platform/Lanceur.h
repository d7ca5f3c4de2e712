// Starts a program from a command line, detached, without a shell.
//
// A command line that is the absolute path of an existing file starts that
// file as it stands (spaces and all, no arguments). Otherwise the line is split
// into a program and its arguments, and the program runs only when it is an
// absolute path or is found on PATH: never from the current folder.
#pragma once

#include <QString>
#include <QStringList>

// True when the program was started (what the system's ">= 32" answer means).
bool LanceCommande(const QString& ligne);

// The program LanceCommande would start with its arguments; empty program
// when none qualifies.
struct CommandeResolue {
  QString programme;
  QStringList arguments;
};
CommandeResolue ResoudCommande(const QString& ligne);

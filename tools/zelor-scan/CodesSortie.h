// The exit codes of zelor-scan, which scripts test (docs/zelor-scan.md).
#pragma once

enum CodeSortie : int {
  kTermine = 0,          // done
  kIntrouvable = 1,      // instrument not found, busy, or its port held by another program
  kLigneIncorrecte = 2,  // bad command line, range outside the instrument's, no baseline
  kLiaisonPerdue = 3,    // the instrument stopped answering or the line went away
  kFichierNonEcrit = 4,  // the spectrum file or the configuration could not be written
  kArrete = 5            // stopped by the user (Ctrl+C)
};

// The message function of the real program: modal boxes with one OK button,
// information under the application's title, errors under "Erreur".
#pragma once

#include "export/TFormDDE.h"

TFormDDE::AfficheMessage BoiteMessage();

// Name of the application object's property that holds the application title.
inline constexpr char ProprieteTitreApplication[] = "titreApplication";

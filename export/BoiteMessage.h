// The message function of the real program: modal boxes with one OK button,
// information under the application's title, errors under "Erreur".
#pragma once

#include "export/TFormDDE.h"

TFormDDE::AfficheMessage BoiteMessage();

#include "measure/ui/PiloteDialogue.h"

#include <utility>

TPiloteDialogue::TPiloteDialogue(TPilote& fenetre, std::function<std::string()> editValeur,
                                 std::function<void(bool)> ferme)
    : fenetre_(fenetre), editValeur_(std::move(editValeur)), ferme_(std::move(ferme)) {}

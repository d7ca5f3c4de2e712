// The 20 x 20 pictures of the toolbar actions, drawn by the program itself.
#pragma once

#include <QIcon>

inline constexpr int TailleIcone = 20;

// Image indices of the actions.
inline constexpr int ImageBlanc = 0;
inline constexpr int ImageCommande = 1;
inline constexpr int ImageConfigCom = 4;
inline constexpr int ImageQuitter = 6;
inline constexpr int ImageMesurial = 9;
inline constexpr int ImageSpectre = 16;
inline constexpr int ImageAPropos = 18;
// The spectrum files and pictures.
inline constexpr int ImageEnregistrer = 2;
inline constexpr int ImageOuvrir = 3;
inline constexpr int ImageImage = 5;
inline constexpr int ImageImprimer = 7;

// The picture of an image index; an empty icon for an index without one.
QIcon IconeAction(int image);

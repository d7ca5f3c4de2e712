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

// The picture of an image index; an empty icon for an index without one.
QIcon IconeAction(int image);

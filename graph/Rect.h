// An integer rectangle given by its edges, as the kernel's layout rules are
// written: width = right - left, height = bottom - top.
#pragma once

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Largeur() const { return right - left; }
  int Hauteur() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

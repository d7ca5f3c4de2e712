// A canvas that records what the kernel draws, with the pen in force, so tests
// can check the drawing order and geometry without looking at pixels.
#pragma once

#include "graph/Canvas.h"

#include <string>
#include <vector>

struct Trait {
  int x1, y1, x2, y2;
  StylePlume style;
  QColor couleur;
};

struct TexteDessine {
  int x, y;
  std::string texte;
};

class CanvasEnregistreur : public Canvas {
 public:
  // Text extents are fixed so the layout is predictable: a character is
  // two thirds of the line height wide.
  void SetPen(StylePlume style, QColor couleur) override {
    style_ = style;
    couleur_ = couleur;
  }
  void SetBrush(QColor couleur) override { brosse = couleur; }
  void SetFont(std::string_view nom, int hauteurCellule) override {
    police = std::string(nom);
    hauteurPolice = hauteurCellule;
  }
  void SetTextColor(QColor couleur) override { couleurTexte = couleur; }
  void Line(int x1, int y1, int x2, int y2) override {
    traits.push_back({x1, y1, x2, y2, style_, couleur_});
    position_ = {x2, y2};
  }
  void MoveTo(int x, int y) override {
    position_ = {x, y};
    ++levers;
  }
  void LineTo(int x, int y) override { Line(position_.first, position_.second, x, y); }
  void Rectangle(int left, int top, int right, int bottom) override {
    rectangles.push_back({left, top, right, bottom});
  }
  void FillRect(const Rect& zone) override { remplis.push_back(zone); }
  void TextOut(int x, int y, std::string_view texte) override {
    textes.push_back({x, y, std::string(texte)});
  }
  QSize TextExtent(std::string_view texte) override {
    return {static_cast<int>(texte.size()) * (2 * hauteurPolice / 3), hauteurPolice};
  }

  std::vector<std::string> Etiquettes(int x) const {
    std::vector<std::string> r;
    for (const auto& t : textes)
      if (t.x == x) r.push_back(t.texte);
    return r;
  }
  std::vector<Trait> Traits(StylePlume style, QColor couleur) const {
    std::vector<Trait> r;
    for (const auto& t : traits)
      if (t.style == style && t.couleur == couleur) r.push_back(t);
    return r;
  }

  std::vector<Trait> traits;
  std::vector<Rect> rectangles;
  std::vector<Rect> remplis;
  std::vector<TexteDessine> textes;
  QColor brosse;
  QColor couleurTexte;
  std::string police;
  int hauteurPolice = 0;
  int levers = 0;

 private:
  StylePlume style_ = StylePlume::Plein;
  QColor couleur_;
  std::pair<int, int> position_{0, 0};
};

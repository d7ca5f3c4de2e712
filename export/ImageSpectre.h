// Pictures and printed pages of the plot, drawn by the graph kernel on any
// paint device: PNG, SVG or PDF files, printers. No widgets.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

class QPainter;
class Tgraphe;

enum class FormatImage { Png, Svg, Pdf };

// Limits of a picture's side, in pixels.
inline constexpr int kCoteMinImage = 100;
inline constexpr int kCoteMaxImage = 10000;

// ".png", ".svg", ".pdf", whatever the case.
std::optional<FormatImage> FormatImageDuNom(const QString& chemin);

// The graph as its window shows it, drawn inside `cadre` of `peintre`. The
// graph itself is left untouched (a copy is drawn).
void DessineGraphe(const Tgraphe& graphe, QPainter& peintre, const QRect& cadre);

// One printed page inside `page`: the caption in bold, the comment under
// it, the plot in the rest.
void DessinePage(const Tgraphe& graphe, QPainter& peintre, const QRect& page, const QString& legende,
                 const QString& commentaire);

// The plot as a picture of `taille` pixels (PDF: points) in `chemin`,
// written through a temporary file. `erreur` says why on failure.
bool EcritImage(const Tgraphe& graphe, const QString& chemin, QSize taille, FormatImage format, QString& erreur);
